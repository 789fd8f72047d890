#pragma once
// SVG handles. SVGHolder owns one parsed image in the process-wide SVG
// cache and frees it with the deleter its creator gives (the parser's own
// delete function); ISVG is a non-owning handle onto the image.

struct NSVGimage;

namespace weft::canvas {

class SVGHolder
{
public:
  using Deleter = void (*)(NSVGimage*);

  SVGHolder(NSVGimage* pImage, Deleter deleter) : mImage(pImage), mDeleter(deleter) {}
  ~SVGHolder()
  {
    if (mImage && mDeleter)
      mDeleter(mImage);
  }
  SVGHolder(const SVGHolder&) = delete;
  SVGHolder& operator=(const SVGHolder&) = delete;

  NSVGimage* GetImage() const noexcept { return mImage; }

private:
  NSVGimage* mImage = nullptr;
  Deleter mDeleter = nullptr;
};

struct ISVG
{
  explicit ISVG(NSVGimage* pImage = nullptr) : mImage(pImage) {}

  bool IsValid() const noexcept { return mImage != nullptr; }
  // The image's width and height; both require an image. Defined with the
  // SVG drawing.
  float W() const;
  float H() const;

  NSVGimage* mImage = nullptr; // not owned
};

} // namespace weft::canvas
