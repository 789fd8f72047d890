// The host's state files (property lists of the class-info values) and
// their conversion to and from the class-info dictionary.

#include "ClassInfoState.h"
#include "InfoPlist.h"
#include "StateFile.h"
#include "TempFolder.h"

#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/PWShimCFBase.h>

#include <gtest/gtest.h>

#include <climits>

using pw::host::ComponentState;
using pw::host::ParseStateDocument;
using pw::host::Status;
using pw::host::StateDocument;

namespace {

// Version 1.2.3 of aufx TGna PWts.
ComponentState SampleState(std::vector<std::uint8_t> data = {0x00, 0x01, 0x02})
{
  return {0x010203, 0x61756678, 0x54476E61, 0x50577473, "Init", std::move(data)};
}

std::string Document(const ComponentState& state)
{
  std::string text;
  const Status status = StateDocument(state, text);
  EXPECT_TRUE(status) << status.Message();
  return text;
}

// A document of the six entries with from replaced by to.
std::string Entries(const std::string& from = {}, const std::string& to = {})
{
  std::string entries = "<key>version</key><integer>1</integer>\n"
                        "<key>type</key><integer>2</integer>\n"
                        "<key>subtype</key><integer>3</integer>\n"
                        "<key>manufacturer</key><integer>4</integer>\n"
                        "<key>name</key><string>n</string>\n"
                        "<key>data</key><data>AAEC</data>\n";
  if (!from.empty())
    entries.replace(entries.find(from), from.size(), to);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + entries +
         "</dict>\n</plist>\n";
}

class StateFileTest : public ::testing::Test
{
protected:
  void SetUp() override { mLiveAtStart = PWShimCFLiveObjectCount(); }
  void TearDown() override { EXPECT_EQ(PWShimCFLiveObjectCount(), mLiveAtStart) << "CoreFoundation objects left behind"; }

  pw::test::TempFolder mFolder;
  CFIndex mLiveAtStart = 0;
};

} // namespace

