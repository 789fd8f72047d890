// The exported entry points of the test plug-ins, as a product defines them.

#include "TestAUPlugin.h"

IWEFT_AU_ENTRY_POINTS(TestAUPlugin, pw::test::TestAUPlugin, false)
IWEFT_AU_ENTRY_POINTS(TestAUMidiPlugin, pw::test::TestAUMidiPlugin, true)
IWEFT_AU_ENTRY_POINTS(TestAUTwoOutPlugin, pw::test::TestAUTwoOutPlugin, false)
