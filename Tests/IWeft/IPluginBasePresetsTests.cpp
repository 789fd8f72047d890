// FXP program and FXB bank files: byte layout, round trips and refusal of
// damaged or foreign files.

#include "TestFiles.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace weft;
using pw::test::ReadFileBytes;
using pw::test::TempFile;
using pw::test::TestPlugin;
using pw::test::WriteFileBytes;

namespace {

constexpr int kID = 0x54657374;     // "Test", TestPlugin's default unique ID
constexpr int kDecimalVersion = 10203; // TestPlugin's default version 0x010203

// Two parameters with normalised values that floats hold exactly:
// gain -12..12 (6 -> 0.75), mode 0..4 (1 -> 0.25).
void InitParams(TestPlugin& plug)
{
  plug.GetParam(0)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.5);
  plug.GetParam(1)->InitInt("Mode", 0, 0, 4);
}

using Bytes = std::vector<uint8_t>;

void PutBE32(Bytes& b, uint32_t v)
{
  b.push_back(static_cast<uint8_t>(v >> 24));
  b.push_back(static_cast<uint8_t>(v >> 16));
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}

void PutBEFloat(Bytes& b, float f)
{
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutBE32(b, bits);
}

void PutTag(Bytes& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

void PutLE(Bytes& b, const void* p, size_t n)
{
  const uint8_t* bytes = static_cast<const uint8_t*>(p);
  b.insert(b.end(), bytes, bytes + n);
}

void PutDouble(Bytes& b, double d) { PutLE(b, &d, 8); }

void PutName(Bytes& b, const char* name, size_t fieldBytes = 28)
{
  Bytes field(fieldBytes, 0);
  std::memcpy(field.data(), name, std::strlen(name));
  b.insert(b.end(), field.begin(), field.end());
}

// Framework version header in host (little-endian) order.
void PutVersionHeader(Bytes& b)
{
  const uint8_t header[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  b.insert(b.end(), header, header + 8);
}

Bytes ProgramHeader(const char* form, uint32_t byteSize, const char* name, uint32_t nParams = 2,
                    uint32_t id = kID, uint32_t version = 1)
{
  Bytes b;
  PutTag(b, "CcnK");
  PutBE32(b, byteSize);
  PutTag(b, form);
  PutBE32(b, version);
  PutBE32(b, id);
  PutBE32(b, kDecimalVersion);
  PutBE32(b, nParams);
  PutName(b, name);
  return b;
}

Bytes ValuesProgram(const char* name, float v0, float v1)
{
  Bytes b = ProgramHeader("FxCk", 0, name);
  PutBEFloat(b, v0);
  PutBEFloat(b, v1);
  return b;
}

Bytes BankHeader(const char* form, uint32_t byteSize, uint32_t nPresets, uint32_t current, uint32_t id = kID)
{
  Bytes b;
  PutTag(b, "CcnK");
  PutBE32(b, byteSize);
  PutTag(b, form);
  PutBE32(b, 2);
  PutBE32(b, id);
  PutBE32(b, kDecimalVersion);
  PutBE32(b, nPresets);
  PutBE32(b, current);
  b.insert(b.end(), 124, 0);
  return b;
}

void SetBE32At(Bytes& b, size_t offset, uint32_t v)
{
  b[offset] = static_cast<uint8_t>(v >> 24);
  b[offset + 1] = static_cast<uint8_t>(v >> 16);
  b[offset + 2] = static_cast<uint8_t>(v >> 8);
  b[offset + 3] = static_cast<uint8_t>(v);
}

// Everything a failed load must leave as it was.
struct Snapshot
{
  std::vector<double> values;
  std::vector<std::string> names;
  std::vector<bool> initialized;
  std::vector<Bytes> states;
  int current = 0;

  explicit Snapshot(const TestPlugin& plug) : current(plug.GetCurrentPresetIdx())
  {
    for (int i = 0; i < plug.NParams(); ++i)
      values.push_back(plug.GetParam(i)->Value());
    for (int p = 0; p < plug.NPresets(); ++p)
    {
      const IPreset* preset = plug.GetPreset(p);
      names.emplace_back(preset->mName);
      initialized.push_back(preset->mInitialized);
      states.emplace_back(preset->mChunk.GetData(), preset->mChunk.GetData() + preset->mChunk.Size());
    }
  }

  bool operator==(const Snapshot& o) const
  {
    return values == o.values && names == o.names && initialized == o.initialized && states == o.states &&
           current == o.current;
  }
};

class PresetFileTest : public testing::Test
{
protected:
  PresetFileTest()
  {
    InitParams(plug);
    plug.MakePreset("Init", 6.0, 1);
    plug.MakePreset("Other", -6.0, 3);
    plug.RestorePreset(0);
  }

  // A state that no test file should produce: the reference for "nothing
  // changed".
  void Disturb()
  {
    plug.GetParam(0)->Set(-3.0);
    plug.GetParam(1)->Set(2);
  }

  void ExpectFXPRefused(const Bytes& file, const char* what)
  {
    WriteFileBytes(path.Path(), file);
    const Snapshot before(plug);
    plug.ClearNotes();
    EXPECT_FALSE(plug.LoadPresetFromFXP(path.Path())) << what;
    EXPECT_TRUE(Snapshot(plug) == before) << what;
    EXPECT_EQ(plug.Notes().presetChangesToHost, 0) << what;
  }

  void ExpectFXBRefused(const Bytes& file, const char* what)
  {
    WriteFileBytes(path.Path(), file);
    const Snapshot before(plug);
    plug.ClearNotes();
    EXPECT_FALSE(plug.LoadBankFromFXB(path.Path())) << what;
    EXPECT_TRUE(Snapshot(plug) == before) << what;
    EXPECT_EQ(plug.Notes().presetChangesToHost, 0) << what;
  }

  TestPlugin plug{2, 2};
  TempFile path{".fx"};
};

} // namespace

// --- Writing

TEST_F(PresetFileTest, ParameterFormProgramOfTwoParametersIs64BigEndianBytes)
{
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));
  const Bytes expected = ValuesProgram("Init", 0.75f, 0.25f);
  ASSERT_EQ(expected.size(), 64u);
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST_F(PresetFileTest, ProgramNameIsCutTo27CharactersAndZeroPadded)
{
  plug.ModifyCurrentPreset("A program name far longer than the field");
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));
  const Bytes file = ReadFileBytes(path.Path());
  ASSERT_EQ(file.size(), 64u);
  EXPECT_EQ(std::string(file.begin() + 28, file.begin() + 55), "A program name far longer t");
  EXPECT_EQ(file[55], 0);
}

