#pragma once
// The Core Animation pieces the platform layer draws on: a layer backed by
// Metal drawables.
#include <QuartzCore/CAMetalLayer.h>
