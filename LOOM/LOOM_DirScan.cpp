#include "LOOM_DirScan.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

namespace
{
// True when resolved names dir itself or one of its ancestors: resolved is a
// case-insensitive prefix of dir that ends at the end of dir or at one of its
// "/" separators.
bool IsSelfOrAncestor(const char* resolved, const char* dir) noexcept
{
  const size_t len = std::strlen(resolved);
  if (len == 0 || strncasecmp(resolved, dir, len) != 0)
    return false;
  return dir[len] == '\0' || dir[len] == '/' || resolved[len - 1] == '/';
}
} // namespace

LOOM_DirScan::~LOOM_DirScan()
{
  Close();
}

int LOOM_DirScan::First(const char* path)
{
  if (!path || !*path)
    return -1;

  mLeadingPath.Set(path);
  const int length = mLeadingPath.GetLength();
  const char last = mLeadingPath.Get()[length - 1];
  if (last == '/' || last == '\\')
    mLeadingPath.SetLen(length - 1);

  Close();
  mDir = opendir(mLeadingPath.GetLength() > 0 ? mLeadingPath.Get() : "/");
  if (!mDir)
    return 1;
  mEntry = readdir(mDir);
  return mEntry ? 0 : 1;
}

int LOOM_DirScan::Next()
{
  if (!mDir)
    return -1;
  mEntry = readdir(mDir);
  return mEntry ? 0 : 1;
}

void LOOM_DirScan::Close()
{
  if (mDir)
    closedir(mDir);
  mDir = nullptr;
  mEntry = nullptr;
}

const char* LOOM_DirScan::GetCurrentFN() const
{
  return mEntry ? mEntry->d_name : "";
}

void LOOM_DirScan::GetCurrentFullFN(LOOM_String& out) const
{
  out.Set(mLeadingPath.Get());
  out.Append("/");
  out.Append(GetCurrentFN());
}

int LOOM_DirScan::GetCurrentIsDirectory() const
{
  if (!mEntry)
    return 0;

  switch (mEntry->d_type)
  {
    case DT_DIR:
      return 1;

    case DT_LNK:
      return ClassifyLink();

    case DT_UNKNOWN:
    {
      LOOM_String full;
      GetCurrentFullFN(full);
      // Some file systems report no types at all; a link must still be
      // recognised as one, or a recursive scan would follow it into an
      // ancestor forever.
      struct stat st;
      if (lstat(full.Get(), &st) == 0 && S_ISLNK(st.st_mode))
        return ClassifyLink();
      DIR* probe = opendir(full.Get());
      if (!probe)
        return 0;
      closedir(probe);
      return 1;
    }

    default:
      return 0;
  }
}

int LOOM_DirScan::ClassifyLink() const
{
  char linkPath[2048];
  const int n = std::snprintf(linkPath, sizeof(linkPath), "%s/%s", mLeadingPath.Get(), mEntry->d_name);
  if (n < 0 || n >= static_cast<int>(sizeof(linkPath)))
    return 0; // a cut path would name some other file

  char resolved[PATH_MAX];
  struct stat st;
  if (!realpath(linkPath, resolved) || stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode))
    return 0;

  if (IsSelfOrAncestor(resolved, mLeadingPath.Get()))
    return 4;
  // The leading path may be relative or pass through links itself; compare
  // against its resolved form too.
  char resolvedLeading[PATH_MAX];
  const char* leading = mLeadingPath.GetLength() > 0 ? mLeadingPath.Get() : "/";
  if (realpath(leading, resolvedLeading) && IsSelfOrAncestor(resolved, resolvedLeading))
    return 4;
  return 2;
}