TEST_F(PresetFileTest, StateFormProgramCarriesVersionHeaderAndStateWithSize60PlusState)
{
  plug.SetStateChunks(true);
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));

  Bytes state;
  PutVersionHeader(state);
  PutDouble(state, 6.0);
  PutDouble(state, 1.0);
  Bytes expected = ProgramHeader("FPCh", 60 + static_cast<uint32_t>(state.size()), "Init");
  PutBE32(expected, static_cast<uint32_t>(state.size()));
  expected.insert(expected.end(), state.begin(), state.end());
  ASSERT_EQ(expected.size(), 60u + 24u);
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST_F(PresetFileTest, ParameterFormBankHoldsOneProgramPerPresetFromItsStoredState)
{
  plug.RestorePreset(1);
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));

  Bytes expected = BankHeader("FxBk", 0, 2, 1);
  ASSERT_EQ(expected.size(), 156u);
  const Bytes p0 = ValuesProgram("Init", 0.75f, 0.25f);
  const Bytes p1 = ValuesProgram("Other", 0.25f, 0.75f);
  expected.insert(expected.end(), p0.begin(), p0.end());
  expected.insert(expected.end(), p1.begin(), p1.end());
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST(PresetFileBank, ParameterFormBankWritesZeroForValuesMissingFromAStoredState)
{
  TestPlugin plug(2, 1);
  InitParams(plug);
  IByteChunk shortState;
  const double gain = 12.0;
  shortState.Put(&gain);
  plug.MakePresetFromChunk("Short", shortState);
  TempFile path(".fxb");
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));

  Bytes expected = BankHeader("FxBk", 0, 1, 0);
  const Bytes p0 = ValuesProgram("Short", 1.0f, 0.0f); // gain 12 -> 1, missing mode 0 -> 0
  expected.insert(expected.end(), p0.begin(), p0.end());
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST_F(PresetFileTest, StateFormBankHoldsSerializedPresetsWithSize160PlusState)
{
  plug.SetStateChunks(true);
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));

  Bytes state;
  PutVersionHeader(state);
  const char* names[2] = {"Init", "Other"};
  const double values[2][2] = {{6.0, 1.0}, {-6.0, 3.0}};
  for (int p = 0; p < 2; ++p)
  {
    const int32_t len = static_cast<int32_t>(std::strlen(names[p]));
    PutLE(state, &len, 4);
    state.insert(state.end(), names[p], names[p] + len);
    state.push_back(1); // initialised
    PutDouble(state, values[p][0]);
    PutDouble(state, values[p][1]);
  }
  Bytes expected = BankHeader("FBCh", 160 + static_cast<uint32_t>(state.size()), 2, 0);
  PutBE32(expected, static_cast<uint32_t>(state.size()));
  expected.insert(expected.end(), state.begin(), state.end());
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST_F(PresetFileTest, SavingToAnEmptyOrUnopenablePathFails)
{
  EXPECT_FALSE(plug.SavePresetAsFXP(""));
  EXPECT_FALSE(plug.SavePresetAsFXP(nullptr));
  EXPECT_FALSE(plug.SaveBankAsFXB(""));
  const std::string bad = std::string(path.Path()) + "/missing/dir.fxp";
  EXPECT_FALSE(plug.SavePresetAsFXP(bad.c_str()));
  EXPECT_FALSE(plug.SaveBankAsFXB(bad.c_str()));
}

