#include "MacTestFiles.h"
#include "PlatformPaths.h"
#include "LocateResource.h"

#import <Foundation/Foundation.h>

using namespace pwtest;
using weft::canvas::LocateResource;

namespace {
constexpr char kID[] = "com.Corvantis x Lumidrake.audiounit.Pressweave";
constexpr char kRes[] = "Plug ins/Pressweave.component/Contents/Resources/";
}

TEST(PlatformPaths, ResourcesAreFoundInTheBundleThenTheSharedFolderThenAsAPath)
{
  TempTree t;
  t.Bundle(kID, "Plug ins/Pressweave.component");
  for (const char* f : {"Roboto-Regular.ttf", "Upper.ttf", "fonts/A.ttf", "ttf.ttf", "Both.ttf"})
    t.File(std::string(kRes) + f);
  for (const char* f : {"B.ttf", "A.ttf", "Both.ttf"})
    t.File(std::string("home/Music/Shared/Resources/") + f);
  const std::string otf = t.File("Loose.otf"), loose = t.File("Loose.ttf");
  struct Case { std::string name; const char* subPath; std::string found; };
  const Case cases[] = {
    {"Roboto-Regular.ttf", "Shared", t.Path(kRes) + "Roboto-Regular.ttf"},
    {"Upper.TTF", "Shared", t.Path(kRes) + "Upper.ttf"},       // the extension in any case
    {"Both.ttf", "Shared", t.Path(kRes) + "Both.ttf"},         // the bundle first
    {"B.ttf", "Shared", t.Path("home/Music/Shared/Resources/B.ttf")},
    {"fonts/A.ttf", "Shared", t.Path(kRes) + "fonts/A.ttf"},   // the folder kept by the bundle search
    {"fonts/B.ttf", "Shared", t.Path("home/Music/Shared/Resources/B.ttf")}, // dropped by the shared one
    {"B.ttf", nullptr, ""},                                    // no subpath, no shared search
    {"B.ttf", "", ""},
    {"ttf", "Shared", ""},                                     // no extension never matches
    {"Roboto-Regular.otf", "Shared", ""},
    {otf, "Shared", otf},                                      // .otf only as a path
    {loose, nullptr, loose},
    {"Missing.ttf", "Shared", ""},
  };
  for (const Case& c : cases)
  {
    LOOM_String out("previous");
    const auto where = LocateResource(c.name.c_str(), "ttf", out, kID, nullptr, c.subPath);
    EXPECT_EQ(where, c.found.empty() ? weft::canvas::kNotFound : weft::canvas::kAbsolutePath) << c.name;
    EXPECT_STREQ(out.Get(), c.found.c_str()) << c.name;
  }
  LOOM_String out("kept");
  EXPECT_EQ(LocateResource("", "ttf", out, kID, nullptr, "Shared"), weft::canvas::kNotFound);
  EXPECT_EQ(LocateResource(nullptr, "ttf", out, kID, nullptr, "Shared"), weft::canvas::kNotFound);
  EXPECT_STREQ(out.Get(), "kept");
  EXPECT_FALSE(weft::GetResourcePathFromBundle("Roboto-Regular.ttf", "ttf", out, "no.such.bundle"));
  EXPECT_STREQ(out.Get(), "");
}

TEST(PlatformPaths, InsideAnAUv3ExtensionTheBundleSearchLooksTwoFoldersUp)
{
  TempTree t;
  ASSERT_TRUE(PWShimCFBundleSetMainBundle(t.Path("Host.app").c_str(), "com.example.HostAUv3", nullptr));
  t.Bundle(kID, "Host.app/Contents/PlugIns/Pressweave.appex");
  t.File("Host.app/Contents/PlugIns/Pressweave.appex/Contents/Resources/Roboto-Regular.ttf");
  const std::string up = t.File("Host.app/Contents/Resources/Roboto-Regular.ttf");
  EXPECT_TRUE(weft::IsOOPAuv3AppExtension());
  LOOM_String out;
  EXPECT_TRUE(weft::GetResourcePathFromBundle("Roboto-Regular.ttf", "ttf", out, kID));
  EXPECT_EQ(std::string(out.Get()), up);
  PWShimCFBundleSetMainBundle(t.Path("Host.app").c_str(), "com.example.Host", nullptr);
  EXPECT_FALSE(weft::IsOOPAuv3AppExtension());
}

TEST(PlatformPaths, FoldersFollowTheHomeFolderAndTheRegisteredBundles)
{
  TempTree t;
  t.Bundle(kID, "Plug ins/Pressweave.component");
  const std::string home = t.Path("home");
  auto path = [](auto function) {
    LOOM_String s("unchanged");
    function(s);
    return std::string(s.Get());
  };
  EXPECT_EQ(path([](LOOM_String& s) { weft::UserHomePath(s); }), home);
  EXPECT_EQ(path([](LOOM_String& s) { weft::DesktopPath(s); }), home + "/Desktop");
  EXPECT_EQ(path([](LOOM_String& s) { weft::SharedMusicPath(s); }), home + "/Music");
  EXPECT_EQ(path([](LOOM_String& s) { weft::INIPath(s, "Pressweave"); }),
            home + "/Library/Application Support/Pressweave");
  EXPECT_EQ(path([](LOOM_String& s) { weft::VST3PresetsPath(s, "Lumidrake", "Pressweave", false); }),
            home + "/Library/Audio/Presets/Lumidrake/Pressweave/");
  EXPECT_EQ(path([](LOOM_String& s) { weft::VST3PresetsPath(s, "M", "P", true); }), "/Library/Audio/Presets/M/P/");
  EXPECT_EQ(path([](LOOM_String& s) { weft::AppGroupContainerPath(s, "group.pw"); }),
            home + "/Library/Group Containers/group.pw");
  EXPECT_EQ(path([](LOOM_String& s) { weft::HostPath(s, kID); }),
            t.Path("Plug ins/Pressweave.component/Contents/MacOS/Exec"));
  EXPECT_EQ(path([](LOOM_String& s) { weft::PluginPath(s, kID); }), t.Path("Plug ins") + "/");
  EXPECT_EQ(path([](LOOM_String& s) { weft::BundleResourcePath(s, kID); }), t.Path(kRes).substr(0, t.Path(kRes).size() - 1));
  for (auto f : {weft::HostPath, weft::PluginPath, weft::BundleResourcePath})
    EXPECT_EQ(path([f](LOOM_String& s) { f(s, "no.such.bundle"); }), "unchanged");
  EXPECT_EQ(path([](LOOM_String& s) { weft::AppGroupContainerPath(s, ""); }), "unchanged");

  EXPECT_FALSE(weft::AppIsSandboxed());
  setenv("HOME", (home + "/Library/Containers/x/Data").c_str(), 1);
  EXPECT_TRUE(weft::AppIsSandboxed());
  NSProcessInfo* process = [NSProcessInfo processInfo];
  NSString* name = [[process processName] retain];
  [process setProcessName:@"AUHostingServiceXPC_arrow"];
  EXPECT_TRUE(weft::IsXPCAuHost());
  [process setProcessName:name];
  [name release];
  EXPECT_FALSE(weft::IsXPCAuHost());
}
