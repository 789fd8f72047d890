// FXP program and FXB bank files: byte layout, round trips and refusal of
// damaged or foreign files.

#include "TempFolder.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace weft;
using pw::test::BytesOf;
using pw::test::TestPlugin;

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
  for (int i = 0; i < 4; ++i)
    b[offset + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

void PutLE(Bytes& b, const void* p, size_t n)
{
  const auto* bytes = static_cast<const uint8_t*>(p);
  b.insert(b.end(), bytes, bytes + n);
}

// "CcnK", byte size, form tag, format version, ID and plug-in version.
Bytes Header(const char* form, uint32_t byteSize, uint32_t formatVersion)
{
  Bytes b;
  PutLE(b, "CcnK", 4);
  PutBE32(b, byteSize);
  PutLE(b, form, 4);
  for (uint32_t v : {formatVersion, static_cast<uint32_t>(kID), static_cast<uint32_t>(kDecimalVersion)})
    PutBE32(b, v);
  return b;
}

// A program's head: the header, 2 parameters and the 28-byte name.
Bytes ProgramHead(const char* form, uint32_t byteSize, const char* name)
{
  Bytes b = Header(form, byteSize, 1);
  PutBE32(b, 2);
  Bytes field(28, 0);
  std::memcpy(field.data(), name, std::strlen(name));
  b.insert(b.end(), field.begin(), field.end());
  return b;
}

// A parameter-form program holding two normalised values.
Bytes ValuesProgram(const char* name, float v0, float v1)
{
  Bytes b = ProgramHead("FxCk", 0, name);
  for (float f : {v0, v1})
  {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutBE32(b, bits);
  }
  return b;
}

// Everything a failed load must leave as it was: every preset's name, flag
// and state, the current preset and the parameter values.
Bytes Snapshot(const TestPlugin& plug)
{
  IByteChunk chunk;
  plug.SerializePresets(chunk);
  plug.SerializeParams(chunk);
  const int current = plug.GetCurrentPresetIdx();
  chunk.Put(&current);
  return BytesOf(chunk);
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

  // What plug writes in the given form.
  Bytes Saved(bool bank, bool stateChunks)
  {
    plug.SetStateChunks(stateChunks);
    EXPECT_TRUE(bank ? plug.SaveBankAsFXB(path.c_str()) : plug.SavePresetAsFXP(path.c_str()));
    const std::string text = folder.ReadText("file.fx");
    return Bytes(text.begin(), text.end());
  }

  // Sets values that no test file holds: the reference for "nothing changed".
  void ExpectRefused(const Bytes& file, bool bank, const std::string& what)
  {
    plug.GetParam(0)->Set(-3.0);
    plug.GetParam(1)->Set(2);
    folder.WriteText("file.fx", std::string(file.begin(), file.end()));
    const Bytes before = Snapshot(plug);
    plug.ClearNotes();
    EXPECT_FALSE(bank ? plug.LoadBankFromFXB(path.c_str()) : plug.LoadPresetFromFXP(path.c_str())) << what;
    EXPECT_EQ(Snapshot(plug), before) << what;
    EXPECT_EQ(plug.Notes().presetChangesToHost, 0) << what;
  }

  TestPlugin plug{2, 2};
  pw::test::TempFolder folder;
  const std::string path = folder.Path("file.fx");
};

} // namespace

TEST_F(PresetFileTest, ParameterFormProgramIs64BigEndianBytesWithTheNameCutTo27Characters)
{
  plug.ModifyCurrentPreset("A program name far longer than the field");
  const Bytes expected = ValuesProgram("A program name far longer t", 0.75f, 0.25f);
  ASSERT_EQ(expected.size(), 64u);
  EXPECT_EQ(Saved(false, false), expected);
}

TEST_F(PresetFileTest, StateFormProgramHoldsTheNameAndTheSerializedStateWithSize60PlusState)
{
  Bytes state = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  const double values[2] = {6.0, 1.0};
  PutLE(state, values, 16);
  Bytes expected = ProgramHead("FPCh", 60 + static_cast<uint32_t>(state.size()), "Init");
  PutBE32(expected, static_cast<uint32_t>(state.size()));
  expected.insert(expected.end(), state.begin(), state.end());
  EXPECT_EQ(Saved(false, true), expected);
}

TEST_F(PresetFileTest, StateFormBankHoldsSerializedPresetsWithSize160PlusState)
{
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
  Bytes expected = Header("FBCh", 160 + static_cast<uint32_t>(state.size()), 2);
  PutBE32(expected, 2); // presets, the current one and 124 zero bytes
  PutBE32(expected, 0);
  expected.insert(expected.end(), 124, 0);
  PutBE32(expected, static_cast<uint32_t>(state.size()));
  expected.insert(expected.end(), state.begin(), state.end());
  EXPECT_EQ(Saved(true, true), expected);
}

TEST_F(PresetFileTest, SavingToAnEmptyOrUnopenablePathFails)
{
  const std::string bad = folder.Path("missing/dir.fxp");
  for (const char* p : {"", static_cast<const char*>(nullptr), bad.c_str()})
    EXPECT_FALSE(plug.SavePresetAsFXP(p) || plug.SaveBankAsFXB(p));
}

