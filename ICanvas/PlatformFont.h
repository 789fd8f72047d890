#pragma once
// PlatformFont: the platform's loaded font, the base class each platform
// layer derives its own from. The drawing context owns loaded fonts through
// PlatformFontPtr until the back end has taken their bytes.

#include "IFontInfo.h"

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

  // The platform's font descriptor; none in the base.
  virtual void* GetDescriptor() { return nullptr; }
  // The font's bytes and face; the base gives an invalid, empty one.
  virtual IFontDataPtr GetFontData();

  // The first face of the file or collection whose style name equals
  // styleName (any named face when styleName is empty); -1 when none.
  static int GetFaceIdx(const void* data, int dataSize, const char* styleName);

  bool IsSystem() const noexcept { return mSystem; }

private:
  bool mSystem;
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;

} // namespace weft::canvas