TEST(StateDocumentFormat, IsAPropertyListOfTheSixValuesInClassInfoOrderWithTheDataInLinesOf64)
{
  EXPECT_EQ(Document(SampleState()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n"
            "<dict>\n"
            "\t<key>version</key>\n\t<integer>66051</integer>\n"
            "\t<key>type</key>\n\t<integer>1635083896</integer>\n"
            "\t<key>subtype</key>\n\t<integer>1413967457</integer>\n"
            "\t<key>manufacturer</key>\n\t<integer>1347908723</integer>\n"
            "\t<key>name</key>\n\t<string>Init</string>\n"
            "\t<key>data</key>\n\t<data>\n\tAAEC\n\t</data>\n"
            "</dict>\n"
            "</plist>\n");
  // 100 bytes: 136 characters, the last two padding.
  const std::string line = "\t" + std::string(64, '/') + "\n";
  EXPECT_NE(Document(SampleState(std::vector<std::uint8_t>(100, 0xFF))).find("<data>\n" + line + line + "\t/////w==\n"),
            std::string::npos);
}

TEST(StateDocumentFormat, RoundTripsAnyDataLengthNameAndNumbers)
{
  for (std::size_t length : {0, 1, 2, 3, 49})
  {
    std::vector<std::uint8_t> data(length);
    for (std::size_t i = 0; i < length; ++i)
      data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    ComponentState state = SampleState(data);
    state.name = "<a & b>\ttab\nline\rreturn\x01 caf\xC3\xA9";
    state.version = INT_MIN;
    state.manufacturer = INT_MAX;
    ComponentState back;
    const Status status = ParseStateDocument(Document(state), back);
    ASSERT_TRUE(status) << status.Message();
    EXPECT_EQ(back, state) << length << " bytes";
  }
}

TEST(StateDocumentFormat, AcceptsKeysInAnyOrderAndWhiteSpaceInTheData)
{
  ComponentState state;
  const Status status = ParseStateDocument(
    "<plist><dict><key>data</key><data>\n\t\tAA\n EC \n</data><key>name</key><string> spaced </string>"
    "<key>manufacturer</key><integer>-4</integer><key>subtype</key><integer>3</integer>"
    "<key>type</key><integer>2</integer><key>version</key><integer>1</integer></dict></plist>",
    state);
  ASSERT_TRUE(status) << status.Message();
  ComponentState expected{1, 2, 3, -4, " spaced ", {0x00, 0x01, 0x02}};
  EXPECT_EQ(state, expected);
}

TEST(StateDocumentFormat, RefusesMalformedDocumentsChangingNothing)
{
  const struct { std::string document; std::string message; } cases[] = {
    {Entries("<key>type</key><integer>2</integer>", ""), "no \"type\""},
    {Entries("<key>name</key>", "<key>extra</key><string>x</string><key>name</key>"), "unknown key \"extra\""},
    {Entries("<key>name</key>", "<key>type</key><integer>1</integer><key>name</key>"), "line 8: duplicate key 'type'"},
    {Entries("<integer>1</integer>", "<string>1</string>"), "\"version\" is not an <integer>"},
    {Entries("<integer>2</integer>", "<integer>2147483648</integer>"), "\"type\" does not fit 32 bits"},
    {Entries("<integer>4</integer>", "<integer>-2147483649</integer>"), "\"manufacturer\" does not fit 32 bits"},
    {Entries("<string>n</string>", "<string>\xC3</string>"), "\"name\" is not UTF-8 text"},
    {Entries("<data>AAEC</data>", "<string>AAEC</string>"), "\"data\" is not <data>"},
    // Strict base64: its alphabet, whole groups, padding only at the end
    // and spare bits zero (one byte 0x41 is "QQ==", never "QR==").
    {Entries("AAEC", "AA!C"), "\"data\" is not base64"},
    {Entries("AAEC", "AAE"), "\"data\" is not base64"},
    {Entries("AAEC", "QQ=A"), "\"data\" is not base64"},
    {Entries("AAEC", "QR=="), "\"data\" is not base64"},
    {"<plist><array/></plist>", "the property list holds no <dict>"},
    {"not a property list", "line 1: "},
  };
  for (const auto& c : cases)
  {
    ComponentState out = SampleState();
    const Status status = ParseStateDocument(c.document, out);
    ASSERT_FALSE(status) << c.message;
    EXPECT_EQ(status.Message().rfind(c.message, 0), 0u) << status.Message();
    EXPECT_EQ(out, SampleState());
  }
}

TEST(StateDocumentFormat, RefusesToWriteAStateTooLargeToReadBack)
{
  std::string text = "unchanged";
  EXPECT_EQ(StateDocument(SampleState(std::vector<std::uint8_t>(pw::host::kMaxPlistBytes, 1)), text).Message(),
            "the state is too large for a state file");
  EXPECT_EQ(text, "unchanged");
}

TEST_F(StateFileTest, APendingFileReplacesTheDestinationOnlyOnCommit)
{
  const std::string path = mFolder.Path("song.state");
  {
    std::unique_ptr<pw::host::PendingStateFile> file;
    ASSERT_TRUE(pw::host::PendingStateFile::Create(path, SampleState(), file));
  }
  EXPECT_TRUE(mFolder.Entries().empty()) << "an uncommitted file is removed";
  mFolder.WriteText("song.state", "an older state");
  std::unique_ptr<pw::host::PendingStateFile> file;
  ASSERT_TRUE(pw::host::PendingStateFile::Create(path, SampleState(), file));
  EXPECT_EQ(mFolder.ReadText("song.state"), "an older state");
  ASSERT_TRUE(file->Commit());
  EXPECT_EQ(mFolder.Entries(), std::vector<std::string>{"song.state"});
  ComponentState back;
  ASSERT_TRUE(pw::host::ReadStateFile(path, back));
  EXPECT_EQ(back, SampleState());
}

TEST_F(StateFileTest, TheClassInfoDictionaryRoundTripsAndADamagedOneIsRefused)
{
  CFMutableDictionaryRef dict = pw::host::NewClassInfo(SampleState({9, 8, 7, 6}));
  ASSERT_NE(dict, nullptr);
  ComponentState out;
  ASSERT_TRUE(pw::host::StateFromClassInfo(dict, out));
  EXPECT_EQ(out, SampleState({9, 8, 7, 6}));

  const auto refusal = [](CFTypeRef value) {
    ComponentState kept = SampleState();
    const Status status = pw::host::StateFromClassInfo(value, kept);
    EXPECT_EQ(kept, SampleState());
    return status.Message();
  };
  EXPECT_EQ(refusal(nullptr), "the class-info state is not a dictionary");
  CFStringRef subtypeKey = CFStringCreateWithCString(kCFAllocatorDefault, "subtype", kCFStringEncodingUTF8);
  const SInt64 tooLarge = 1LL << 40;
  CFNumberRef large = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &tooLarge);
  CFDictionarySetValue(dict, subtypeKey, large);
  EXPECT_EQ(refusal(dict), "the class-info \"subtype\" is not a 32-bit number");
  for (CFTypeRef object : {static_cast<CFTypeRef>(dict), static_cast<CFTypeRef>(large),
                           static_cast<CFTypeRef>(subtypeKey)})
    CFRelease(object);

  ComponentState notText = SampleState();
  notText.name = "\xFF";
  EXPECT_EQ(pw::host::NewClassInfo(notText), nullptr);
}