TEST_F(PresetFileTest, BanksAndProgramsRoundTripInBothForms)
{
  plug.RestorePreset(1);
  for (bool stateChunks : {false, true})
  {
    SCOPED_TRACE(stateChunks ? "state form" : "parameter form");
    TestPlugin loader(2, 2);
    InitParams(loader);
    loader.SetStateChunks(stateChunks);
    loader.SetCurrentPresetIdx(1); // a state-form bank keeps the loader's current preset
    Saved(true, stateChunks);
    ASSERT_TRUE(loader.LoadBankFromFXB(path.c_str()));
    EXPECT_EQ(Snapshot(loader), Snapshot(plug));

    loader.SetStateHeader(stateChunks); // a program's state goes through the plug-in's own state form
    plug.SetStateHeader(stateChunks);
    plug.GetParam(0)->Set(-9.0); // normalised 0.125, exact as a float
    plug.ModifyCurrentPreset("Saved");
    Saved(false, stateChunks);
    loader.SetCurrentPresetIdx(0);
    ASSERT_TRUE(loader.LoadPresetFromFXP(path.c_str())); // into the current preset
    EXPECT_EQ(std::vector<double>({loader.GetParam(0)->Value(), loader.GetParam(1)->Value()}),
              std::vector<double>({-9.0, 3.0}));
    EXPECT_EQ(std::string(loader.GetPresetName(0)) + "|" + loader.GetPresetName(1), "Saved|Other");
    EXPECT_EQ(loader.Notes().presetChangesToHost, 2);
    plug.SetStateHeader(false);
    plug.ModifyCurrentPreset("Other");
  }
}

TEST_F(PresetFileTest, BankWithMoreProgramsThanPresetsIgnoresTheExtraPrograms)
{
  Bytes file = Saved(true, false);
  SetBE32At(file, 24, 3);
  const Bytes third = ValuesProgram("C", 1.0f, 1.0f);
  file.insert(file.end(), third.begin(), third.end());
  plug.GetParam(0)->Set(-3.0);
  folder.WriteText("file.fx", std::string(file.begin(), file.end()));
  ASSERT_TRUE(plug.LoadBankFromFXB(path.c_str()));
  ASSERT_EQ(plug.NPresets(), 2);
  EXPECT_STREQ(plug.GetPresetName(1), "Other");
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 6.0); // program 0 is current
}

TEST_F(PresetFileTest, FullWidthNameIsReadTerminatedAndNonFiniteValuesLeaveTheirParametersAlone)
{
  plug.GetParam(0)->Set(-3.0);
  Bytes file = ValuesProgram("", std::numeric_limits<float>::quiet_NaN(), 1.0f);
  std::memset(file.data() + 28, 'x', 28);
  folder.WriteText("file.fx", std::string(file.begin(), file.end()));
  ASSERT_TRUE(plug.LoadPresetFromFXP(path.c_str()));
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(28, 'x'));
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), -3.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(1)->Value(), 4.0);
}

// --- Damaged and foreign files

// Damaged copies of each kind of file plug saves: cut to a length, with
// bytes written at an offset, or with a big-endian word written at wordAt.
// Parameter-form program: 64 bytes. State-form program: state size at 56.
// Parameter-form bank: 156 + 2 x 64 bytes, count at 24. State-form bank: 219
// bytes, state size at 156 (54 bytes are fewer than the presets need).
struct Damages
{
  bool bank, stateForm;
  std::vector<size_t> cuts;
  std::vector<std::pair<size_t, const char*>> patches;
  size_t wordAt;
  std::vector<uint32_t> words;
};

const Damages kDamages[] = {
  {false, false, {0, 27, 55, 59, 63}, {{0, "c"}, {19, "u"}, {15, "\x02"}, {8, "FxBk"}}, 0, {}},
  {false, true, {}, {}, 56, {16, 25, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF}},
  {true, false, {0, 155, 156, 219, 283}, {{3, "k"}, {19, "u"}, {8, "FxCk"}, {8, "FBCh"}, {164, "FPCh"}, {247, "\x01"}},
   24, {3, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF}},
  {true, true, {218}, {}, 156, {219, 54, 0x7FFFFFFF, 0xFFFFFFFF}},
};

TEST_F(PresetFileTest, DamagedOrForeignFilesAreRefusedWithNothingChanged)
{
  EXPECT_FALSE(plug.LoadPresetFromFXP(nullptr));
  EXPECT_FALSE(plug.LoadPresetFromFXP(path.c_str()) || plug.LoadBankFromFXB(path.c_str())) << "no such file";
  ASSERT_EQ(Saved(true, true).size(), 219u);
  for (const Damages& d : kDamages)
  {
    const std::string kind = std::string(d.stateForm ? "state-form " : "") + (d.bank ? "bank" : "program");
    for (size_t cut : d.cuts)
    {
      Bytes file = Saved(d.bank, d.stateForm);
      file.resize(cut);
      ExpectRefused(file, d.bank, kind + " cut to " + std::to_string(cut));
    }
    for (const auto& [offset, bytes] : d.patches)
    {
      Bytes file = Saved(d.bank, d.stateForm);
      std::memcpy(file.data() + offset, bytes, std::strlen(bytes));
      ExpectRefused(file, d.bank, kind + " with '" + bytes + "' at " + std::to_string(offset));
    }
    for (uint32_t word : d.words)
    {
      Bytes file = Saved(d.bank, d.stateForm);
      SetBE32At(file, d.wordAt, word);
      ExpectRefused(file, d.bank, kind + " with " + std::to_string(word) + " at " + std::to_string(d.wordAt));
    }
  }

  const Bytes program = Saved(false, true);
  plug.SetStateChunks(false);
  ExpectRefused(program, false, "state-form program without state chunks");
  plug.SetStateChunks(true);
  plug.SetStateHeader(true);
  ExpectRefused(program, false, "a state the plug-in refuses");
}
