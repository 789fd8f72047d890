#pragma once
// An editor delegate that records what reaches it: the parameter calls of
// the plug-in side as "Name(args)" (running the default bodies, so their own
// chains stay observable) and a copy of every control message.

#include "IEditorDelegate.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pw::test {

class RecordingDelegate : public weft::IEditorDelegate
{
public:
  struct Message
  {
    int ctrlTag, msgTag, dataSize;
    std::vector<uint8_t> bytes;

    // The message's data read as a T (zeroed where it is shorter).
    template <class T>
    T As() const
    {
      T value{};
      std::memcpy(&value, bytes.data(), bytes.size() < sizeof(T) ? bytes.size() : sizeof(T));
      return value;
    }
  };

  explicit RecordingDelegate(int nParams = 0) : IEditorDelegate(nParams) {}

  void OnUIOpen() override
  {
    log.push_back("OnUIOpen");
    IEditorDelegate::OnUIOpen();
  }
  void OnParamChange(int idx, weft::EParamSource source, int offset) override
  {
    log.push_back(Call("OnParamChange", idx, "," + Source(source) + "," + std::to_string(offset)));
    IEditorDelegate::OnParamChange(idx, source, offset);
  }
  void OnParamChange(int idx) override { log.push_back(Call("OnParamChange", idx)); }
  void OnParamChangeUI(int idx, weft::EParamSource source) override
  {
    log.push_back(Call("OnParamChangeUI", idx, "," + Source(source)));
  }
  void SendParameterValueFromDelegate(int idx, double value, bool normalized) override
  {
    log.push_back(Call("Send", idx, "," + std::to_string(value) + (normalized ? ",true" : ",false")));
    IEditorDelegate::SendParameterValueFromDelegate(idx, value, normalized);
  }
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) override
  {
    const auto* p = static_cast<const uint8_t*>(pData);
    messages.push_back({ctrlTag, msgTag, dataSize, p && dataSize > 0 ? std::vector<uint8_t>(p, p + dataSize)
                                                                       : std::vector<uint8_t>()});
  }
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}

  std::vector<std::string> log;
  std::vector<Message> messages;

private:
  static std::string Call(const char* name, int idx, const std::string& rest = "")
  {
    return std::string(name) + "(" + std::to_string(idx) + rest + ")";
  }
  static std::string Source(weft::EParamSource source) { return weft::ParamSourceStrs[source]; }
};

} // namespace pw::test
