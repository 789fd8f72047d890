#pragma once
// PlatformFont: the platform's loaded font, the base class each platform
// layer derives its own from. The drawing context owns loaded fonts through
// PlatformFontPtr until the back end has taken their bytes.

#include <memory>

namespace weft::canvas {

class PlatformFont
{
public:
  // isSystem: an installed font found by name rather than a file.
  explicit PlatformFont(bool isSystem) : mSystem(isSystem) {}
  virtual ~PlatformFont() = default;
  PlatformFont(const PlatformFont&) = delete;
  PlatformFont& operator=(const PlatformFont&) = delete;

  bool IsSystem() const noexcept { return mSystem; }

private:
  bool mSystem;
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;

} // namespace weft::canvas
