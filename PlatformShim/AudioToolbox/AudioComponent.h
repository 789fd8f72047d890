#pragma once
// The AudioComponent road: a component's factory function returns a plug-in
// interface (a table of open, close and lookup); the host looks up one
// method per selector and calls it with the interface as the first argument.
//
// An instance handle names one open instance of either road; Audio Unit
// calls (AUComponent.h) resolve it back to its interface or entry function.

#include <CoreServices/Components.h>
#include <CoreServices/MacTypes.h>

#include <cstddef>

// The same handles as the Component Manager's: one registry serves both.
typedef struct ComponentInstanceRecord* AudioComponentInstance;
typedef struct OpaqueAudioComponent* AudioComponent;

typedef struct AudioComponentDescription
{
  OSType componentType;          // 'aufx', 'aumu', ...
  OSType componentSubType;       // the plug-in's own code
  OSType componentManufacturer;  // the manufacturer's code
  UInt32 componentFlags;         // 0
  UInt32 componentFlagsMask;     // 0
} AudioComponentDescription;
static_assert(sizeof(AudioComponentDescription) == 20, "AudioComponentDescription is five words");

// A method found by Lookup. Its real type depends on the selector (see the
// Audio Unit calls in AUComponent.h: the same arguments, with the interface
// pointer in front); callers cast it to that type before calling.
typedef OSStatus (*AudioComponentMethod)(void* self, ...);

typedef struct AudioComponentPlugInInterface
{
  // self is this interface; mInstance the handle the host made for it.
  OSStatus (*Open)(void* self, AudioComponentInstance mInstance);
  // Ends the instance; the interface must not be used afterwards.
  OSStatus (*Close)(void* self);
  // The method for selector, or null when the instance has none.
  AudioComponentMethod (*Lookup)(SInt16 selector);
  void* reserved;
} AudioComponentPlugInInterface;
static_assert(sizeof(AudioComponentPlugInInterface) == 32, "AudioComponentPlugInInterface is four words");

// The 64-byte head of an instance block as a factory lays it out: the
// interface, then the constructor and destructor of the object that starts
// 64 bytes after the block, and two null words. A host never reads past the
// interface; the head is declared for components that build blocks.
typedef struct AudioComponentPlugInInstance
{
  AudioComponentPlugInInterface mPlugInInterface;
  void* (*mConstruct)(void* memory, AudioComponentInstance ci);
  void (*mDestruct)(void* memory);
  void* mPad[2];
} AudioComponentPlugInInstance;
static_assert(sizeof(AudioComponentPlugInInstance) == 64, "an instance block's head is 64 bytes");
static_assert(offsetof(AudioComponentPlugInInstance, mConstruct) == 32 &&
                offsetof(AudioComponentPlugInInstance, mDestruct) == 40,
              "construct and destruct follow the interface");

// The exported factory of a component (Pressweave_Factory): a new interface
// for inDesc, or null.
typedef AudioComponentPlugInInterface* (*AudioComponentFactoryFunction)(const AudioComponentDescription* inDesc);
