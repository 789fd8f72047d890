#include "IDirBrowseControlBase.h"

#include "LOOM_Assert.h"
#include "LOOM_DirScan.h"

#include <cstring>

namespace weft::canvas {

namespace {

constexpr int kSortedIndex = -2;

// The length of the name without ".<extension>" when it ends in it after at
// least one character, else -1. "mywav" and "wav" do not end in ".wav".
int StemLength(const char* name, const char* extension)
{
  const size_t nameLen = std::strlen(name);
  const size_t extLen = std::strlen(extension);
  if (extLen == 0 || nameLen < extLen + 2)
    return -1;
  const size_t pos = nameLen - extLen; // the last occurrence that runs to the end
  if (std::strcmp(name + pos, extension) != 0 || name[pos - 1] != '.')
    return -1;
  return static_cast<int>(pos - 1);
}

} // namespace

IDirBrowseControlBase::IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions,
                                             bool scanRecursively, bool showEmptySubmenus)
: IContainerBase(bounds, kNoParameter)
, mScanRecursively(scanRecursively)
, mShowFileExtensions(showFileExtensions)
, mShowEmptySubmenus(showEmptySubmenus)
, mExtension(extension)
{}

IDirBrowseControlBase::~IDirBrowseControlBase()
{
  mPaths.Empty(true);
  mPathLabels.Empty(true);
  mFiles.Empty(true);
  mItems.Empty(false);
}

void IDirBrowseControlBase::AddPath(const char* path, const char* label)
{
  LOOM_ASSERT_MSG(path && std::strlen(path), "strlen(path)");
  if (!path || !path[0])
    return;
  mPaths.Add(new LOOM_String(path));
  mPathLabels.Add(new LOOM_String(label ? label : ""));
}

void IDirBrowseControlBase::ClearPathList()
{
  mPaths.Empty(true);
  mPathLabels.Empty(true);
  mFiles.Empty(true);
  mItems.Empty(false);
  mSelectedItemIndex = -1; // it indexed the items just dropped
}

void IDirBrowseControlBase::SetupMenu()
{
  mFiles.Empty(true);
  mItems.Empty(false);
  mMainMenu.Clear();
  mSelectedItemIndex = -1;

  if (mPaths.GetSize() == 1)
  {
    ScanDirectory(mPaths.Get(0)->Get(), mMainMenu);
  }
  else
  {
    for (int i = 0; i < mPaths.GetSize(); ++i)
    {
      IPopupMenu* pSubmenu = new IPopupMenu("", {});
      mMainMenu.AddItem(mPathLabels.Get(i)->Get(), i, pSubmenu);
      ScanDirectory(mPaths.Get(i)->Get(), *pSubmenu);
    }
  }
  CollectSortedItems(&mMainMenu);
}

void IDirBrowseControlBase::ScanDirectory(const char* path, IPopupMenu& menu)
{
  LOOM_DirScan scan;
  if (scan.First(path) == 0)
  {
    LOOM_String fullPath;
    do
    {
      const char* name = scan.GetCurrentFN();
      if (!name || !name[0] || name[0] == '.')
        continue;
      const int isDirectory = scan.GetCurrentIsDirectory();
      scan.GetCurrentFullFN(fullPath);
      if (isDirectory)
      {
        // 4: a link back to a folder being scanned, which would never end
        if (mScanRecursively && isDirectory != 4)
        {
          IPopupMenu* pSubmenu = new IPopupMenu("", {});
          menu.AddItem(name, kSortedIndex, pSubmenu);
          ScanDirectory(fullPath.Get(), *pSubmenu);
        }
        continue; // a folder is never a file item
      }
      const int stemLen = StemLength(name, mExtension.Get());
      if (stemLen < 0)
        continue;
      LOOM_String text(name);
      if (!mShowFileExtensions)
        text.SetLen(stemLen);
      menu.AddItem(new IPopupMenu::Item(text.Get(), IPopupMenu::Item::kNoFlags, mFiles.GetSize()), kSortedIndex);
      mFiles.Add(new LOOM_String(fullPath));
    } while (scan.Next() == 0);
  }
  if (!mShowEmptySubmenus)
    menu.RemoveEmptySubmenus();
}

void IDirBrowseControlBase::CollectSortedItems(IPopupMenu* pMenu)
{
  for (int i = 0; i < pMenu->NItems(); ++i)
  {
    IPopupMenu::Item* pItem = pMenu->GetItem(i);
    if (IPopupMenu* pSubmenu = pItem->GetSubmenu())
      CollectSortedItems(pSubmenu);
    else
      mItems.Add(pItem);
  }
}

void IDirBrowseControlBase::SetSelectedFile(const char* path)
{
  mSelectedItemIndex = -1;
  if (!path)
    return;
  for (int f = 0; f < mFiles.GetSize(); ++f)
  {
    if (std::strcmp(mFiles.Get(f)->Get(), path) != 0)
      continue;
    for (int i = 0; i < mItems.GetSize(); ++i)
    {
      if (mItems.Get(i)->GetTag() == f)
      {
        mSelectedItemIndex = i;
        return;
      }
    }
    return; // only the first matching file counts
  }
}

void IDirBrowseControlBase::GetSelectedFile(LOOM_String& path) const
{
  const IPopupMenu::Item* pItem = mItems.Get(mSelectedItemIndex);
  const LOOM_String* pFile = pItem ? mFiles.Get(pItem->GetTag()) : nullptr;
  path.Set(pFile ? pFile->Get() : "");
}

void IDirBrowseControlBase::CheckSelectedItem()
{
  if (IPopupMenu::Item* pItem = mItems.Get(mSelectedItemIndex))
    mMainMenu.CheckItemAlone(pItem);
}

} // namespace weft::canvas
