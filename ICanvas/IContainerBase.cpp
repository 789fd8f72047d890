#include "IContainerBase.h"

#include "ICanvas.h"

#include <algorithm>

namespace weft::canvas {

IContainerBase::IContainerBase(const IRECT& bounds, AttachFunc attachFunc, ResizeFunc resizeFunc)
: IControl(bounds)
, mAttachFunc(std::move(attachFunc))
, mResizeFunc(std::move(resizeFunc))
{
  mIgnoreMouse = true;
}

IContainerBase::IContainerBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc)
: IControl(bounds, paramIdx, std::move(actionFunc))
{}

IContainerBase::~IContainerBase() { DetachChildren(); }

IControl* IContainerBase::AddChildControl(IControl* pChild, int ctrlTag, const char* group)
{
  if (!pChild || !GetUI())
    return nullptr;
  pChild->SetParent(this);
  IControl* pAttached = GetUI()->AttachControl(pChild, ctrlTag, group);
  if (!pAttached)
  {
    pChild->SetParent(nullptr);
    return nullptr;
  }
  mChildren.push_back(pAttached);
  return pAttached;
}

void IContainerBase::RemoveChildControl(IControl* pChild)
{
  const auto it = std::find(mChildren.begin(), mChildren.end(), pChild);
  if (it == mChildren.end())
    return;
  mChildren.erase(it);
  if (pChild->GetParent() == this)
    pChild->SetParent(nullptr);
}

void IContainerBase::DetachChildren()
{
  for (IControl* pChild : mChildren)
  {
    if (pChild->GetParent() == this)
      pChild->SetParent(nullptr);
  }
  mChildren.clear();
}

IControl* IContainerBase::GetChild(int idx) const
{
  return idx >= 0 && idx < NChildren() ? mChildren[static_cast<size_t>(idx)] : nullptr;
}

void IContainerBase::ForAllChildrenFunc(const std::function<void(int childIdx, IControl* pChild)>& func)
{
  for (int i = 0; i < NChildren(); ++i)
    func(i, mChildren[static_cast<size_t>(i)]);
}

void IContainerBase::OnAttached()
{
  if (mAttachFunc)
    mAttachFunc(this, mRECT);
  OnResize();
}

void IContainerBase::OnResize()
{
  if (mResizeFunc && !mChildren.empty())
    mResizeFunc(this, mRECT);
}

void IContainerBase::Hide(bool hide)
{
  for (IControl* pChild : mChildren)
    pChild->Hide(hide);
  IControl::Hide(hide);
}

} // namespace weft::canvas

namespace weft::canvas {

void IContainerBase::SetDisabled(bool disable)
{
  for (IControl* pChild : mChildren)
    pChild->SetDisabled(disable);
  IControl::SetDisabled(disable);
}

} // namespace weft::canvas
