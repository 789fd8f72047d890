// MIDI and SysEx between the host and the plug-in, and the content of the
// CocoaUI property that leads the host to the editor-view factory.
//
// Render thread: the MIDI input handlers and the Send operations, which
// build their packet lists in the object's fixed buffer (no allocation).
// Main thread: GetCocoaViewInfo.

#include "IWeftAU.h"

#include "LOOM_Assert.h"

#include <algorithm>
#include <cstddef>

namespace weft {

namespace {

// Room one three-byte message takes at most: padding to the next packet,
// a packet header and the bytes.
constexpr size_t kMidiMsgRoom = 3 + offsetof(MIDIPacket, data) + 3;

MIDITimeStamp OffsetTimeStamp(int offset) noexcept
{
  return offset > 0 ? static_cast<MIDITimeStamp>(offset) : 0;
}

// Bytes from the list's start to the end of its packet pLast.
size_t PacketListBytesUsed(const MIDIPacketList* pList, const MIDIPacket* pLast) noexcept
{
  return static_cast<size_t>(reinterpret_cast<const Byte*>(&pLast->data[0]) + pLast->length -
                             reinterpret_cast<const Byte*>(pList));
}

} // namespace

OSStatus IWeftAU::DoMIDIEvent(IWeftAU* _this, UInt32 status, UInt32 data1, UInt32 data2, UInt32 offsetFrames)
{
  if (!_this->DoesMIDIIn())
    return badComponentSelector;

  const IMidiMsg msg(static_cast<int>(std::min<UInt32>(offsetFrames, INT32_MAX)), static_cast<uint8_t>(status),
                     static_cast<uint8_t>(data1), static_cast<uint8_t>(data2));
  _this->ProcessMidiMsg(msg);
  _this->mMidiMsgsFromProcessor.Push(msg);
  return noErr;
}

OSStatus IWeftAU::DoSysEx(IWeftAU* _this, const UInt8* data, UInt32 length)
{
  if (!_this->DoesMIDIIn())
    return badComponentSelector;
  if ((!data && length > 0) || length > INT32_MAX)
    return kAudio_ParamError;

  _this->ProcessSysEx(ISysEx(0, data, static_cast<int>(length)));
  return noErr;
}

bool IWeftAU::SendMidiMsg(const IMidiMsg& msg)
{
  if (!mMidiOutputCallback.midiOutputCallback)
    return false;

  auto* pList = reinterpret_cast<MIDIPacketList*>(mMIDIPacketListBuf);
  MIDIPacket* pPkt = MIDIPacketListInit(pList);
  const Byte bytes[3] = {msg.mStatus, msg.mData1, msg.mData2};
  pPkt = MIDIPacketListAdd(pList, sizeof mMIDIPacketListBuf, pPkt, OffsetTimeStamp(msg.mOffset), sizeof bytes, bytes);
  if (!pPkt)
    return false;
  return mMidiOutputCallback.midiOutputCallback(mMidiOutputCallback.userData, &mLastRenderTimeStamp, 0, pList) ==
         noErr;
}

bool IWeftAU::SendMidiMsgs(const LOOM_TypedBuf<IMidiMsg>& msgs)
{
  if (!mMidiOutputCallback.midiOutputCallback)
    return false;

  const AUMIDIOutputCallback callback = mMidiOutputCallback.midiOutputCallback;
  void* const userData = mMidiOutputCallback.userData;
  auto* pList = reinterpret_cast<MIDIPacketList*>(mMIDIPacketListBuf);
  MIDIPacket* pPkt = MIDIPacketListInit(pList);
  bool sent = true;

  const IMidiMsg* pMsgs = msgs.Get();
  const int n = static_cast<int>(msgs.GetSize());
  for (int i = 0; i < n; ++i)
  {
    // A message never straddles two lists: when the next one might not fit,
    // the list goes out first.
    if (pList->numPackets > 0 && PacketListBytesUsed(pList, pPkt) + kMidiMsgRoom > sizeof mMIDIPacketListBuf)
    {
      sent = callback(userData, &mLastRenderTimeStamp, 0, pList) == noErr && sent;
      pPkt = MIDIPacketListInit(pList);
    }
    const IMidiMsg& msg = pMsgs[i];
    const Byte bytes[3] = {msg.mStatus, msg.mData1, msg.mData2};
    const MIDITimeStamp time = OffsetTimeStamp(msg.mOffset);
    for (const Byte byte : bytes)
    {
      pPkt = MIDIPacketListAdd(pList, sizeof mMIDIPacketListBuf, pPkt, time, 1, &byte);
      if (!pPkt)
        return false;
    }
  }
  return callback(userData, &mLastRenderTimeStamp, 0, pList) == noErr && sent;
}

bool IWeftAU::SendSysEx(const ISysEx& sysEx)
{
  if (!mMidiOutputCallback.midiOutputCallback)
    return false;

  LOOM_ASSERT_MSG(sysEx.mSize <= kMaxSysExBytes, "sysEx.mSize <= 65536");
  if (sysEx.mSize < 0 || sysEx.mSize > kMaxSysExBytes || (sysEx.mSize > 0 && !sysEx.mData))
    return false;

  auto* pList = reinterpret_cast<MIDIPacketList*>(mMIDIPacketListBuf);
  MIDIPacket* pPkt = MIDIPacketListInit(pList);
  const MIDITimeStamp time = OffsetTimeStamp(sysEx.mOffset);
  for (int pos = 0; pos < sysEx.mSize; pos += kSysExPieceBytes)
  {
    const int pieceBytes = std::min(kSysExPieceBytes, sysEx.mSize - pos);
    pPkt = MIDIPacketListAdd(pList, sizeof mMIDIPacketListBuf, pPkt, time, static_cast<ByteCount>(pieceBytes),
                             sysEx.mData + pos);
    LOOM_ASSERT_MSG(pPkt != nullptr, "pPkt != nullptr");
    if (!pPkt)
      return false;
  }
  return mMidiOutputCallback.midiOutputCallback(mMidiOutputCallback.userData, &mLastRenderTimeStamp, 0, pList) ==
         noErr;
}

void IWeftAU::OutputSysexFromEditor()
{
  while (mSysExDataFromEditor.Pop(mSysexBuf))
    SendSysEx(ISysEx(mSysexBuf.mOffset, mSysexBuf.mData, mSysexBuf.mSize));
}

OSStatus IWeftAU::GetCocoaViewInfo(AudioUnitCocoaViewInfo* pViewInfo)
{
  if (!HasUI())
    return kAudioUnitErr_InvalidProperty;

  const CFStrLocal bundleID(GetBundleID());
  CFBundleRef bundle = bundleID.Get() ? CFBundleGetBundleWithIdentifier(bundleID.Get()) : nullptr;
  if (!bundle)
    return kAudioUnitErr_InvalidProperty;
  if (!pViewInfo)
    return noErr;

  CFURLRef bundleURL = CFBundleCopyBundleURL(bundle);
  if (!bundleURL)
    return kAudioUnitErr_InvalidProperty;
  CFStringRef className = CFStringCreateWithCString(kCFAllocatorDefault, mCocoaViewClass.Get(), kCFStringEncodingUTF8);
  if (!className)
  {
    CFRelease(bundleURL);
    return coreFoundationUnknownErr;
  }
  pViewInfo->mCocoaAUViewBundleLocation = bundleURL;
  pViewInfo->mCocoaAUViewClass[0] = className;
  return noErr;
}

} // namespace weft
