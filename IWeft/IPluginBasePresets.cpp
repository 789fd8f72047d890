// VST-style program (FXP) and bank (FXB) files.
//
// Every int32 field is big-endian and float32 values are stored as their
// big-endian bit patterns; the tags are their four characters in order.
//
// Program record:                       Bank record:
//   0  "CcnK"                             0  "CcnK"
//   4  byte size (0, or 60 + state size)  4  byte size (0, or 160 + state size)
//   8  "FxCk" values / "FPCh" state       8  "FxBk" programs / "FBCh" state
//  12  format version 1                  12  format version 2
//  16  unique ID                         16  unique ID
//  20  plug-in version, decimal          20  plug-in version, decimal
//  24  number of parameters              24  number of presets
//  28  name, 28 bytes, zero-padded       28  current preset index
//  56  float32 per parameter, or         32  124 zero bytes
//      int32 state size and the state   156  a program record (values form)
//                                            per preset, or int32 state size
//                                            and the state
//
// A state is the framework version header followed by SerializeState (a
// program) or SerializePresets (a bank).
//
// Loading reads the whole file and checks every field it will use before it
// changes anything; a state that turns out not to apply is rolled back.

#include "IPluginBase.h"

#include "IWeftUtilities.h"
#include "LOOM_ByteSwap.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace weft {

