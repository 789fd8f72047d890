#pragma once
// Where things are on macOS: resources by name (the plug-in's bundle, then
// the shared resources folder in the user's Music folder, then the name as a
// path), the host's and the plug-in's folders, the user's folders, and what
// kind of process the plug-in runs in. Each answer is written into a
// LOOM_String; a folder function leaves it unchanged when there is nothing
// to answer. Main thread.

#include "IWeftUtilities.h"
#include "LOOM_String.h"

namespace weft {

// True with outPath = folder + base name + "." + type when fileName's
// extension is type (any case) and that file is among the resources of the
// bundle bundleID (two folders above it, in "/Resources/", inside an
// out-of-process AUv3 extension). Otherwise false with outPath emptied. A
// name without an extension never matches.
bool GetResourcePathFromBundle(const char* fileName, const char* type, LOOM_String& outPath, const char* bundleID);
// The same in <Music>/<sharedResourcesSubPath>/Resources/, with only the last
// component of fileName; always false without a subpath.
bool GetResourcePathFromSharedLocation(const char* fileName, const char* type, LOOM_String& outPath,
                                       const char* sharedResourcesSubPath);

bool IsOOPAuv3AppExtension(); // the main bundle's identifier contains "AUv3"
bool IsXPCAuHost();           // the process's name contains "XPC"
bool AppIsSandboxed();        // the home folder lies in "Library/Containers/"

void HostPath(LOOM_String& path, const char* bundleID);           // the bundle's executable
void PluginPath(LOOM_String& path, const char* bundleID);         // the folder holding the bundle, with "/"
void BundleResourcePath(LOOM_String& path, const char* bundleID); // the bundle's resource folder
void DesktopPath(LOOM_String& path);
void UserHomePath(LOOM_String& path);
void VST3PresetsPath(LOOM_String& path, const char* mfrName, const char* pluginName, bool isSystem = true);
void INIPath(LOOM_String& path, const char* pluginName);
void AppSupportPath(LOOM_String& path, bool isSystem = false);
void AppGroupContainerPath(LOOM_String& path, const char* appGroupID);
void SharedMusicPath(LOOM_String& path);

} // namespace weft
