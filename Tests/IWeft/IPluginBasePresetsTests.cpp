// FXP program and FXB bank files: byte layout, round trips and refusal of
// damaged or foreign files.

#include "TestFiles.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace weft;
using pw::test::ReadFileBytes;
using pw::test::TempFile;
using pw::test::TestPlugin;
using pw::test::WriteFileBytes;

namespace {

constexpr int kID = 0x54657374;        // "Test", TestPlugin's default unique ID
constexpr int kDecimalVersion = 10203; // TestPlugin's default version 0x010203

using Bytes = std::vector<uint8_t>;

// Two parameters with normalised values that floats hold exactly:
// gain -12..12 (6 -> 0.75), mode 0..4 (1 -> 0.25).
void InitParams(TestPlugin& plug)
{
  plug.GetParam(0)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.5);
  plug.GetParam(1)->InitInt("Mode", 0, 0, 4);
}

void PutBE32(Bytes& b, uint32_t v)
{
  for (int shift = 24; shift >= 0; shift -= 8)
    b.push_back(static_cast<uint8_t>(v >> shift));
}

void SetBE32At(Bytes& b, size_t offset, uint32_t v)
{
  Bytes be;
  PutBE32(be, v);
  std::memcpy(b.data() + offset, be.data(), 4);
}

void PutBEFloat(Bytes& b, float f)
{
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutBE32(b, bits);
}

void PutLE(Bytes& b, const void* p, size_t n)
{
  const uint8_t* bytes = static_cast<const uint8_t*>(p);
  b.insert(b.end(), bytes, bytes + n);
}

void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// "CcnK", byte size, form tag, format version, ID and plug-in version.
Bytes FileHeader(const char* form, uint32_t byteSize, uint32_t formatVersion, uint32_t id)
{
  Bytes b;
  PutLE(b, "CcnK", 4);
  PutBE32(b, byteSize);
  PutLE(b, form, 4);
  PutBE32(b, formatVersion);
  PutBE32(b, id);
  PutBE32(b, kDecimalVersion);
  return b;
}

Bytes ProgramHeader(const char* form, uint32_t byteSize, const char* name, uint32_t nParams = 2, uint32_t id = kID,
                    uint32_t version = 1)
{
  Bytes b = FileHeader(form, byteSize, version, id);
  PutBE32(b, nParams);
  Bytes field(28, 0);
  std::memcpy(field.data(), name, std::strlen(name));
  Append(b, field);
  return b;
}

Bytes ValuesProgram(const char* name, float v0, float v1)
{
  Bytes b = ProgramHeader("FxCk", 0, name);
  PutBEFloat(b, v0);
  PutBEFloat(b, v1);
  return b;
}

Bytes BankHeader(const char* form, uint32_t byteSize, uint32_t nPresets, uint32_t current)
{
  Bytes b = FileHeader(form, byteSize, 2, kID);
  PutBE32(b, nPresets);
  PutBE32(b, current);
  b.insert(b.end(), 124, 0);
  return b;
}

// A parameter-form bank of two programs "A" and "B", 156 + 2 * 64 bytes.
Bytes TwoProgramBank(uint32_t count = 2)
{
  Bytes b = BankHeader("FxBk", 0, count, 0);
  Append(b, ValuesProgram("A", 1.0f, 1.0f));
  Append(b, ValuesProgram("B", 1.0f, 1.0f));
  return b;
}

// A state-form program: state size, version header, then the given doubles.
Bytes StateProgram(uint32_t stateSize, std::vector<double> values, const int32_t* stateMagic = nullptr)
{
  Bytes b = ProgramHeader("FPCh", 60 + stateSize, "X");
  PutBE32(b, stateSize);
  Append(b, {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}); // framework version header
  if (stateMagic)
    PutLE(b, stateMagic, 4);
  PutLE(b, values.data(), 8 * values.size());
  return b;
}

