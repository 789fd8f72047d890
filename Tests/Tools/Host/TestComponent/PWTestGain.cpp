// The host's test component: the binding's test plug-in behind the entry
// points PWTestGain_Factory and PWTestGain_Entry, under the identity its
// bundle declares (subtype TGan, manufacturer PWts), so that the state it
// saves names the component a host knows it by.

#include "TestAUPlugin.h"

namespace pw::test {

class PWTestGainPlugin final : public TestAUPlugin
{
public:
  explicit PWTestGainPlugin(const weft::InstanceInfo& info)
  : TestAUPlugin(info, Config())
  {}

private:
  static weft::Config Config()
  {
    weft::Config config = MakeTestAUConfig();
    config.uniqueID = 'T' << 24 | 'G' << 16 | 'a' << 8 | 'n';
    config.mfrID = 'P' << 24 | 'W' << 16 | 't' << 8 | 's';
    return config;
  }
};

} // namespace pw::test

IWEFT_AU_VIEW_CLASS(PWTestGain, pw::test::PWTestGainPlugin)
IWEFT_AU_ENTRY_POINTS(PWTestGain, pw::test::PWTestGainPlugin, false)
