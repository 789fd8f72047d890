#pragma once
// IContainerBase: a control that groups child controls. The children are
// attached to the drawing context, which owns them; the container only
// lists them (in order) and never deletes them.

#include "IControl.h"

#include <functional>
#include <vector>

namespace weft::canvas {

class IContainerBase : public IControl
{
public:
  // Each takes the container and its drawing rectangle.
  using AttachFunc = std::function<void(IContainerBase* pParent, const IRECT& bounds)>;
  using ResizeFunc = std::function<void(IContainerBase* pParent, const IRECT& bounds)>;

  // No parameter, no action; ignores the mouse.
  IContainerBase(const IRECT& bounds, AttachFunc attachFunc = nullptr, ResizeFunc resizeFunc = nullptr);
  IContainerBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc = nullptr);
  // Children stay attached to the drawing context, without a parent.
  ~IContainerBase() override;

  void SetAttachFunc(AttachFunc func) { mAttachFunc = std::move(func); }
  void SetResizeFunc(ResizeFunc func) { mResizeFunc = std::move(func); }

  // Parents pChild, attaches it to the drawing context with the tag and group
  // and lists it. A refused attachment (duplicate tag) lists nothing and
  // leaves the child without a parent; the caller keeps it.
  IControl* AddChildControl(IControl* pChild, int ctrlTag = kNoTag, const char* group = "");
  // Takes pChild out of the list (it stays attached); clears its parent.
  void RemoveChildControl(IControl* pChild);
  // Clears every child's parent and empties the list.
  void DetachChildren();
  // Null out of range.
  IControl* GetChild(int idx) const;
  int NChildren() const { return static_cast<int>(mChildren.size()); }
  void ForAllChildrenFunc(const std::function<void(int childIdx, IControl* pChild)>& func);

  void Draw(ICanvas&) override {}
  // Calls the attach function (when set) with the drawing rectangle, then
  // OnResize.
  void OnAttached() override;
  // Calls the resize function with the drawing rectangle when it is set and
  // there are children.
  void OnResize() override;
  // Hides or shows every child, then the container.
  void Hide(bool hide) override;
  // Disables or enables every child, then the container.
  void SetDisabled(bool disable) override;

protected:
  AttachFunc mAttachFunc;
  ResizeFunc mResizeFunc;
  std::vector<IControl*> mChildren; // attached to the drawing context, not owned
};

} // namespace weft::canvas