// --- Round trips

TEST_F(PresetFileTest, ParameterFormProgramRoundTripsIntoTheCurrentPreset)
{
  plug.GetParam(0)->Set(9.0);
  plug.GetParam(1)->Set(4);
  plug.ModifyCurrentPreset("Saved");
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));

  TestPlugin other(2, 2);
  InitParams(other);
  other.MakeDefaultPreset("Old", 2);
  other.SetCurrentPresetIdx(1);
  ASSERT_TRUE(other.LoadPresetFromFXP(path.Path()));
  EXPECT_DOUBLE_EQ(other.GetParam(0)->Value(), 9.0);
  EXPECT_DOUBLE_EQ(other.GetParam(1)->Value(), 4.0);
  EXPECT_STREQ(other.GetPresetName(1), "Saved");
  EXPECT_TRUE(other.GetPreset(1)->mInitialized);
  EXPECT_EQ(other.GetCurrentPresetIdx(), 1);
  EXPECT_EQ(other.Notes().presetChangesToHost, 1);
}

TEST_F(PresetFileTest, StateFormProgramRoundTrips)
{
  plug.SetStateChunks(true);
  plug.SetStateHeader(true);
  plug.GetParam(0)->Set(-11.5);
  plug.GetParam(1)->Set(2);
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));

  TestPlugin other(2, 1);
  InitParams(other);
  other.SetStateChunks(true);
  other.SetStateHeader(true);
  other.MakeDefaultPreset("Old");
  ASSERT_TRUE(other.LoadPresetFromFXP(path.Path()));
  EXPECT_DOUBLE_EQ(other.GetParam(0)->Value(), -11.5);
  EXPECT_DOUBLE_EQ(other.GetParam(1)->Value(), 2.0);
  EXPECT_STREQ(other.GetPresetName(0), "Init");
}

