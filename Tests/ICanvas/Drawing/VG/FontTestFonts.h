#pragma once
// Test fonts from the Debian packages fonts-roboto-unhinted and fonts-droid-fallback.

constexpr const char* kRobotoPath = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";
constexpr const char* kCjkPath = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf";