// Everything a failed load must leave as it was: every preset's name, flag
// and state, the current preset and the parameter values.
Bytes Snapshot(const TestPlugin& plug)
{
  IByteChunk chunk;
  plug.SerializePresets(chunk);
  Bytes b(chunk.GetData(), chunk.GetData() + chunk.Size());
  const int current = plug.GetCurrentPresetIdx();
  PutLE(b, &current, 4);
  for (int i = 0; i < plug.NParams(); ++i)
  {
    const double v = plug.GetParam(i)->Value();
    PutLE(b, &v, 8);
  }
  return b;
}

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

  // A second plug-in of the same kind with default parameters.
  TestPlugin& Other(int nPresets, bool stateChunks)
  {
    other = std::make_unique<TestPlugin>(2, nPresets);
    InitParams(*other);
    other->SetStateChunks(stateChunks);
    return *other;
  }

  // Values that no test file holds: the reference for "nothing changed".
  void Disturb()
  {
    plug.GetParam(0)->Set(-3.0);
    plug.GetParam(1)->Set(2);
  }

  void ExpectRefused(const Bytes& file, bool bank, const std::string& what)
  {
    WriteFileBytes(path.Path(), file);
    const Bytes before = Snapshot(plug);
    plug.ClearNotes();
    EXPECT_FALSE(bank ? plug.LoadBankFromFXB(path.Path()) : plug.LoadPresetFromFXP(path.Path())) << what;
    EXPECT_EQ(Snapshot(plug), before) << what;
    EXPECT_EQ(plug.Notes().presetChangesToHost, 0) << what;
  }

  TestPlugin plug{2, 2};
  std::unique_ptr<TestPlugin> other;
  TempFile path{".fx"};
};

} // namespace

// --- Writing

TEST_F(PresetFileTest, ParameterFormProgramIs64BigEndianBytesWithTheNameCutTo27Characters)
{
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));
  const Bytes expected = ValuesProgram("Init", 0.75f, 0.25f);
  ASSERT_EQ(expected.size(), 64u);
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);

  plug.ModifyCurrentPreset("A program name far longer than the field");
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));
  EXPECT_EQ(ReadFileBytes(path.Path()), ValuesProgram("A program name far longer t", 0.75f, 0.25f));
}

TEST_F(PresetFileTest, StateFormProgramCarriesVersionHeaderAndStateWithSize60PlusState)
{
  plug.SetStateChunks(true);
  ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));
  Bytes expected = StateProgram(24, {6.0, 1.0});
  std::memcpy(expected.data() + 28, "Init", 4);
  ASSERT_EQ(expected.size(), 60u + 24u);
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST_F(PresetFileTest, ParameterFormBankHoldsOneProgramPerPresetFromItsStoredState)
{
  plug.RestorePreset(1);
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));
  Bytes expected = BankHeader("FxBk", 0, 2, 1);
  ASSERT_EQ(expected.size(), 156u);
  Append(expected, ValuesProgram("Init", 0.75f, 0.25f));
  Append(expected, ValuesProgram("Other", 0.25f, 0.75f));
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);

  TestPlugin& shortState = Other(1, false);
  IByteChunk gainOnly;
  const double gain = 12.0;
  gainOnly.Put(&gain);
  shortState.MakePresetFromChunk("Short", gainOnly);
  ASSERT_TRUE(shortState.SaveBankAsFXB(path.Path()));
  expected = BankHeader("FxBk", 0, 1, 0);
  Append(expected, ValuesProgram("Short", 1.0f, 0.0f)); // gain 12 -> 1, missing mode -> 0
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST_F(PresetFileTest, StateFormBankHoldsSerializedPresetsWithSize160PlusState)
{
  plug.SetStateChunks(true);
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));

  Bytes state = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  const char* names[2] = {"Init", "Other"};
  const double values[2][2] = {{6.0, 1.0}, {-6.0, 3.0}};
  for (int p = 0; p < 2; ++p)
  {
    const int32_t len = static_cast<int32_t>(std::strlen(names[p]));
    PutLE(state, &len, 4);
    PutLE(state, names[p], len);
    state.push_back(1); // initialised
    PutLE(state, values[p], 16);
  }
  Bytes expected = BankHeader("FBCh", 160 + static_cast<uint32_t>(state.size()), 2, 0);
  PutBE32(expected, static_cast<uint32_t>(state.size()));
  Append(expected, state);
  EXPECT_EQ(ReadFileBytes(path.Path()), expected);
}

TEST_F(PresetFileTest, SavingToAnEmptyOrUnopenablePathFails)
{
  const std::string bad = std::string(path.Path()) + "/missing/dir.fxp";
  for (const char* p : {"", static_cast<const char*>(nullptr), bad.c_str()})
  {
    EXPECT_FALSE(plug.SavePresetAsFXP(p));
    EXPECT_FALSE(plug.SaveBankAsFXB(p));
  }
}

