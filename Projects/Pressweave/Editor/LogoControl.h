#pragma once
// The product logo: four slanted bars, filled in white, fitted into the
// control's rectangle with their proportions kept and aligned top left.
// Threads: main thread.

#include "IControl.h"

namespace pressweave {

class LogoControl : public weft::canvas::IControl
{
public:
  // The logo's design box in its own units.
  static constexpr float kDesignWidth = 1622.8539f;
  static constexpr float kDesignHeight = 1001.0f;

  explicit LogoControl(const weft::canvas::IRECT& bounds);
  ~LogoControl() override = default;

  void Draw(weft::canvas::ICanvas& g) override;
  // The four bars with their design origin at (x, y), design units times scale.
  void DrawFill(weft::canvas::ICanvas& g, float x, float y, float scale, const weft::canvas::IColor& color);
};

} // namespace pressweave
