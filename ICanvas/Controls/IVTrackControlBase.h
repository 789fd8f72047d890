#pragma once
// IVTrackControlBase: the abstract base of vector controls that show
// several values side by side, one track per value, each bound to its own
// parameter (or none). Each track shows a filled bar from the base value,
// optionally snapped to steps, with an optional name, a highlighted track,
// a mouse-over track and a peak mark at the bar's value end.
//
// Vertical tracks stand side by side and grow upwards; horizontal tracks
// are stacked and grow rightwards. Step 0 is the bottom slice of a vertical
// control and the right-most slice of a horizontal one.

#include "IControl.h"
#include "IVectorBase.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_PtrList.h"

#include <vector>

namespace weft::canvas {

class IVTrackControlBase : public IControl, public IVectorBase
{
public:
  // One value per parameter, in order (the list must not be empty); names
  // are empty or one per parameter.
  IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style, const std::vector<int>& params,
                     int nSteps = 0, EDirection dir = EDirection::Vertical,
                     const std::vector<const char*>& trackNames = {});
  ~IVTrackControlBase() override;

  void DrawWidget(ICanvas& g) override;
  void DrawBackground(ICanvas& g, const IRECT& r) override;
  virtual void DrawTrack(ICanvas& g, const IRECT& r, int chIdx);
  virtual void DrawTrackBackground(ICanvas& g, const IRECT& r, int chIdx);
  virtual void DrawTrackName(ICanvas& g, const IRECT& r, int chIdx);
  virtual void DrawTrackHandle(ICanvas& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void DrawPeak(ICanvas& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void MakeTrackRects(const IRECT& bounds);
  virtual void MakeStepRects(const IRECT& bounds, int nSteps);

  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  // First track containing the point (right and bottom edges open), else -1.
  int GetValIdxForPos(float x, float y) const override;
  // First step containing the point (edges closed), else -1.
  int GetStepIdxForPos(float x, float y) const;

  bool HasTrackNames() const { return mTrackNames.GetSize() > 0; }
  bool GetStepped() const { return mStepBounds.GetSize() > 0; }
  // "" outside the names.
  const char* GetTrackName(int chIdx) const;
  int NTracks() const { return static_cast<int>(mTrackBounds.GetSize()); }
  IRECT GetTrackBounds(int chIdx) const { return mTrackBounds.Get()[chIdx]; }
  IRECT GetStepBounds(int stepIdx) const { return mStepBounds.Get()[stepIdx]; }
  int GetMouseOverTrack() const { return mMouseOverTrack; }

protected:
  EDirection mDirection;
  LOOM_TypedBuf<IRECT> mTrackBounds;
  LOOM_TypedBuf<IRECT> mStepBounds;
  LOOM_PtrList<LOOM_String> mTrackNames; // owned
  int mNSteps = 0;
  float mTrackPadding = 0.0f;
  float mPeakSize = 1.0f;
  int mHighlightedTrack = -1;
  int mMouseOverTrack = -1;
  double mBaseValue = 0.0;
  bool mDrawTrackFrame = true;
  bool mZeroValueStepHasBounds = true;
};

} // namespace weft::canvas