// --- Round trips

TEST_F(PresetFileTest, ProgramsRoundTripIntoTheCurrentPresetInBothForms)
{
  for (bool stateChunks : {false, true})
  {
    SCOPED_TRACE(stateChunks ? "state form" : "parameter form");
    plug.SetStateChunks(stateChunks);
    plug.SetStateHeader(stateChunks);
    plug.GetParam(0)->Set(-9.0); // normalised 0.125, exact as a float
    plug.GetParam(1)->Set(4);
    plug.ModifyCurrentPreset("Saved");
    ASSERT_TRUE(plug.SavePresetAsFXP(path.Path()));

    TestPlugin& loader = Other(2, stateChunks);
    loader.SetStateHeader(stateChunks);
    loader.MakeDefaultPreset("Old", 2);
    loader.SetCurrentPresetIdx(1);
    ASSERT_TRUE(loader.LoadPresetFromFXP(path.Path()));
    EXPECT_DOUBLE_EQ(loader.GetParam(0)->Value(), -9.0);
    EXPECT_DOUBLE_EQ(loader.GetParam(1)->Value(), 4.0);
    EXPECT_STREQ(loader.GetPresetName(1), "Saved");
    EXPECT_STREQ(loader.GetPresetName(0), "Old");
    EXPECT_EQ(loader.GetCurrentPresetIdx(), 1);
    EXPECT_EQ(loader.Notes().presetChangesToHost, 1);
  }
}

TEST_F(PresetFileTest, BanksRoundTripEveryPresetAndApplyTheCurrentOneInBothForms)
{
  plug.RestorePreset(1);
  for (bool stateChunks : {false, true})
  {
    SCOPED_TRACE(stateChunks ? "state form" : "parameter form");
    plug.SetStateChunks(stateChunks);
    ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));
    TestPlugin& loader = Other(2, stateChunks);
    if (stateChunks)
      loader.SetCurrentPresetIdx(1); // a state-form bank keeps the loader's current preset
    ASSERT_TRUE(loader.LoadBankFromFXB(path.Path()));
    EXPECT_EQ(Snapshot(loader), Snapshot(plug));
    EXPECT_EQ(loader.Notes().presetChangesToHost, 1);
  }
}

TEST_F(PresetFileTest, BankWithMoreProgramsThanPresetsIgnoresTheExtraPrograms)
{
  Bytes file = BankHeader("FxBk", 0, 3, 0);
  Append(file, ValuesProgram("One", 0.0f, 0.0f));
  Append(file, ValuesProgram("Two", 1.0f, 1.0f));
  Append(file, ValuesProgram("Three", 0.5f, 0.5f));
  WriteFileBytes(path.Path(), file);
  ASSERT_TRUE(plug.LoadBankFromFXB(path.Path()));
  ASSERT_EQ(plug.NPresets(), 2);
  EXPECT_STREQ(plug.GetPresetName(0), "One");
  EXPECT_STREQ(plug.GetPresetName(1), "Two");
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), -12.0); // program 0 is current
}

TEST_F(PresetFileTest, FullWidthNameIsReadTerminatedAndNonFiniteValuesLeaveTheirParametersAlone)
{
  Disturb();
  Bytes file = ValuesProgram("", std::numeric_limits<float>::quiet_NaN(), 1.0f);
  std::memset(file.data() + 28, 'x', 28);
  WriteFileBytes(path.Path(), file);
  ASSERT_TRUE(plug.LoadPresetFromFXP(path.Path()));
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(28, 'x'));
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), -3.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(1)->Value(), 4.0);
}

// --- Damaged and foreign programs

TEST_F(PresetFileTest, MissingOrEmptyFilesAreRefused)
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
  for (long len : {0, 3, 4, 27, 55, 56, 59, 60, 63})
    ExpectRefused(Bytes(whole.begin(), whole.begin() + len), false, "length " + std::to_string(len));
}

