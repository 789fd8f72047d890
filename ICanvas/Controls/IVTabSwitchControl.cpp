#include "IVTabSwitchControl.h"

#include "ICanvas.h"
#include "IParam.h"

namespace weft::canvas {

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, int paramIdx, const std::vector<const char*>& options,
                                       const char* label, const IVStyle& style, EVShape shape, EDirection direction)
: ISwitchControlBase(bounds, paramIdx, SplashClickActionFunc, static_cast<int>(options.size()))
, IVectorBase(style)
, mDirection(direction)
{
  Init(options, label, style, shape);
}

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc,
                                       const std::vector<const char*>& options, const char* label,
                                       const IVStyle& style, EVShape shape, EDirection direction)
: ISwitchControlBase(bounds, kNoParameter, std::move(actionFunc), static_cast<int>(options.size()))
, IVectorBase(style)
, mDirection(direction)
{
  Init(options, label, style, shape);
}

void IVTabSwitchControl::Init(const std::vector<const char*>& options, const char* label, const IVStyle& style,
                              EVShape shape)
{
  AttachIControl(this, label);
  mText = style.valueText;
  mStyle.valueText.mAlign = mText.mAlign = EAlign::Center;
  mStyle.valueText.mVAlign = mText.mVAlign = EVAlign::Middle;
  mShape = shape;
  for (const char* option : options)
    AddLabel(option);
}

IVTabSwitchControl::~IVTabSwitchControl() { mTabLabels.Empty(true); }

void IVTabSwitchControl::AddLabel(const char* str)
{
  auto* pStr = new LOOM_String(str);
  if (!mTabLabels.Add(pStr)) // the list could not grow
    delete pStr;
}

void IVTabSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  const IParam* pParam = GetParam();
  if (pParam && mTabLabels.GetSize() == 0)
  {
    for (int i = 0; i < mNumStates; ++i)
      AddLabel(pParam->GetDisplayText(static_cast<double>(i)));
    if (mLabelStr.GetLength() == 0)
      mLabelStr.Set(pParam->GetName());
  }
}

void IVTabSwitchControl::OnResize()
{
  mTargetRECT = MakeRects(mRECT);
  mButtons.Resize(0);
  for (int i = 0; i < mNumStates; ++i)
    mButtons.Add(mWidgetBounds.SubRect(mDirection, mNumStates, i));
  SetDirty(false);
}

void IVTabSwitchControl::Draw(ICanvas& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

const char* IVTabSwitchControl::LabelAt(int idx) const
{
  const LOOM_String* pStr = mTabLabels.Get(idx);
  return pStr ? pStr->Get() : nullptr;
}

IRECT IVTabSwitchControl::GetButtonRect(int idx) const
{
  return idx >= 0 && idx < NButtons() ? mButtons.Get()[idx] : IRECT();
}

void IVTabSwitchControl::DrawWidget(ICanvas& g)
{
  const int selected = GetSelectedIdx();
  const int n = NButtons();
  for (int i = 0; i < n; ++i)
  {
    ETabSegment segment = i == 0 ? ETabSegment::Start : ETabSegment::Mid;
    if (i == n - 1)
      segment = ETabSegment::End;
    const IRECT r = mButtons.Get()[i];
    const bool pressed = i == selected, over = i == mMouseOverButton, disabled = StateDrawnDisabled(i);
    DrawButton(g, r, pressed, over, segment, disabled);
    if (const char* str = LabelAt(i))
      DrawButtonText(g, r, pressed, over, segment, disabled, str);
  }
}

void IVTabSwitchControl::DrawButton(ICanvas& g, const IRECT& r, bool pressed, bool mouseOver, ETabSegment segment,
                                    bool disabled)
{
  const bool horizontal = mDirection == EDirection::Horizontal;
  switch (mShape)
  {
    case EVShape::TopRounded:
      if (horizontal)
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, segment == ETabSegment::Start,
                               segment == ETabSegment::End, false, false);
      else
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, false, segment == ETabSegment::Start, false,
                               segment == ETabSegment::End);
      break;
    case EVShape::AllRounded:
      if (horizontal)
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, true, true, false, false);
      else
        DrawPressableRectangle(g, r, pressed, mouseOver, disabled, false, true, false, true);
      break;
    default: DrawPressableShape(g, mShape, r, pressed, mouseOver, disabled); break;
  }
}

void IVTabSwitchControl::DrawButtonText(ICanvas& g, const IRECT& r, bool, bool, ETabSegment, bool, const char* str)
{
  if (str && *str)
    g.DrawText(mStyle.valueText, str, r, &mBlend);
}

int IVTabSwitchControl::GetButtonForPoint(float x, float y) const
{
  for (int i = 0; i < NButtons(); ++i)
    if (mButtons.Get()[i].Contains(x, y))
      return i;
  return -1;
}

bool IVTabSwitchControl::IsHit(float x, float y) const { return GetButtonForPoint(x, y) > -1; }

void IVTabSwitchControl::OnMouseDown(float x, float y, const IMouseMod&)
{
  const int idx = GetButtonForPoint(x, y);
  // With fewer than two states there is only the first one to select.
  if (idx > -1)
    SetValue(mNumStates > 1 ? static_cast<double>(idx) * (1.0 / static_cast<double>(mNumStates - 1)) : 0.0, 0);
  SetDirty(true);
}

void IVTabSwitchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverButton = GetButtonForPoint(x, y);
  ISwitchControlBase::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVTabSwitchControl::OnMouseOut()
{
  mMouseOverButton = -1;
  ISwitchControlBase::OnMouseOut();
  SetDirty(false);
}

const char* IVTabSwitchControl::GetSelectedLabelStr() const
{
  const char* str = LabelAt(GetSelectedIdx());
  return str ? str : "";
}

} // namespace weft::canvas