TEST_F(PresetFileTest, ParameterFormBankRoundTripsEveryPreset)
{
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));

  TestPlugin other(2, 2);
  InitParams(other);
  ASSERT_TRUE(other.LoadBankFromFXB(path.Path()));
  EXPECT_STREQ(other.GetPresetName(0), "Init");
  EXPECT_STREQ(other.GetPresetName(1), "Other");
  EXPECT_EQ(Snapshot(other).states, Snapshot(plug).states);
  EXPECT_EQ(other.GetCurrentPresetIdx(), 0);
  EXPECT_DOUBLE_EQ(other.GetParam(0)->Value(), 6.0);
  EXPECT_EQ(other.Notes().presetChangesToHost, 1);
}

TEST_F(PresetFileTest, StateFormBankRoundTripsEveryPreset)
{
  plug.SetStateChunks(true);
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));

  TestPlugin other(2, 2);
  InitParams(other);
  other.SetStateChunks(true);
  other.SetCurrentPresetIdx(1);
  ASSERT_TRUE(other.LoadBankFromFXB(path.Path()));
  EXPECT_STREQ(other.GetPresetName(0), "Init");
  EXPECT_STREQ(other.GetPresetName(1), "Other");
  EXPECT_EQ(Snapshot(other).states, Snapshot(plug).states);
  EXPECT_DOUBLE_EQ(other.GetParam(0)->Value(), -6.0);
  EXPECT_DOUBLE_EQ(other.GetParam(1)->Value(), 3.0);
}

TEST_F(PresetFileTest, BankWithMoreProgramsThanPresetsIgnoresTheExtraPrograms)
{
  Bytes file = BankHeader("FxBk", 0, 3, 0);
  for (const Bytes& p : {ValuesProgram("One", 0.0f, 0.0f), ValuesProgram("Two", 1.0f, 1.0f),
                         ValuesProgram("Three", 0.5f, 0.5f)})
    file.insert(file.end(), p.begin(), p.end());
  WriteFileBytes(path.Path(), file);
  ASSERT_TRUE(plug.LoadBankFromFXB(path.Path()));
  ASSERT_EQ(plug.NPresets(), 2);
  EXPECT_STREQ(plug.GetPresetName(0), "One");
  EXPECT_STREQ(plug.GetPresetName(1), "Two");
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), -12.0); // program 0 is current
}

TEST_F(PresetFileTest, FullWidthProgramNameIsReadBoundedAndTerminated)
{
  Bytes file = ValuesProgram("", 0.5f, 0.5f);
  std::memset(file.data() + 28, 'x', 28);
  WriteFileBytes(path.Path(), file);
  ASSERT_TRUE(plug.LoadPresetFromFXP(path.Path()));
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(28, 'x'));
}

TEST_F(PresetFileTest, NonFiniteProgramValuesLeaveTheirParametersAlone)
{
  Disturb();
  WriteFileBytes(path.Path(), ValuesProgram("NaN", std::numeric_limits<float>::quiet_NaN(), 1.0f));
  ASSERT_TRUE(plug.LoadPresetFromFXP(path.Path()));
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), -3.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(1)->Value(), 4.0);
}

// --- Damaged and foreign programs

TEST_F(PresetFileTest, MissingOrEmptyProgramFileIsRefused)
{
  EXPECT_FALSE(plug.LoadPresetFromFXP(""));
  EXPECT_FALSE(plug.LoadPresetFromFXP(nullptr));
  EXPECT_FALSE(plug.LoadPresetFromFXP(path.Path())); // does not exist
  EXPECT_FALSE(plug.LoadBankFromFXB(path.Path()));
}

TEST_F(PresetFileTest, TruncatedParameterFormProgramIsRefusedAtEveryLength)
{
  Disturb();
  const Bytes whole = ValuesProgram("Cut", 1.0f, 1.0f);
  for (size_t len : {0, 3, 4, 27, 55, 56, 59, 60, 63})
    ExpectFXPRefused(Bytes(whole.begin(), whole.begin() + static_cast<long>(len)),
                     ("length " + std::to_string(len)).c_str());
}

