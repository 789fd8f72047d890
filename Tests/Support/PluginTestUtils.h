#pragma once
// Helpers shared by the tests of plug-ins: one configuration record for the
// framework's test plug-ins, a plug-in's parameter values and a chunk's bytes.

#include "IWeftConfig.h"

#include <cstdint>
#include <vector>

namespace pw::test {

// The test plug-ins' configuration: "TestPlugin" by "Acme" ("Test"/"Acme"
// IDs unless given), version 1.2.3, chunks, a 640 x 480 editor resizable
// from 200 x 150 to 1200 x 900.
inline weft::Config MakeTestConfig(const char* channelIO = "2-2", int nParams = 1, int nPresets = 0,
                                   bool hasUI = false, int plugType = 0, bool doesMidiIn = false, int latency = 0,
                                   int uniqueID = 0x54657374, const char* bundleID = "com.acme.test")
{
  return weft::Config(nParams, nPresets, channelIO, "TestPlugin", "Test Product", "Acme", 0x010203, uniqueID,
                      0x41636d65, latency, doesMidiIn, false, false, true, plugType, hasUI, 640, 480, true, 200, 1200,
                      150, 900, bundleID, "group.com.acme");
}

// Every parameter's current value, in index order.
template <class Plug>
std::vector<double> ValuesOf(const Plug& plug)
{
  std::vector<double> values;
  for (int i = 0; i < plug.NParams(); ++i)
    values.push_back(plug.GetParam(i)->Value());
  return values;
}

template <class Plug>
void SetValues(Plug& plug, const std::vector<double>& values)
{
  for (int i = 0; i < plug.NParams(); ++i)
    plug.GetParam(i)->Set(values[static_cast<size_t>(i)]);
}

// The bytes a chunk holds.
template <class Chunk>
std::vector<uint8_t> BytesOf(const Chunk& chunk)
{
  return chunk.Size() ? std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size()) : std::vector<uint8_t>();
}

} // namespace pw::test
