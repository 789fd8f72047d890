#include "CFBase.h"
#include "CFRuntime.h"

CF_EXPORT const CFAllocatorRef kCFAllocatorDefault = nullptr;

CF_EXPORT CFTypeRef CFRetain(CFTypeRef cf)
{
  if (pwshim::CFObject* object = pwshim::ObjectFromRef(cf))
    object->Retain();
  return cf;
}

CF_EXPORT void CFRelease(CFTypeRef cf)
{
  if (pwshim::CFObject* object = pwshim::ObjectFromRef(cf))
    object->Release();
}

CF_EXPORT CFTypeID CFGetTypeID(CFTypeRef cf)
{
  const pwshim::CFObject* object = pwshim::ObjectFromRef(cf);
  return object ? object->TypeID() : pwshim::kTypeIDNotAType;
}

CF_EXPORT CFIndex CFGetRetainCount(CFTypeRef cf)
{
  const pwshim::CFObject* object = pwshim::ObjectFromRef(cf);
  return object ? object->RetainCount() : 0;
}