TEST_F(PresetFileTest, ForeignProgramHeadersAreRefused)
{
  Disturb();
  Bytes wrongMagic = ValuesProgram("X", 1.0f, 1.0f);
  wrongMagic[0] = 'c';
  ExpectFXPRefused(wrongMagic, "wrong chunk magic");

  Bytes wrongID = ProgramHeader("FxCk", 0, "X", 2, kID + 1);
  PutBEFloat(wrongID, 1.0f);
  PutBEFloat(wrongID, 1.0f);
  ExpectFXPRefused(wrongID, "wrong ID");

  Bytes wrongVersion = ProgramHeader("FxCk", 0, "X", 2, kID, 2);
  PutBEFloat(wrongVersion, 1.0f);
  PutBEFloat(wrongVersion, 1.0f);
  ExpectFXPRefused(wrongVersion, "wrong format version");

  Bytes wrongForm = ProgramHeader("FxBk", 0, "X");
  PutBEFloat(wrongForm, 1.0f);
  PutBEFloat(wrongForm, 1.0f);
  ExpectFXPRefused(wrongForm, "bank tag in a program");
}

TEST_F(PresetFileTest, StateFormProgramIsRefusedByAPluginWithoutStateChunks)
{
  Disturb();
  Bytes file = ProgramHeader("FPCh", 60 + 24, "X");
  PutBE32(file, 24);
  PutVersionHeader(file);
  PutDouble(file, 1.0);
  PutDouble(file, 1.0);
  ExpectFXPRefused(file, "FPCh without state chunks");
}

TEST_F(PresetFileTest, OversizedOrNegativeStateSizesAreRefused)
{
  plug.SetStateChunks(true);
  Disturb();
  for (uint32_t stateSize : {25u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u})
  {
    Bytes file = ProgramHeader("FPCh", 60 + 24, "X");
    PutBE32(file, stateSize);
    PutVersionHeader(file);
    PutDouble(file, 1.0);
    PutDouble(file, 1.0);
    ExpectFXPRefused(file, ("state size " + std::to_string(stateSize)).c_str());
  }
}

TEST_F(PresetFileTest, StateFormProgramWithAStateTooShortForTheParametersIsRefused)
{
  plug.SetStateChunks(true);
  Disturb();
  Bytes file = ProgramHeader("FPCh", 60 + 16, "X");
  PutBE32(file, 16);
  PutVersionHeader(file);
  PutDouble(file, 1.0); // one of two values; the second lies outside the state
  PutDouble(file, 1.0);
  ExpectFXPRefused(file, "state ends inside the parameter block");
}

TEST_F(PresetFileTest, StateFormProgramWhoseStateFailsToApplyIsRefused)
{
  plug.SetStateChunks(true);
  plug.SetStateHeader(true);
  Disturb();
  Bytes file = ProgramHeader("FPCh", 60 + 28, "X");
  PutBE32(file, 28);
  PutVersionHeader(file);
  const int32_t wrongMagic = 0x12345678;
  PutLE(file, &wrongMagic, 4);
  PutDouble(file, 1.0);
  PutDouble(file, 1.0);
  ExpectFXPRefused(file, "UnserializeState fails");
}

// --- Damaged and foreign banks

TEST_F(PresetFileTest, ForeignBankHeadersAreRefused)
{
  Disturb();
  Bytes valid = BankHeader("FxBk", 0, 2, 0);
  for (const Bytes& p : {ValuesProgram("A", 1.0f, 1.0f), ValuesProgram("B", 1.0f, 1.0f)})
    valid.insert(valid.end(), p.begin(), p.end());

  Bytes wrongMagic = valid;
  wrongMagic[3] = 'k';
  ExpectFXBRefused(wrongMagic, "wrong chunk magic");

  Bytes wrongID = valid;
  SetBE32At(wrongID, 16, kID ^ 1);
  ExpectFXBRefused(wrongID, "wrong ID");

  Bytes wrongForm = valid;
  std::memcpy(wrongForm.data() + 8, "FxCk", 4);
  ExpectFXBRefused(wrongForm, "program tag in a bank");

  Bytes stateForm = valid;
  std::memcpy(stateForm.data() + 8, "FBCh", 4);
  ExpectFXBRefused(stateForm, "FBCh without state chunks");
}

