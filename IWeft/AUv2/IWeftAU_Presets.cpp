// The exported preset record and its array callbacks.

#include "IWeftAU_Presets.h"

#include <CoreFoundation/CFAllocator.h>
#include <CoreFoundation/CFString.h>

#include <cstring>

namespace {

bool NamesEqual(CFStringRef name1, CFStringRef name2) noexcept
{
  if (!name1 || !name2)
    return name1 == name2;
  return CFStringCompare(name1, name2, 0) == kCFCompareEqualTo;
}

} // namespace

CFAUPresetRef CFAUPresetCreate(CFAllocatorRef allocator, SInt32 presetNumber, CFStringRef presetName)
{
  auto* pPreset = static_cast<CFAUPreset*>(CFAllocatorAllocate(allocator, sizeof(CFAUPreset), 0));
  if (!pPreset)
    return nullptr;
  std::memset(pPreset, 0, sizeof(CFAUPreset));

  if (presetName)
  {
    pPreset->auPreset.presetName = CFStringCreateCopy(allocator, presetName);
    if (!pPreset->auPreset.presetName)
    {
      CFAllocatorDeallocate(allocator, pPreset);
      return nullptr;
    }
  }
  pPreset->auPreset.presetNumber = presetNumber;
  pPreset->version = 0;
  pPreset->allocator = allocator;
  pPreset->retainCount = 1;
  return pPreset;
}

CFAUPresetRef CFAUPresetRetain(void* preset)
{
  auto* pPreset = static_cast<CFAUPreset*>(preset);
  if (!pPreset)
    return nullptr;
  if (pPreset->auPreset.presetName)
    CFRetain(pPreset->auPreset.presetName);
  ++pPreset->retainCount;
  return pPreset;
}

void CFAUPresetRelease(void* preset)
{
  auto* pPreset = static_cast<CFAUPreset*>(preset);
  if (!pPreset || pPreset->retainCount <= 0)
    return;
  if (pPreset->auPreset.presetName)
    CFRelease(pPreset->auPreset.presetName);
  if (--pPreset->retainCount > 0)
    return;
  // The last reference: the name's last reference of this record went with
  // the release above.
  pPreset->auPreset.presetName = nullptr;
  pPreset->auPreset.presetNumber = 0;
  CFAllocatorDeallocate(pPreset->allocator, pPreset);
}

const void* CFAUPresetArrayRetainCallBack(CFAllocatorRef /* allocator */, const void* preset)
{
  return CFAUPresetRetain(const_cast<void*>(preset));
}

void CFAUPresetArrayReleaseCallBack(CFAllocatorRef /* allocator */, const void* preset)
{
  CFAUPresetRelease(const_cast<void*>(preset));
}

Boolean CFAUPresetArrayEqualCallBack(const void* preset1, const void* preset2)
{
  const auto* p1 = static_cast<const CFAUPreset*>(preset1);
  const auto* p2 = static_cast<const CFAUPreset*>(preset2);
  if (p1 == p2)
    return true;
  if (!p1 || !p2)
    return false;
  return p1->auPreset.presetNumber == p2->auPreset.presetNumber &&
         NamesEqual(p1->auPreset.presetName, p2->auPreset.presetName);
}

CFStringRef CFAUPresetArrayCopyDescriptionCallBack(const void* preset)
{
  const auto* pPreset = static_cast<const CFAUPreset*>(preset);
  if (!pPreset)
    return nullptr;
  return CFStringCreateWithFormat(kCFAllocatorDefault, nullptr,
                                  CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                  static_cast<int>(pPreset->auPreset.presetNumber), pPreset->auPreset.presetName);
}

void CFAUPresetArrayCallBacks_Init(CFArrayCallBacks* callBacks)
{
  if (callBacks)
    *callBacks = kCFAUPresetArrayCallBacks;
}

const CFArrayCallBacks kCFAUPresetArrayCallBacks = {0, CFAUPresetArrayRetainCallBack, CFAUPresetArrayReleaseCallBack,
                                                    CFAUPresetArrayCopyDescriptionCallBack,
                                                    CFAUPresetArrayEqualCallBack};
