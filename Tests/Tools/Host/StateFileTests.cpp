// The host's state files (property lists of the class-info values) and
// their conversion to and from the class-info dictionary.

#include "ClassInfoState.h"
#include "InfoPlist.h"
#include "StateFile.h"
#include "TempFolder.h"

#include <CoreFoundation/CFData.h>
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

ComponentState SampleState(std::vector<std::uint8_t> data = {0x00, 0x01, 0x02})
{
  ComponentState state;
  state.version = 0x010203;
  state.type = 0x61756678;         // aufx
  state.subtype = 0x54476E61;      // TGna
  state.manufacturer = 0x50577473; // PWts
  state.name = "Init";
  state.data = std::move(data);
  return state;
}

std::string Document(const ComponentState& state)
{
  std::string text;
  const Status status = StateDocument(state, text);
  EXPECT_TRUE(status) << status.Message();
  return text;
}

// A document with the dict's entries replaced by entries.
std::string WithEntries(const std::string& entries)
{
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + entries +
         "</dict>\n</plist>\n";
}

const std::string kGoodEntries = "<key>version</key><integer>1</integer>\n"
                                 "<key>type</key><integer>2</integer>\n"
                                 "<key>subtype</key><integer>3</integer>\n"
                                 "<key>manufacturer</key><integer>4</integer>\n"
                                 "<key>name</key><string>n</string>\n"
                                 "<key>data</key><data>AAEC</data>\n";

// Parses document expecting a refusal that leaves out as it was; answers
// the message.
std::string Refusal(const std::string& document)
{
  ComponentState out = SampleState();
  const Status status = ParseStateDocument(document, out);
  EXPECT_FALSE(status) << document;
  EXPECT_EQ(out, SampleState()) << "a refused document changes nothing";
  return status.Message();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos)
    text.replace(at, from.size(), to);
  return text;
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

// ---- the document ---------------------------------------------------------------

TEST(StateDocumentFormat, IsAPropertyListOfTheSixValuesInClassInfoOrder)
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
}

