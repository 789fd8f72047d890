#include "ClassInfoState.h"

#include <AudioToolbox/AudioUnitProperties.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFString.h>

#include <climits>
#include <cstring>

namespace pw::host {

namespace {

// The value under key when it is there and of type, else null.
CFTypeRef TypedValue(CFDictionaryRef dict, const char* key, CFTypeID type)
{
  CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  if (!cfKey)
    return nullptr;
  const void* value = nullptr;
  const bool present = CFDictionaryGetValueIfPresent(dict, cfKey, &value);
  CFRelease(cfKey);
  return present && value && CFGetTypeID(value) == type ? value : nullptr;
}

Status ReadNumber(CFDictionaryRef dict, const char* key, std::int32_t& out)
{
  const auto number = static_cast<CFNumberRef>(TypedValue(dict, key, CFNumberGetTypeID()));
  SInt32 value = 0;
  if (!number || !CFNumberGetValue(number, kCFNumberSInt32Type, &value))
    return Status::Error(std::string("the class-info \"") + key + "\" is not a 32-bit number");
  out = value;
  return Status::Ok();
}

std::string TextOf(CFStringRef string)
{
  const CFIndex room = CFStringGetMaximumSizeForEncoding(CFStringGetLength(string), kCFStringEncodingUTF8) + 1;
  if (room <= 0)
    return {};
  std::string text(static_cast<std::size_t>(room), '\0');
  if (!CFStringGetCString(string, &text[0], room, kCFStringEncodingUTF8))
    return {};
  text.resize(std::strlen(text.c_str()));
  return text;
}

// Stores value under key; the dictionary retains it and value is released.
bool Put(CFMutableDictionaryRef dict, const char* key, CFTypeRef value)
{
  CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  const bool made = cfKey && value;
  if (made)
    CFDictionarySetValue(dict, cfKey, value);
  if (cfKey)
    CFRelease(cfKey);
  if (value)
    CFRelease(value);
  return made;
}

std::string CodesText(std::int32_t type, std::int32_t subtype, std::int32_t manufacturer)
{
  return FourCharCodeText(static_cast<std::uint32_t>(type)) + " " + FourCharCodeText(static_cast<std::uint32_t>(subtype)) +
         " " + FourCharCodeText(static_cast<std::uint32_t>(manufacturer));
}

} // namespace

Status StateFromClassInfo(CFTypeRef classInfo, ComponentState& out)
{
  if (!classInfo || CFGetTypeID(classInfo) != CFDictionaryGetTypeID())
    return Status::Error("the class-info state is not a dictionary");
  const auto dict = static_cast<CFDictionaryRef>(classInfo);
  ComponentState state;
  for (const StateNumber& number : kStateNumbers)
  {
    const Status status = ReadNumber(dict, number.key, state.*number.field);
    if (!status)
      return status;
  }
  const auto name = static_cast<CFStringRef>(TypedValue(dict, "name", CFStringGetTypeID()));
  if (!name)
    return Status::Error("the class-info \"name\" is not a string");
  state.name = TextOf(name);
  const auto data = static_cast<CFDataRef>(TypedValue(dict, "data", CFDataGetTypeID()));
  if (!data)
    return Status::Error("the class-info state has no \"data\"");
  const CFIndex length = CFDataGetLength(data);
  if (length < 0)
    return Status::Error("the class-info \"data\" has no length");
  const std::uint8_t* bytes = CFDataGetBytePtr(data);
  if (length > 0 && !bytes)
    return Status::Error("the class-info \"data\" has no bytes");
  state.data.assign(bytes, bytes + length);
  out = std::move(state);
  return Status::Ok();
}

CFMutableDictionaryRef NewClassInfo(const ComponentState& state)
{
  if (state.data.size() > static_cast<std::size_t>(LONG_MAX))
    return nullptr;
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                          &kCFTypeDictionaryValueCallBacks);
  if (!dict)
    return nullptr;
  bool made = true;
  for (const StateNumber& number : kStateNumbers)
  {
    const SInt32 value = state.*number.field;
    made = made && Put(dict, number.key, CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value));
  }
  made = made && Put(dict, "name", CFStringCreateWithCString(kCFAllocatorDefault, state.name.c_str(),
                                                             kCFStringEncodingUTF8));
  made = made && Put(dict, "data", CFDataCreate(kCFAllocatorDefault, state.data.data(),
                                                static_cast<CFIndex>(state.data.size())));
  if (!made)
  {
    CFRelease(dict);
    return nullptr;
  }
  return dict;
}

Status SaveUnitState(AudioUnit unit, ComponentState& out)
{
  CFTypeRef classInfo = nullptr;
  UInt32 size = sizeof classInfo;
  const OSStatus status =
    AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &classInfo, &size);
  if (status != noErr)
    return Status::Error("the component cannot save its state (status " + std::to_string(status) + ")");
  if (!classInfo || size != sizeof classInfo)
    return Status::Error("the component handed out no state");
  const Status read = StateFromClassInfo(classInfo, out);
  CFRelease(classInfo);
  return read;
}

Status RestoreUnitState(AudioUnit unit, const BundleInfo& component, const ComponentState& state,
                        const std::string& source)
{
  if (static_cast<std::uint32_t>(state.type) != component.type ||
      static_cast<std::uint32_t>(state.subtype) != component.subtype ||
      static_cast<std::uint32_t>(state.manufacturer) != component.manufacturer)
    return Status::Error("the state in " + source + " belongs to another component (" +
                         CodesText(state.type, state.subtype, state.manufacturer) + ", this is " +
                         CodesText(static_cast<std::int32_t>(component.type),
                                   static_cast<std::int32_t>(component.subtype),
                                   static_cast<std::int32_t>(component.manufacturer)) +
                         ")");
  CFMutableDictionaryRef dict = NewClassInfo(state);
  if (!dict)
    return Status::Error("the state in " + source + " cannot be handed to the component");
  CFTypeRef classInfo = dict;
  const OSStatus status = AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                               &classInfo, sizeof classInfo);
  CFRelease(dict);
  if (status != noErr)
    return Status::Error("the component refuses the state in " + source + " (status " + std::to_string(status) + ")");
  return Status::Ok();
}

} // namespace pw::host
