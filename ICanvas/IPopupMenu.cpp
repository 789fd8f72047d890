#include "IPopupMenu.h"

#include "LOOM_Assert.h"

#include <strings.h>

namespace weft::canvas {

IPopupMenu::IPopupMenu(const char* rootTitle, int prefix, bool multicheck, std::initializer_list<const char*> items)
: mPrefix(prefix)
, mCanMultiCheck(multicheck)
, mRootTitle(rootTitle)
{
  for (const char* str : items)
    AddItem(str);
}

IPopupMenu::IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items, CompletionFunc func)
: IPopupMenu(rootTitle, 0, false, items)
{
  SetFunction(std::move(func));
}

IPopupMenu::~IPopupMenu() { mMenuItems.Empty(true); }

IPopupMenu::Item* IPopupMenu::AddItem(Item* pItem, int index)
{
  if (index == -1)
    return mMenuItems.Add(pItem);
  if (index == -2)
  {
    // the first position whose item does not sort below the new one
    int low = 0;
    int high = NItems();
    while (low < high)
    {
      const int mid = (low + high) / 2;
      if (Sortfunc(pItem, mMenuItems.Get(mid)) > 0)
        low = mid + 1;
      else
        high = mid;
    }
    return mMenuItems.Insert(low, pItem);
  }
  return mMenuItems.Insert(index, pItem); // clamped to 0..NItems
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* str, int index, int itemFlags)
{
  return AddItem(new Item(str, itemFlags), index);
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* str, int index, IPopupMenu* pSubmenu)
{
  LOOM_ASSERT_MSG(!pSubmenu || !pSubmenu->GetFunction(), "submenu must not have a function");
  if (pSubmenu && mPopupFunc)
    pSubmenu->SetFunction(mPopupFunc);
  return AddItem(new Item(str, pSubmenu), index);
}

void IPopupMenu::SetPrefix(int prefix)
{
  if (prefix >= 0 && prefix <= 3)
    mPrefix = prefix;
}

void IPopupMenu::Clear(bool resetEverything)
{
  if (resetEverything)
  {
    mChosenItemIdx = -1;
    mPrefix = 0;
    mCanMultiCheck = false;
  }
  mMenuItems.Empty(true);
}

void IPopupMenu::CheckItemAlone(Item* pItem)
{
  for (int i = 0; i < NItems(); ++i)
  {
    Item* pListItem = mMenuItems.Get(i);
    pListItem->SetChecked(false);
    if (IPopupMenu* pSubmenu = pListItem->GetSubmenu())
      pSubmenu->CheckItemAlone(pItem);
    else if (pListItem == pItem)
      pListItem->SetChecked(true);
  }
}

void IPopupMenu::RemoveEmptySubmenus()
{
  for (int i = NItems() - 1; i >= 0; --i)
  {
    const IPopupMenu* pSubmenu = mMenuItems.Get(i)->GetSubmenu();
    if (pSubmenu && pSubmenu->NItems() == 0)
      mMenuItems.Delete(i, true);
  }
}

int IPopupMenu::Sortfunc(const Item* a, const Item* b) { return strcasecmp(a->GetText(), b->GetText()); }

} // namespace weft::canvas
