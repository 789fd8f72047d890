#pragma once
// SVG handles. SVGHolder owns one parsed image in the process-wide SVG
// cache and frees it with the deleter its creator gives (the parser's own
// delete function); ISVG is a non-owning handle onto the image.

namespace weft::svg {
struct SVGImage;
} // namespace weft::svg

namespace weft::canvas {

using weft::svg::SVGImage;

class SVGHolder
{
public:
  using Deleter = void (*)(SVGImage*);

  SVGHolder(SVGImage* pImage, Deleter deleter) : mImage(pImage), mDeleter(deleter) {}
  ~SVGHolder()
  {
    if (mImage && mDeleter)
      mDeleter(mImage);
  }
  SVGHolder(const SVGHolder&) = delete;
  SVGHolder& operator=(const SVGHolder&) = delete;

  SVGImage* GetImage() const noexcept { return mImage; }

private:
  SVGImage* mImage = nullptr;
  Deleter mDeleter = nullptr;
};

struct ISVG
{
  explicit ISVG(SVGImage* pImage = nullptr) : mImage(pImage) {}

  bool IsValid() const noexcept { return mImage != nullptr; }
  // The image's width and height; both require an image. Defined with the
  // SVG drawing.
  float W() const;
  float H() const;

  SVGImage* mImage = nullptr; // not owned
};

} // namespace weft::canvas
