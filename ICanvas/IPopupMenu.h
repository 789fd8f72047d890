#pragma once
// IPopupMenu: the platform-neutral description of a menu: a title, an
// ordered list of items (text, flags, tag, optional submenu), the index of
// the item the user chose and an optional completion function. The menu
// owns its items and each item owns its submenu; menus are not copied.
//
// Threads: main (UI) thread only.

#include "LOOM_PtrList.h"
#include "LOOM_String.h"

#include <functional>
#include <initializer_list>
#include <memory>

namespace weft::canvas {

class IPopupMenu
{
public:
  class Item
  {
  public:
    enum Flags
    {
      kNoFlags = 0,
      kDisabled = 1 << 0,
      kTitle = 1 << 1,
      kChecked = 1 << 2,
      kSeparator = 1 << 3
    };

    Item(const char* str, int flags = kNoFlags, int tag = -1) : mText(str), mFlags(flags), mTag(tag) {}
    // Takes ownership of pSubMenu.
    Item(const char* str, IPopupMenu* pSubMenu) : mText(str), mSubmenu(pSubMenu) {}
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    void SetText(const char* str) { mText.Set(str); }
    const char* GetText() const { return mText.Get(); }
    int GetTag() const { return mTag; }
    void SetTag(int tag) { mTag = tag; }
    IPopupMenu* GetSubmenu() const { return mSubmenu.get(); }
    // Sets or clears the bits of flag.
    void SetFlag(Flags flag, bool on) { mFlags = on ? (mFlags | flag) : (mFlags & ~flag); }
    void SetChecked(bool checked) { SetFlag(kChecked, checked); }
    bool GetEnabled() const { return !(mFlags & kDisabled); }
    bool GetChecked() const { return (mFlags & kChecked) != 0; }
    bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
    bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }
    // Not a title, not a separator, no submenu, and enabled.
    bool GetIsChoosable() const { return !GetIsTitle() && !GetIsSeparator() && !GetSubmenu() && GetEnabled(); }

  private:
    LOOM_String mText;
    std::unique_ptr<IPopupMenu> mSubmenu;
    int mFlags = kNoFlags;
    int mTag = -1;
  };

  using CompletionFunc = std::function<void(IPopupMenu* pMenu)>;

  // prefix 0..3: no numbering, or "%1d: ", "%02d: ", "%03d: " before texts.
  explicit IPopupMenu(const char* rootTitle = "", int prefix = 0, bool multicheck = false,
                      std::initializer_list<const char*> items = {});
  IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items, CompletionFunc func = nullptr);
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Takes ownership of pItem. index -1 appends; -2 inserts in sorted
  // position (before texts equal ignoring case); others insert at the index
  // clamped to 0..NItems.
  Item* AddItem(Item* pItem, int index = -1);
  Item* AddItem(const char* str, int index = -1, int itemFlags = Item::kNoFlags);
  // Takes ownership of pSubmenu, which must have no function; it receives a
  // copy of this menu's function.
  Item* AddItem(const char* str, int index, IPopupMenu* pSubmenu);
  Item* AddItem(const char* str, IPopupMenu* pSubmenu, int index = -1) { return AddItem(str, index, pSubmenu); }

  // Null out of range (including -1).
  Item* GetItem(int index) const { return mMenuItems.Get(index); }
  Item* GetChosenItem() const { return GetItem(mChosenItemIdx); }
  int NItems() const { return mMenuItems.GetSize(); }
  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  int GetPrefix() const { return mPrefix; }
  // Values outside 0..3 are ignored.
  void SetPrefix(int prefix);
  bool GetCanMultiCheck() const { return mCanMultiCheck; }
  void SetMultiCheck(bool multicheck) { mCanMultiCheck = multicheck; }
  const char* GetRootTitle() const { return mRootTitle.Get(); }
  void SetRootTitle(const char* rootTitle) { mRootTitle.Set(rootTitle ? rootTitle : ""); }
  CompletionFunc GetFunction() const { return mPopupFunc; }
  void SetFunction(CompletionFunc func) { mPopupFunc = std::move(func); }
  // Call only when a function is set.
  void ExecFunction() { mPopupFunc(this); }

  // Destroys every item (and submenu); resetEverything also resets the
  // chosen index, prefix and multicheck.
  void Clear(bool resetEverything = true);
  // Checks pItem and unchecks every other item across the whole tree; items
  // with submenus are never checked.
  void CheckItemAlone(Item* pItem);
  // Removes (and destroys) this level's items whose submenu has no items.
  void RemoveEmptySubmenus();

  // Case-insensitive comparison of the two texts.
  static int Sortfunc(const Item* a, const Item* b);

private:
  int mPrefix;
  int mChosenItemIdx = -1;
  bool mCanMultiCheck;
  LOOM_PtrList<Item> mMenuItems;
  CompletionFunc mPopupFunc;
  LOOM_String mRootTitle;
};

} // namespace weft::canvas
