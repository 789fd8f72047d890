#pragma once
// The Audio Unit framework re-exports this part of AudioToolbox.

#include <AudioToolbox/MusicDevice.h>
