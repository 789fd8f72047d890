#pragma once
// IVectorBase: the mix-in of every vector-drawn control, inherited beside
// IControl. It keeps its own copy of an IVStyle, a label and a value string,
// and lays out three rectangles inside the control (label, widget, value).
// A deriving control calls AttachIControl at the end of its constructor,
// MakeRects from OnResize, and in Draw the DrawBackground, DrawLabel,
// DrawWidget and DrawValue steps in the order it wants. It also draws the
// pressable faces (rectangle, ellipse, triangle) and the click splash.
//
// Threads: main (UI) thread only.

#include "IBlend.h"
#include "IColor.h"
#include "IRECT.h"
#include "IVStyle.h"
#include "IVec2.h"
#include "LOOM_String.h"

namespace weft::canvas {

class ICanvas;
class IControl;

class IVectorBase
{
public:
  // Starts from DEFAULT_STYLE, then applies style through this class's own
  // SetStyle (an override in a deriving class is not reached from here).
  IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false);
  IVectorBase(const IVectorBase&) = delete;
  IVectorBase& operator=(const IVectorBase&) = delete;

  // --- Virtual operations, in slot order.
  virtual ~IVectorBase() = default;
  // Called after the style, value string or splash change; empty here.
  virtual void OnStyleChanged() {}
  virtual void SetStyle(const IVStyle& style);
  // Fills r in kBG with the control's blend.
  virtual void DrawBackground(ICanvas& g, const IRECT& r);
  virtual void DrawWidget(ICanvas& /*g*/) {}
  virtual void DrawLabel(ICanvas& g);
  // The translucent mouse-over patch is drawn even when the value is hidden.
  virtual void DrawValue(ICanvas& g, bool mouseOver);
  // Rectangle and AllRounded: all corners rounded; TopRounded: the two top
  // corners; Triangle turned by the style's angle; other values: nothing.
  virtual void DrawPressableShape(ICanvas& g, EVShape shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                  bool disabled);

  // A null label leaves the label empty.
  void AttachIControl(IControl* pControl, const char* label);
  IControl* GetControl() const { return mControl; }

  // color must be a slot (0..8).
  const IColor& GetColor(EVColor color) const { return mStyle.colorSpec.mColors[color]; }
  // Replaces one colour and redraws the control (once attached).
  void SetColor(EVColor color, const IColor& c);
  // Copies all nine colours; no redraw.
  void SetColors(const IVColorSpec& spec);
  const IVStyle& GetStyle() const { return mStyle; }

  // Redraws the control (once attached), then OnStyleChanged.
  void SetValueStr(const char* str);
  const char* GetValueStr() const { return mValueStr.Get(); }
  const char* GetLabelStr() const { return mLabelStr.Get(); }

  IRECT GetWidgetBounds() const { return mWidgetBounds; }
  const IRECT& GetLabelBounds() const { return mLabelBounds; }
  const IRECT& GetValueBounds() const { return mValueBounds; }

  // Splash centre in UI coordinates; radius as a fraction of the maximum.
  void SetSplashPoint(float x, float y);
  void SetSplashRadius(float fraction);
  IVec2 GetSplashPoint() const { return mSplashPoint; }
  float GetSplashRadius() const { return mSplashRadius; }

  // Lays out the label, widget and value rectangles inside parent and
  // returns parent less the label strip (the caller's hit rectangle).
  // hasHandle: the widget is the handle rectangle (room for frame and
  // shadow) instead of the area beside the value strip. Texts are measured
  // by the control's drawing context; without one they measure empty.
  IRECT MakeRects(const IRECT& parent, bool hasHandle = false);
  // r inset by half the frame thickness (with a frame), then with room for
  // the shadow at the left, right and bottom (with shadows).
  IRECT GetAdjustedHandleBounds(IRECT r) const;
  // roundness x half the shorter side.
  float GetRoundedCornerRadius(const IRECT& r) const;

  // --- Pressable faces. Each draws shadow, face, highlight, splash (while
  // pressed and animating) and frame, in that order; disabled faces are
  // darkened. The rectangle and triangle return the handle they drew in.
  IRECT DrawPressableRectangle(ICanvas& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                               bool rTL = true, bool rTR = true, bool rBL = true, bool rBR = true);
  void DrawPressableEllipse(ICanvas& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled);
  // angle in degrees: the apex points up at 0 and turns clockwise.
  IRECT DrawPressableTriangle(ICanvas& g, const IRECT& bounds, bool pressed, bool mouseOver, float angle,
                              bool disabled);
  // The splash circle in kHL, clipped to clip (the empty rectangle: only
  // the region being drawn).
  void DrawSplash(ICanvas& g, const IRECT& clip = IRECT());

protected:
  // The control's blend, or none before attachment.
  const IBlend* ControlBlend() const;
  bool ControlIsAnimating() const;

  IControl* mControl = nullptr; // not owned
  IVStyle mStyle = DEFAULT_STYLE;
  bool mLabelInWidget = false;
  bool mValueInWidget = false;
  float mSplashRadius = 0.0f;
  IVec2 mSplashPoint;
  float mMaxSplashRadius = 50.0f;
  // Track thickness of the knobs and sliders that derive from this.
  float mTrackSize = 2.0f;
  // Half-width of the value strip as a fraction of the measured text width.
  float mValueWidthFrac = 0.66f;
  IRECT mWidgetBounds;
  IRECT mLabelBounds;
  IRECT mValueBounds;
  LOOM_String mLabelStr;
  LOOM_String mValueStr;
  EVShape mShape = EVShape::Rectangle;
};

} // namespace weft::canvas
