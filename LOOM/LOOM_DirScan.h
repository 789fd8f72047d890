#pragma once
// Scans the entries of one directory through the POSIX directory calls, in the
// order the system gives them ("." and ".." included).
//
// Not thread-safe: one thread at a time. Holds at most one open directory.

#include "LOOM_String.h"

#include <dirent.h>

class LOOM_DirScan
{
public:
  LOOM_DirScan() = default;
  ~LOOM_DirScan();
  LOOM_DirScan(const LOOM_DirScan&) = delete;
  LOOM_DirScan& operator=(const LOOM_DirScan&) = delete;

  // Opens path (one trailing "/" or "\" is dropped; "/" stays the root) and
  // reads its first entry. Returns 0 when an entry was read, 1 when the
  // directory cannot be opened or is empty, -1 for a null or empty path.
  int First(const char* path);
  // Returns 0 when another entry was read, 1 at the end, -1 when no directory
  // is open.
  int Next();
  void Close();

  // The current entry's name, "" when there is none.
  const char* GetCurrentFN() const;
  // Leading path + "/" + current name.
  void GetCurrentFullFN(LOOM_String& out) const;
  // 0: no entry, or not a directory (a link that does not resolve to one);
  // 1: a directory; 2: a link to a directory; 4: a link to the scanned
  // directory or one of its ancestors, which a recursive scan must not follow.
  int GetCurrentIsDirectory() const;

private:
  // GetCurrentIsDirectory for a current entry that is a symbolic link.
  int ClassifyLink() const;

  DIR* mDir = nullptr;
  struct dirent* mEntry = nullptr;
  LOOM_FastString mLeadingPath;
};