TEST_F(PresetFileTest, TruncatedParameterFormBankIsRefusedAtEveryLength)
{
  Disturb();
  Bytes whole = BankHeader("FxBk", 0, 2, 0);
  for (const Bytes& p : {ValuesProgram("A", 1.0f, 1.0f), ValuesProgram("B", 1.0f, 1.0f)})
    whole.insert(whole.end(), p.begin(), p.end());
  ASSERT_EQ(whole.size(), 156u + 2u * 64u);
  for (size_t len : {0, 31, 155, 156, 200, 219, 220, 283})
    ExpectFXBRefused(Bytes(whole.begin(), whole.begin() + static_cast<long>(len)),
                     ("length " + std::to_string(len)).c_str());
}

TEST_F(PresetFileTest, BankProgramCountsThatDoNotFitTheFileAreRefused)
{
  Disturb();
  for (uint32_t count : {3u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u})
  {
    Bytes file = BankHeader("FxBk", 0, count, 0);
    for (const Bytes& p : {ValuesProgram("A", 1.0f, 1.0f), ValuesProgram("B", 1.0f, 1.0f)})
      file.insert(file.end(), p.begin(), p.end());
    ExpectFXBRefused(file, ("count " + std::to_string(count)).c_str());
  }
}

TEST_F(PresetFileTest, BankProgramWithTheWrongParameterCountIsRefused)
{
  Disturb();
  Bytes file = BankHeader("FxBk", 0, 2, 0);
  const Bytes p0 = ValuesProgram("A", 1.0f, 1.0f);
  Bytes p1 = ProgramHeader("FxCk", 0, "B", 1);
  PutBEFloat(p1, 1.0f);
  PutBEFloat(p1, 1.0f); // padding so the count check of the bank passes
  file.insert(file.end(), p0.begin(), p0.end());
  file.insert(file.end(), p1.begin(), p1.end());
  ExpectFXBRefused(file, "second program has one parameter");
}

TEST_F(PresetFileTest, BankProgramWithAForeignProgramTagIsRefused)
{
  Disturb();
  Bytes file = BankHeader("FxBk", 0, 2, 0);
  Bytes p0 = ValuesProgram("A", 1.0f, 1.0f);
  std::memcpy(p0.data() + 8, "FPCh", 4);
  const Bytes p1 = ValuesProgram("B", 1.0f, 1.0f);
  file.insert(file.end(), p0.begin(), p0.end());
  file.insert(file.end(), p1.begin(), p1.end());
  ExpectFXBRefused(file, "first program in state form");
}

TEST_F(PresetFileTest, StateFormBankWithOversizedOrDamagedStateIsRefused)
{
  plug.SetStateChunks(true);
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));
  const Bytes valid = ReadFileBytes(path.Path());
  ASSERT_GT(valid.size(), 160u);
  Disturb();

  for (uint32_t stateSize : {static_cast<uint32_t>(valid.size()), 0x7FFFFFFFu, 0xFFFFFFFFu})
  {
    Bytes file = valid;
    SetBE32At(file, 156, stateSize);
    ExpectFXBRefused(file, ("state size " + std::to_string(stateSize)).c_str());
  }

  // The state claims fewer bytes than the presets need.
  Bytes shortState = valid;
  SetBE32At(shortState, 156, static_cast<uint32_t>(valid.size() - 160 - 5));
  ExpectFXBRefused(shortState, "state ends inside the last preset");

  ExpectFXBRefused(Bytes(valid.begin(), valid.end() - 1), "file cut by one byte");
}