TEST_F(PresetFileTest, ForeignProgramHeadersAreRefused)
{
  Disturb();
  Bytes wrongMagic = ValuesProgram("X", 1.0f, 1.0f);
  wrongMagic[0] = 'c';
  const struct { Bytes header; const char* what; } cases[] = {
    {Bytes(wrongMagic.begin(), wrongMagic.end() - 8), "wrong chunk magic"},
    {ProgramHeader("FxCk", 0, "X", 2, kID + 1), "wrong ID"},
    {ProgramHeader("FxCk", 0, "X", 2, kID, 2), "wrong format version"},
    {ProgramHeader("FxBk", 0, "X"), "bank tag in a program"},
  };
  for (const auto& c : cases)
  {
    Bytes file = c.header;
    PutBEFloat(file, 1.0f);
    PutBEFloat(file, 1.0f);
    ExpectRefused(file, false, c.what);
  }
}

TEST_F(PresetFileTest, StateFormProgramsWithoutStateChunksOrWithABadStateAreRefused)
{
  Disturb();
  ExpectRefused(StateProgram(24, {1.0, 1.0}), false, "FPCh without state chunks");
  plug.SetStateChunks(true);
  for (uint32_t stateSize : {25u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u})
  {
    Bytes file = StateProgram(24, {1.0, 1.0});
    SetBE32At(file, 56, stateSize);
    ExpectRefused(file, false, "state size " + std::to_string(stateSize));
  }
  ExpectRefused(StateProgram(16, {1.0, 1.0}), false, "state ends inside the parameter block");
  plug.SetStateHeader(true);
  const int32_t wrongMagic = 0x12345678;
  ExpectRefused(StateProgram(28, {1.0, 1.0}, &wrongMagic), false, "UnserializeState fails");
}

// --- Damaged and foreign banks

TEST_F(PresetFileTest, ForeignBankHeadersAreRefused)
{
  Disturb();
  const struct
  {
    size_t offset;
    const char* bytes;
    const char* what;
  } cases[] = {{3, "k", "wrong chunk magic"}, {19, "u", "wrong ID"}, {8, "FxCk", "program tag in a bank"},
               {8, "FBCh", "FBCh without state chunks"}};
  for (const auto& c : cases)
  {
    Bytes file = TwoProgramBank();
    std::memcpy(file.data() + c.offset, c.bytes, std::strlen(c.bytes));
    ExpectRefused(file, true, c.what);
  }
}

TEST_F(PresetFileTest, TruncatedBanksAndProgramCountsThatDoNotFitTheFileAreRefused)
{
  Disturb();
  const Bytes whole = TwoProgramBank();
  ASSERT_EQ(whole.size(), 156u + 2u * 64u);
  for (long len : {0, 31, 155, 156, 200, 219, 220, 283})
    ExpectRefused(Bytes(whole.begin(), whole.begin() + len), true, "length " + std::to_string(len));
  for (uint32_t count : {3u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x80000000u})
    ExpectRefused(TwoProgramBank(count), true, "count " + std::to_string(count));
}

TEST_F(PresetFileTest, BankProgramsWithTheWrongParameterCountOrAForeignTagAreRefused)
{
  Disturb();
  Bytes oneParam = BankHeader("FxBk", 0, 2, 0);
  Append(oneParam, ValuesProgram("A", 1.0f, 1.0f));
  Append(oneParam, ProgramHeader("FxCk", 0, "B", 1));
  PutBEFloat(oneParam, 1.0f);
  PutBEFloat(oneParam, 1.0f); // padding so the count check of the bank passes
  ExpectRefused(oneParam, true, "second program has one parameter");

  Bytes stateTag = TwoProgramBank();
  std::memcpy(stateTag.data() + 156 + 8, "FPCh", 4);
  ExpectRefused(stateTag, true, "first program in state form");
}

TEST_F(PresetFileTest, StateFormBankWithOversizedOrDamagedStateIsRefused)
{
  plug.SetStateChunks(true);
  ASSERT_TRUE(plug.SaveBankAsFXB(path.Path()));
  const Bytes valid = ReadFileBytes(path.Path());
  ASSERT_GT(valid.size(), 160u);
  Disturb();

  // The last size claims fewer bytes than the presets need.
  for (uint32_t stateSize : {static_cast<uint32_t>(valid.size()), 0x7FFFFFFFu, 0xFFFFFFFFu,
                             static_cast<uint32_t>(valid.size() - 160 - 5)})
  {
    Bytes file = valid;
    SetBE32At(file, 156, stateSize);
    ExpectRefused(file, true, "state size " + std::to_string(stateSize));
  }
  ExpectRefused(Bytes(valid.begin(), valid.end() - 1), true, "file cut by one byte");
}