namespace {

constexpr int32_t FourCC(const char (&tag)[5]) noexcept
{
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(tag[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(tag[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(tag[2])) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(tag[3])));
}

constexpr int32_t kChunkMagic = FourCC("CcnK");
constexpr int32_t kProgramValuesMagic = FourCC("FxCk");
constexpr int32_t kProgramStateMagic = FourCC("FPCh");
constexpr int32_t kBankValuesMagic = FourCC("FxBk");
constexpr int32_t kBankStateMagic = FourCC("FBCh");

constexpr int32_t kProgramFormatVersion = 1;
constexpr int32_t kBankFormatVersion = 2;

constexpr int kProgramNameBytes = 28;
constexpr int kProgramHeaderBytes = 56;
constexpr int kBankReservedBytes = 124;
constexpr int kBankHeaderBytes = 156;
// Header plus the int32 state size.
constexpr int kProgramStateOverhead = kProgramHeaderBytes + 4;
constexpr int kBankStateOverhead = kBankHeaderBytes + 4;

bool PutBE32(IByteChunk& chunk, int32_t value)
{
  const uint32_t bigEndian = LOOM_bswap_if_le(static_cast<uint32_t>(value));
  return chunk.Put(&bigEndian) > 0;
}

bool PutBEFloat(IByteChunk& chunk, float value)
{
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  return PutBE32(chunk, static_cast<int32_t>(bits));
}

int GetBE32(const IByteChunk& chunk, int32_t* pValue, int pos)
{
  uint32_t raw = 0;
  pos = chunk.Get(&raw, pos);
  if (pos >= 0)
    *pValue = static_cast<int32_t>(LOOM_bswap_if_le(raw));
  return pos;
}

int GetBEFloat(const IByteChunk& chunk, float* pValue, int pos)
{
  int32_t bits = 0;
  pos = GetBE32(chunk, &bits, pos);
  if (pos >= 0)
    std::memcpy(pValue, &bits, sizeof(*pValue));
  return pos;
}

struct ProgramHeader
{
  int32_t chunkMagic = 0;
  int32_t byteSize = 0;
  int32_t fxMagic = 0;
  int32_t version = 0;
  int32_t fxID = 0;
  int32_t fxVersion = 0;
  int32_t numParams = 0;
  char name[kProgramNameBytes + 1] = {}; // terminated even when the file's field is full
};

int GetProgramHeader(const IByteChunk& chunk, ProgramHeader& header, int pos)
{
  pos = GetBE32(chunk, &header.chunkMagic, pos);
  pos = GetBE32(chunk, &header.byteSize, pos);
  pos = GetBE32(chunk, &header.fxMagic, pos);
  pos = GetBE32(chunk, &header.version, pos);
  pos = GetBE32(chunk, &header.fxID, pos);
  pos = GetBE32(chunk, &header.fxVersion, pos);
  pos = GetBE32(chunk, &header.numParams, pos);
  return chunk.GetBytes(header.name, kProgramNameBytes, pos);
}

bool PutProgramHeader(IByteChunk& chunk, int32_t byteSize, int32_t fxMagic, int32_t uniqueID, int32_t fxVersion,
                      int32_t numParams, const char* name)
{
  char nameField[kProgramNameBytes] = {};
  const size_t nameLen = name ? strnlen(name, kProgramNameBytes - 1) : 0;
  if (nameLen)
    std::memcpy(nameField, name, nameLen);
  return PutBE32(chunk, kChunkMagic) && PutBE32(chunk, byteSize) && PutBE32(chunk, fxMagic) &&
         PutBE32(chunk, kProgramFormatVersion) && PutBE32(chunk, uniqueID) && PutBE32(chunk, fxVersion) &&
         PutBE32(chunk, numParams) && chunk.PutBytes(nameField, kProgramNameBytes) > 0;
}

// Reads the int32 state size at pos and copies that many bytes into state.
// Returns the position after the state, or -1 for a size that is negative or
// runs past the data.
int GetSizedState(const IByteChunk& chunk, IByteChunk& state, int pos)
{
  int32_t stateSize = 0;
  pos = GetBE32(chunk, &stateSize, pos);
  if (pos < 0 || stateSize < 0 || stateSize > chunk.Size() - pos)
    return -1;
  state.Clear();
  if (stateSize > 0 && state.PutBytes(chunk.GetData() + pos, stateSize) != stateSize)
    return -1;
  return pos + stateSize;
}

// The whole file into chunk; false when it cannot be opened or read whole.
bool ReadFileIntoChunk(const char* fileName, IByteChunk& chunk)
{
  FILE* fp = std::fopen(fileName, "rb");
  if (!fp)
    return false;
  bool readOK = std::fseek(fp, 0, SEEK_END) == 0;
  const long fileSize = readOK ? std::ftell(fp) : -1;
  readOK = readOK && fileSize >= 0 && fileSize <= INT_MAX && std::fseek(fp, 0, SEEK_SET) == 0;
  if (readOK)
  {
    const int size = static_cast<int>(fileSize);
    chunk.Resize(size);
    readOK = chunk.Size() == size &&
             (size == 0 || std::fread(chunk.GetData(), 1, static_cast<size_t>(size), fp) == static_cast<size_t>(size));
  }
  std::fclose(fp);
  return readOK;
}

bool WriteChunkToFile(const char* fileName, const IByteChunk& chunk)
{
  FILE* fp = std::fopen(fileName, "wb");
  if (!fp)
    return false;
  const size_t size = static_cast<size_t>(chunk.Size());
  bool writeOK = size == 0 || std::fwrite(chunk.GetData(), 1, size, fp) == size;
  writeOK = std::fclose(fp) == 0 && writeOK;
  return writeOK;
}

} // namespace

bool IPluginBase::SavePresetAsFXP(const char* fileName) const
{
  if (!CStringHasContents(fileName))
    return false;

  const char* name = GetPresetName(mCurrentPresetIdx);
  const int32_t fxVersion = GetPluginVersion(true);
  IByteChunk pgm;
  bool builtOK = false;
  if (DoesStateChunks())
  {
    IByteChunk state;
    IByteChunk::InitChunkWithIWeftVer(state);
    builtOK = SerializeState(state) && state.Size() <= INT_MAX - kProgramStateOverhead &&
              PutProgramHeader(pgm, kProgramStateOverhead + state.Size(), kProgramStateMagic, GetUniqueID(), fxVersion,
                               NParams(), name) &&
              PutBE32(pgm, state.Size()) && pgm.PutChunk(state) > 0;
  }
  else
  {
    builtOK = PutProgramHeader(pgm, 0, kProgramValuesMagic, GetUniqueID(), fxVersion, NParams(), name);
    for (int i = 0; i < NParams() && builtOK; ++i)
      builtOK = PutBEFloat(pgm, static_cast<float>(GetParam(i)->GetNormalized()));
  }
  return builtOK && WriteChunkToFile(fileName, pgm);
}

bool IPluginBase::SaveBankAsFXB(const char* fileName) const
{
  if (!CStringHasContents(fileName))
    return false;

  const int32_t fxVersion = GetPluginVersion(true);
  const char reserved[kBankReservedBytes] = {};
  IByteChunk bank;
  auto putBankHeader = [&](int32_t byteSize, int32_t fxMagic) {
    return PutBE32(bank, kChunkMagic) && PutBE32(bank, byteSize) && PutBE32(bank, fxMagic) &&
           PutBE32(bank, kBankFormatVersion) && PutBE32(bank, GetUniqueID()) && PutBE32(bank, fxVersion) &&
           PutBE32(bank, NPresets()) && PutBE32(bank, mCurrentPresetIdx) &&
           bank.PutBytes(reserved, kBankReservedBytes) > 0;
  };

  bool builtOK = false;
  if (DoesStateChunks())
  {
    IByteChunk state;
    IByteChunk::InitChunkWithIWeftVer(state);
    builtOK = SerializePresets(state) && state.Size() <= INT_MAX - kBankStateOverhead &&
              putBankHeader(kBankStateOverhead + state.Size(), kBankStateMagic) && PutBE32(bank, state.Size()) &&
              bank.PutChunk(state) > 0;
  }
  else
  {
    builtOK = putBankHeader(0, kBankValuesMagic);
    for (int p = 0; p < NPresets() && builtOK; ++p)
    {
      const IPreset* pPreset = mPresets.Get(p);
      builtOK = PutProgramHeader(bank, 0, kProgramValuesMagic, GetUniqueID(), fxVersion, NParams(), pPreset->mName);
      // The stored state read as a parameter block; 0 where it runs short.
      int pos = 0;
      for (int i = 0; i < NParams() && builtOK; ++i)
      {
        double value = 0.0;
        pos = pPreset->mChunk.Get(&value, pos);
        builtOK = PutBEFloat(bank, static_cast<float>(GetParam(i)->ToNormalized(value)));
      }
    }
  }
  return builtOK && WriteChunkToFile(fileName, bank);
}

bool IPluginBase::LoadPresetFromFXP(const char* fileName)
{
  if (!CStringHasContents(fileName))
    return false;
  IByteChunk pgm;
  if (!ReadFileIntoChunk(fileName, pgm))
    return false;

  ProgramHeader header;
  int pos = GetProgramHeader(pgm, header, 0);
  if (pos < 0 || header.chunkMagic != kChunkMagic || header.version != kProgramFormatVersion ||
      header.fxID != GetUniqueID())
    return false;

  if (DoesStateChunks() && header.fxMagic == kProgramStateMagic)
  {
    IByteChunk state;
    if (GetSizedState(pgm, state, pos) < 0)
      return false;
    int statePos = 0;
    IByteChunk::GetIWeftVerFromChunk(state, statePos);
    if (UnserializeStateOrRollBack(state, statePos) < 0)
      return false;
  }
  else if (header.fxMagic == kProgramValuesMagic)
  {
    std::vector<float> values(static_cast<size_t>(NParams()), 0.0f);
    for (float& value : values)
      pos = GetBEFloat(pgm, &value, pos);
    if (pos < 0)
      return false;
    for (int i = 0; i < NParams(); ++i)
    {
      const float value = values[static_cast<size_t>(i)];
      if (std::isfinite(value))
        GetParam(i)->SetNormalized(value);
    }
  }
  else
  {
    return false;
  }

  ModifyCurrentPreset(header.name);
  RestorePreset(mCurrentPresetIdx);
  InformHostOfPresetChange();
  return true;
}

bool IPluginBase::LoadBankFromFXB(const char* fileName)
{
  if (!CStringHasContents(fileName))
    return false;
  IByteChunk bank;
  if (!ReadFileIntoChunk(fileName, bank))
    return false;

  int32_t chunkMagic = 0, byteSize = 0, fxMagic = 0, version = 0, fxID = 0, fxVersion = 0, numPgms = 0,
          currentPgm = 0;
  int pos = GetBE32(bank, &chunkMagic, 0);
  pos = GetBE32(bank, &byteSize, pos);
  pos = GetBE32(bank, &fxMagic, pos);
  pos = GetBE32(bank, &version, pos);
  pos = GetBE32(bank, &fxID, pos);
  pos = GetBE32(bank, &fxVersion, pos);
  pos = GetBE32(bank, &numPgms, pos);
  pos = GetBE32(bank, &currentPgm, pos);
  char reserved[kBankReservedBytes];
  pos = bank.GetBytes(reserved, kBankReservedBytes, pos);
  if (pos < 0 || chunkMagic != kChunkMagic || fxID != GetUniqueID())
    return false;

  if (DoesStateChunks() && fxMagic == kBankStateMagic)
  {
    IByteChunk state;
    if (GetSizedState(bank, state, pos) < 0)
      return false;
    int statePos = 0;
    IByteChunk::GetIWeftVerFromChunk(state, statePos);
    if (UnserializePresets(state, statePos) < 0)
      return false;
    InformHostOfPresetChange();
    return true;
  }

  if (fxMagic != kBankValuesMagic)
    return false;

  // Every program the file claims must fit in it; only as many as this
  // plug-in has presets are read and applied.
  const long long programBytes = kProgramHeaderBytes + 4LL * NParams();
  if (numPgms < 0 || numPgms * programBytes > static_cast<long long>(bank.Size() - pos))
    return false;
  const int nLoad = numPgms < NPresets() ? numPgms : NPresets();

  struct Program
  {
    char name[kProgramNameBytes + 1];
    std::vector<float> values;
  };
  std::vector<Program> programs(static_cast<size_t>(nLoad));
  for (Program& program : programs)
  {
    ProgramHeader header;
    pos = GetProgramHeader(bank, header, pos);
    if (pos < 0 || header.chunkMagic != kChunkMagic || header.fxMagic != kProgramValuesMagic ||
        header.version != kProgramFormatVersion || header.numParams != NParams())
      return false;
    std::memcpy(program.name, header.name, sizeof(program.name));
    program.values.assign(static_cast<size_t>(NParams()), 0.0f);
    for (float& value : program.values)
      pos = GetBEFloat(bank, &value, pos);
    if (pos < 0)
      return false;
  }

  for (int k = 0; k < nLoad; ++k)
  {
    const Program& program = programs[static_cast<size_t>(k)];
    SelectPresetForOverwrite(k);
    for (int i = 0; i < NParams(); ++i)
    {
      const float value = program.values[static_cast<size_t>(i)];
      if (std::isfinite(value))
        GetParam(i)->SetNormalized(value);
    }
    ModifyCurrentPreset(program.name);
  }
  RestorePreset(currentPgm);
  InformHostOfPresetChange();
  return true;
}

} // namespace weft