TEST(StateDocumentFormat, RoundTripsEveryDataLengthAndAnyName)
{
  for (std::size_t length : {0, 1, 2, 3, 4, 5, 47, 48, 49, 200})
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

TEST(StateDocumentFormat, WrapsTheDataInLinesOfSixtyFourCharacters)
{
  const std::string text = Document(SampleState(std::vector<std::uint8_t>(100, 0xFF)));
  // 100 bytes: 136 characters, the last two padding.
  const std::string line = "\t" + std::string(64, '/') + "\n";
  EXPECT_NE(text.find("<data>\n" + line + line + "\t/////w==\n\t</data>"), std::string::npos) << text;
}

TEST(StateDocumentFormat, AcceptsKeysInAnyOrderAndWhiteSpaceInTheData)
{
  const std::string document = WithEntries("<key>data</key><data>\n\t\tAA\n EC \n</data>\n"
                                           "<key>name</key><string> spaced </string>\n"
                                           "<key>manufacturer</key><integer>-4</integer>\n"
                                           "<key>subtype</key><integer>3</integer>\n"
                                           "<key>type</key><integer>2</integer>\n"
                                           "<key>version</key><integer>1</integer>\n");
  ComponentState state;
  const Status status = ParseStateDocument(document, state);
  ASSERT_TRUE(status) << status.Message();
  EXPECT_EQ(state.version, 1);
  EXPECT_EQ(state.type, 2);
  EXPECT_EQ(state.subtype, 3);
  EXPECT_EQ(state.manufacturer, -4);
  EXPECT_EQ(state.name, " spaced ");
  EXPECT_EQ(state.data, (std::vector<std::uint8_t>{0x00, 0x01, 0x02}));
}

TEST(StateDocumentFormat, RefusesMissingUnknownAndRepeatedKeys)
{
  ComponentState state;
  ASSERT_TRUE(ParseStateDocument(WithEntries(kGoodEntries), state));
  for (const char* key : {"version", "type", "subtype", "manufacturer", "name", "data"})
  {
    std::string entries = kGoodEntries;
    const std::size_t at = entries.find(std::string("<key>") + key + "</key>");
    entries.erase(at, entries.find('\n', at) + 1 - at);
    EXPECT_EQ(Refusal(WithEntries(entries)), std::string("no \"") + key + "\"");
  }
  EXPECT_EQ(Refusal(WithEntries(kGoodEntries + "<key>extra</key><string>x</string>\n")), "unknown key \"extra\"");
  EXPECT_NE(Refusal(WithEntries(kGoodEntries + "<key>name</key><string>again</string>\n")).find("duplicate key 'name'"),
            std::string::npos);
}

TEST(StateDocumentFormat, RefusesValuesOfTheWrongTypeOrSize)
{
  EXPECT_EQ(Refusal(WithEntries(Replaced(kGoodEntries, "<integer>1</integer>", "<string>1</string>"))),
            "\"version\" is not an <integer>");
  EXPECT_EQ(Refusal(WithEntries(Replaced(kGoodEntries, "<integer>2</integer>", "<integer>2147483648</integer>"))),
            "\"type\" does not fit 32 bits");
  EXPECT_EQ(Refusal(WithEntries(Replaced(kGoodEntries, "<integer>3</integer>", "<integer>-2147483649</integer>"))),
            "\"subtype\" does not fit 32 bits");
  EXPECT_EQ(Refusal(WithEntries(Replaced(kGoodEntries, "<string>n</string>", "<integer>5</integer>"))),
            "\"name\" is not a <string>");
  EXPECT_EQ(Refusal(WithEntries(Replaced(kGoodEntries, "<string>n</string>", "<string>\xC3</string>"))),
            "\"name\" is not UTF-8 text");
  EXPECT_EQ(Refusal(WithEntries(Replaced(kGoodEntries, "<data>AAEC</data>", "<string>AAEC</string>"))),
            "\"data\" is not <data>");
  EXPECT_EQ(Refusal("<plist><array/></plist>"), "the property list holds no <dict>");
  EXPECT_NE(Refusal("not a property list").find("line 1: "), std::string::npos);
}

TEST(StateDocumentFormat, RefusesDataThatIsNotStrictBase64)
{
  // Wrong characters, a length that is not whole groups of four, padding
  // inside the text or three deep, and spare bits that are not zero (the
  // canonical form of one byte 0x41 is "QQ==", of two bytes "QUI=").
  for (const char* bad : {"AA!C", "AAE", "AAECA", "QQ=A", "Q===", "====", "QR==", "QUJ=", "AAEC====", "AA EC="})
    EXPECT_EQ(Refusal(WithEntries(Replaced(kGoodEntries, "AAEC", bad))), "\"data\" is not base64") << bad;
  ComponentState state;
  ASSERT_TRUE(ParseStateDocument(WithEntries(Replaced(kGoodEntries, "AAEC", "QUI=")), state));
  EXPECT_EQ(state.data, (std::vector<std::uint8_t>{'A', 'B'}));
  ASSERT_TRUE(ParseStateDocument(WithEntries(Replaced(kGoodEntries, "<data>AAEC</data>", "<data/>")), state));
  EXPECT_TRUE(state.data.empty());
}

TEST(StateDocumentFormat, RefusesAStateTooLargeToReadBack)
{
  std::string text = "unchanged";
  const Status status = StateDocument(SampleState(std::vector<std::uint8_t>(pw::host::kMaxPlistBytes, 1)), text);
  EXPECT_FALSE(status);
  EXPECT_EQ(status.Message(), "the state is too large for a state file");
  EXPECT_EQ(text, "unchanged");
}

// ---- files --------------------------------------------------------------------

TEST_F(StateFileTest, APendingFileAppearsOnlyOnCommit)
{
  const std::string path = mFolder.Path("song.state");
  {
    std::unique_ptr<pw::host::PendingStateFile> file;
    ASSERT_TRUE(pw::host::PendingStateFile::Create(path, SampleState(), file));
    EXPECT_FALSE(mFolder.Exists("song.state"));
    EXPECT_EQ(mFolder.Entries().size(), 1u) << "only the hidden temporary file";
  }
  EXPECT_TRUE(mFolder.Entries().empty()) << "an uncommitted file is removed";

  mFolder.WriteText("song.state", "an older state");
  std::unique_ptr<pw::host::PendingStateFile> file;
  ASSERT_TRUE(pw::host::PendingStateFile::Create(path, SampleState(), file));
  EXPECT_EQ(mFolder.ReadText("song.state"), "an older state");
  ASSERT_TRUE(file->Commit());
  EXPECT_EQ(mFolder.Entries(), std::vector<std::string>{"song.state"});
  ComponentState back;
  const Status read = pw::host::ReadStateFile(path, back);
  ASSERT_TRUE(read) << read.Message();
  EXPECT_EQ(back, SampleState());
}

TEST_F(StateFileTest, ReadingNamesTheFileInEveryRefusal)
{
  ComponentState state;
  EXPECT_EQ(pw::host::ReadStateFile(mFolder.Path("none.state"), state).Message(),
            "cannot read the state file '" + mFolder.Path("none.state") + "'");
  mFolder.WriteText("bad.state", WithEntries("<key>version</key><integer>1</integer>\n"));
  EXPECT_EQ(pw::host::ReadStateFile(mFolder.Path("bad.state"), state).Message(),
            "'" + mFolder.Path("bad.state") + "' is not a state file: no \"type\"");
  mFolder.WriteText("big.state", std::string(pw::host::kMaxPlistBytes + 1, ' '));
  EXPECT_NE(pw::host::ReadStateFile(mFolder.Path("big.state"), state).Message().find("larger than"),
            std::string::npos);
  mFolder.MakeFolder("folder.state");
  EXPECT_FALSE(pw::host::ReadStateFile(mFolder.Path("folder.state"), state));
}

TEST_F(StateFileTest, ADestinationMustBeAFileInAnExistingFolder)
{
  EXPECT_TRUE(pw::host::CheckStateDestination(mFolder.Path("new.state")));
  mFolder.MakeFolder("sub");
  EXPECT_EQ(pw::host::CheckStateDestination(mFolder.Path("sub")).Message(),
            "cannot save the state to '" + mFolder.Path("sub") + "': it is a folder");
  EXPECT_NE(pw::host::CheckStateDestination(mFolder.Path("missing/new.state")).Message().find("no folder"),
            std::string::npos);
  std::unique_ptr<pw::host::PendingStateFile> file;
  EXPECT_FALSE(pw::host::PendingStateFile::Create(mFolder.Path("missing/new.state"), SampleState(), file));
  EXPECT_EQ(file, nullptr);
}

// ---- the class-info dictionary ----------------------------------------------------

TEST_F(StateFileTest, TheDictionaryRoundTripsTheSixValues)
{
  const ComponentState state = SampleState({9, 8, 7, 6});
  CFMutableDictionaryRef dict = pw::host::NewClassInfo(state);
  ASSERT_NE(dict, nullptr);
  EXPECT_EQ(CFDictionaryGetCount(dict), 6);
  ComponentState back;
  const Status status = pw::host::StateFromClassInfo(dict, back);
  EXPECT_TRUE(status) << status.Message();
  EXPECT_EQ(back, state);
  CFRelease(dict);
}

TEST_F(StateFileTest, ADamagedDictionaryIsRefusedWithNothingRead)
{
  const auto refusal = [](CFTypeRef value) {
    ComponentState out = SampleState();
    const Status status = pw::host::StateFromClassInfo(value, out);
    EXPECT_FALSE(status);
    EXPECT_EQ(out, SampleState());
    return status.Message();
  };
  EXPECT_EQ(refusal(nullptr), "the class-info state is not a dictionary");
  CFStringRef text = CFStringCreateWithCString(kCFAllocatorDefault, "state", kCFStringEncodingUTF8);
  EXPECT_EQ(refusal(text), "the class-info state is not a dictionary");

  CFMutableDictionaryRef dict = pw::host::NewClassInfo(SampleState());
  ASSERT_NE(dict, nullptr);
  CFStringRef key = CFStringCreateWithCString(kCFAllocatorDefault, "subtype", kCFStringEncodingUTF8);
  CFDictionarySetValue(dict, key, text);
  EXPECT_EQ(refusal(dict), "the class-info \"subtype\" is not a 32-bit number");
  const SInt64 tooLarge = 1LL << 40;
  CFNumberRef large = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &tooLarge);
  CFDictionarySetValue(dict, key, large);
  EXPECT_EQ(refusal(dict), "the class-info \"subtype\" is not a 32-bit number");
  const SInt32 fine = 3;
  CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &fine);
  CFDictionarySetValue(dict, key, number);
  CFStringRef dataKey = CFStringCreateWithCString(kCFAllocatorDefault, "data", kCFStringEncodingUTF8);
  CFDictionaryRemoveValue(dict, dataKey);
  EXPECT_EQ(refusal(dict), "the class-info state has no \"data\"");
  for (CFTypeRef object : {static_cast<CFTypeRef>(text), static_cast<CFTypeRef>(dict),
                           static_cast<CFTypeRef>(key), static_cast<CFTypeRef>(large),
                           static_cast<CFTypeRef>(number), static_cast<CFTypeRef>(dataKey)})
    CFRelease(object);
}

TEST_F(StateFileTest, ANameThatIsNotUTF8MakesNoDictionary)
{
  ComponentState state = SampleState();
  state.name = "\xFF";
  EXPECT_EQ(pw::host::NewClassInfo(state), nullptr);
}
