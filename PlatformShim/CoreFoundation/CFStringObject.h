#pragma once
// Internal to the stand-in: the object behind a CFStringRef. The text is kept
// as valid UTF-8 and never changes after construction, so a string may be
// read from any thread.

#include "CFValueObject.h"

#include <string>
#include <string_view>

namespace pwshim {

class CFStringObject final : public CFValueObject
{
public:
  // utf8 must be valid UTF-8 (see UTF16LengthOfUTF8).
  CFStringObject(std::string utf8, CFIndex utf16Length, Lifetime lifetime = Lifetime::Counted);

  const std::string& Text() const noexcept { return mText; }
  CFIndex UTF16Length() const noexcept { return mUTF16Length; }

  bool Equal(const CFValueObject& other) const noexcept override;
  CFHashCode Hash() const noexcept override;
  std::string Describe() const override;

  // A new string (one reference, the caller's) holding utf8; null when utf8
  // is not valid UTF-8 or memory runs out.
  static CFStringRef Create(std::string_view utf8) noexcept;

private:
  const std::string mText;
  const CFIndex mUTF16Length;
};

// The string behind cf; null for null or any other kind of object.
const CFStringObject* StringFromRef(CFTypeRef cf) noexcept;

// UTF-16 code units needed for the UTF-8 text, or -1 when it is not valid
// UTF-8 (overlong forms, surrogate code points, values above U+10FFFF and
// truncated sequences are refused).
CFIndex UTF16LengthOfUTF8(std::string_view utf8) noexcept;

// Reference <-> object, keeping the reference pointing at the CFObject base.
template <class Ref>
Ref ToRef(const CFObject* object) noexcept
{
  return static_cast<Ref>(const_cast<void*>(static_cast<const void*>(object)));
}

} // namespace pwshim
