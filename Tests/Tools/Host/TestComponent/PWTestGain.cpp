// The host's test component: the binding's test plug-in behind the entry
// points PWTestGain_Factory and PWTestGain_Entry (its header names its view
// class).

#include "TestAUPlugin.h"

IWEFT_AU_ENTRY_POINTS(PWTestGain, pw::test::TestAUPlugin, false)
