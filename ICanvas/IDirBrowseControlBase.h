#pragma once
// IDirBrowseControlBase: a container that builds a popup menu of the files
// with one extension found under one or more folders. With one folder its
// files fill the main menu; with several, each folder becomes a submenu
// titled by its label. Subfolders become sorted submenus when scanning
// recursively. Each file item's tag indexes the list of full paths.
// Subclasses show the menu and draw the control.

#include "IContainerBase.h"
#include "IPopupMenu.h"
#include "LOOM_PtrList.h"
#include "LOOM_String.h"

namespace weft::canvas {

class IDirBrowseControlBase : public IContainerBase
{
public:
  ~IDirBrowseControlBase() override;

  // path must not be empty.
  void AddPath(const char* path, const char* label);
  // Forgets every path, label and file, and the selection.
  void ClearPathList();
  // Rescans every path into the main menu; the selection is cleared.
  void SetupMenu();
  // The number of file items.
  int NItems() const { return mItems.GetSize(); }
  // Selects the item of the first file whose full path equals path exactly;
  // none when no file matches.
  void SetSelectedFile(const char* path);
  // The selected file's full path, or "" with nothing selected.
  void GetSelectedFile(LOOM_String& path) const;
  int GetSelectedItemIdx() const { return mSelectedItemIndex; }
  // Checks the selected item alone across the whole menu.
  void CheckSelectedItem();
  IPopupMenu& GetMainMenu() { return mMainMenu; }
  // The file item at idx in menu order, null out of range.
  IPopupMenu::Item* GetItem(int idx) const { return mItems.Get(idx); }

protected:
  // extension: without the dot, e.g. "wav"; an empty one takes no files.
  IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions = true,
                        bool scanRecursively = true, bool showEmptySubmenus = false);

  // Adds path's files (and, recursively, its folders) to menu.
  void ScanDirectory(const char* path, IPopupMenu& menu);
  // Appends menu's items without submenus, depth first, to the item list.
  void CollectSortedItems(IPopupMenu* pMenu);

  bool mScanRecursively;
  bool mShowFileExtensions;
  bool mShowEmptySubmenus;
  int mSelectedItemIndex = -1;
  IPopupMenu mMainMenu;
  LOOM_PtrList<LOOM_String> mPaths;      // owned
  LOOM_PtrList<LOOM_String> mPathLabels; // owned
  LOOM_PtrList<LOOM_String> mFiles;      // owned full paths, indexed by item tags
  LOOM_PtrList<IPopupMenu::Item> mItems; // owned by the menus
  LOOM_String mExtension;
};

} // namespace weft::canvas
