#pragma once
// IVTabSwitchControl: every state of a multi-state value shown at once as a
// row or column of equal buttons; a click on a button selects its state.
// Labels come from the constructor or, without them, from the bound
// parameter's display texts.

#include "ISwitchControlBase.h"
#include "IVectorBase.h"
#include "LOOM_HeapBuf.h"
#include "LOOM_PtrList.h"

#include <initializer_list>
#include <vector>

namespace weft::canvas {

class IVTabSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  // Which corners of a row's button are rounded depends on its place.
  enum class ETabSegment { Start = 0, Mid, End };

  IVTabSwitchControl(const IRECT& bounds, int paramIdx = kNoParameter, const std::vector<const char*>& options = {},
                     const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                     EVShape shape = EVShape::Rectangle, EDirection direction = EDirection::Horizontal);
  IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const std::vector<const char*>& options,
                     const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                     EVShape shape = EVShape::Rectangle, EDirection direction = EDirection::Horizontal);
  ~IVTabSwitchControl() override;

  // Selects the button under the point, if any, then sends the value.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(ICanvas& g) override;
  bool IsHit(float x, float y) const override;

  void DrawWidget(ICanvas& g) override;
  virtual void DrawButton(ICanvas& g, const IRECT& r, bool pressed, bool mouseOver, ETabSegment segment,
                          bool disabled);
  virtual void DrawButtonText(ICanvas& g, const IRECT& r, bool pressed, bool mouseOver, ETabSegment segment,
                              bool disabled, const char* str);
  // The index of the button containing the point, else -1.
  virtual int GetButtonForPoint(float x, float y) const;

  // The selected state's label; "" when it has none.
  const char* GetSelectedLabelStr() const;
  int GetMouseOverButton() const { return mMouseOverButton; }
  IRECT GetButtonRect(int idx) const;
  int NButtons() const { return static_cast<int>(mButtons.GetSize()); }

protected:
  const char* LabelAt(int idx) const;
  void AddLabel(const char* str);
  bool StateDrawnDisabled(int idx) const { return IsDisabled() || GetStateDisabled(idx); }

  int mMouseOverButton = -1;
  LOOM_TypedBuf<IRECT> mButtons{4096};
  LOOM_PtrList<LOOM_String> mTabLabels{4096};
  EDirection mDirection;

private:
  void Init(const std::vector<const char*>& options, const char* label, const IVStyle& style, EVShape shape);
};

} // namespace weft::canvas
