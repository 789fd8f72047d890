#pragma once
// The Core Animation pieces the platform layer draws on: a layer backed by
// Metal drawables.
#include <QuartzCore/CABase.h>
#include <QuartzCore/CAMetalLayer.h>
