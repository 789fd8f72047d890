#include "BundleInfo.h"
#include "InfoPlist.h"

#include <gtest/gtest.h>

#include <string>

using pw::host::BundleInfo;
using pw::host::ParsePlist;
using pw::host::PlistValue;
using pw::host::Status;

namespace {

std::string Wrap(const std::string& body)
{
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n" +
         body + "\n</plist>\n";
}

const char* const kComponentPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
	<key>CFBundleExecutable</key>
	<string>Pressweave</string>
	<key>CFBundleIdentifier</key>
	<string>com.Corvantis x Lumidrake.audiounit.Pressweave</string>
	<key>CFBundleVersion</key>
	<string>1.0.0</string>
	<key>AudioComponents</key>
	<array>
		<dict>
			<key>factoryFunction</key>
			<string>Pressweave_Factory</string>
			<key>manufacturer</key>
			<string>Lmdk</string>
			<key>name</key>
			<string>Corvantis x Lumidrake: Pressweave</string>
			<key>sandboxSafe</key>
			<true/>
			<key>subtype</key>
			<string>Vrkq</string>
			<key>type</key>
			<string>aufx</string>
			<key>version</key>
			<integer>65536</integer>
		</dict>
	</array>
</dict>
</plist>
)";

// A parse that must fail: out keeps its sentinel, the message names a line.
void ExpectRefused(const std::string& document, const std::string& fragment)
{
  PlistValue out;
  out.text = "untouched";
  const Status status = ParsePlist(document, out);
  ASSERT_FALSE(status) << "accepted: " << document;
  EXPECT_NE(status.Message().find(fragment), std::string::npos) << status.Message();
  EXPECT_EQ(out.text, "untouched");
}

} // namespace

// ---- good documents --------------------------------------------------------

TEST(InfoPlistReader, ReadsEveryValueKindInDocumentOrder)
{
  PlistValue root;
  const Status status = ParsePlist(Wrap(R"(<dict>
  <key>s</key><string>a &lt;b&gt; &amp; &quot;c&quot; &apos;d&apos; &#233;&#x1F600;</string>
  <key>i</key><integer> -9223372036854775808 </integer>
  <key>r</key><real>2.5e-3</real>
  <key>t</key><true/>
  <key>f</key><false></false>
  <key>empty</key><string/>
  <!-- a comment between entries -->
  <key>list</key><array><integer>1</integer><dict/><array/></array>
  <key>cdata</key><string><![CDATA[<not> & markup]]></string>
  <key>date</key><date> 2024-01-01T00:00:00Z </date>
</dict>)"),
                                    root);
  ASSERT_TRUE(status) << status.Message();
  ASSERT_EQ(root.type, PlistValue::Type::Dict);
  EXPECT_EQ(root.keys, (std::vector<std::string>{"s", "i", "r", "t", "f", "empty", "list", "cdata", "date"}));
  EXPECT_EQ(*root.FindString("s"), "a <b> & \"c\" 'd' \xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(root.Find("i")->integer, INT64_MIN);
  EXPECT_DOUBLE_EQ(root.Find("r")->real, 0.0025);
  EXPECT_TRUE(root.Find("t")->boolean);
  EXPECT_EQ(root.Find("f")->type, PlistValue::Type::Boolean);
  EXPECT_FALSE(root.Find("f")->boolean);
  EXPECT_EQ(*root.FindString("empty"), "");
  const PlistValue* list = root.Find("list");
  ASSERT_EQ(list->items.size(), 3u);
  EXPECT_EQ(list->items[0].integer, 1);
  EXPECT_EQ(list->items[1].type, PlistValue::Type::Dict);
  EXPECT_EQ(list->items[2].type, PlistValue::Type::Array);
  EXPECT_EQ(*root.FindString("cdata"), "<not> & markup");
  EXPECT_EQ(root.Find("date")->text, "2024-01-01T00:00:00Z");
  EXPECT_EQ(root.Find("missing"), nullptr);
  EXPECT_EQ(root.FindString("i"), nullptr) << "an integer is not a string";
}

TEST(InfoPlistReader, AcceptsAByteOrderMarkAndARootThatIsNotADict)
{
  PlistValue root;
  ASSERT_TRUE(ParsePlist("\xEF\xBB\xBF<plist><array><string>x</string></array></plist>", root));
  ASSERT_EQ(root.type, PlistValue::Type::Array);
  EXPECT_EQ(root.items.at(0).text, "x");
}

// ---- malformed documents -----------------------------------------------------

TEST(InfoPlistReader, RefusesBrokenStructureNamingTheLine)
{
  ExpectRefused(Wrap("<dict>\n<key>a</key>\n<string>x</dict>"), "line 6: </dict> closes <string>");
  ExpectRefused(Wrap("<string>never closed"), "line 5: </plist> closes <string>");
  ExpectRefused("<plist><string>cut short", "unterminated <string>");
  ExpectRefused("<plist><string>x</string", "unterminated tag <string>");
  ExpectRefused(Wrap("<dict><key>a</key></dict>"), "key 'a' has no value");
  ExpectRefused(Wrap("<dict><string>x</string></dict>"), "expected <key> in <dict>");
  ExpectRefused(Wrap("<array><key>a</key></array>"), "<key> outside a <dict>");
  ExpectRefused(Wrap("<widget/>"), "unknown element <widget>");
  ExpectRefused(Wrap("<string>a<b>c</b></string>"), "element <b> inside <string>");
  ExpectRefused(Wrap("<string>x</string><string>y</string>"), "expected </plist>");
  ExpectRefused(Wrap("<string>x</string>") + "trailing", "content after </plist>");
  ExpectRefused("<dict></dict>", "expected <plist>");
  ExpectRefused("", "unexpected end of the document");
  ExpectRefused("<plist/>", "holds no value");
  ExpectRefused("<plist version=1.0><string/></plist>", "no quoted value");
  ExpectRefused(Wrap("<true>yes</true>"), "<true> holds text");
}

TEST(InfoPlistReader, RefusesDuplicateKeys)
{
  ExpectRefused(Wrap("<dict><key>a</key><string>1</string><key>a</key><string>2</string></dict>"),
                "duplicate key 'a'");
}

TEST(InfoPlistReader, RefusesNumbersThatAreNotNumbersOrDoNotFit)
{
  ExpectRefused(Wrap("<integer>12x</integer>"), "is not a 64-bit integer");
  ExpectRefused(Wrap("<integer>9223372036854775808</integer>"), "is not a 64-bit integer");
  ExpectRefused(Wrap("<integer></integer>"), "is not a 64-bit integer");
  ExpectRefused(Wrap("<real>1e999</real>"), "is not a real number");
  ExpectRefused(Wrap("<real>1.5.2</real>"), "is not a real number");
}

TEST(InfoPlistReader, RefusesEntityTricks)
{
  ExpectRefused("<!DOCTYPE plist [<!ENTITY x \"boom\">]><plist><string>&x;</string></plist>",
                "internal DTD subsets are not supported");
  ExpectRefused(Wrap("<string>&nbsp;</string>"), "unknown entity &nbsp;");
  ExpectRefused(Wrap("<string>&#0;</string>"), "names no character");
  ExpectRefused(Wrap("<string>&#xD800;</string>"), "names no character");
  ExpectRefused(Wrap("<string>&#x110000;</string>"), "names no character");
  ExpectRefused(Wrap("<string>& alone</string>"), "malformed entity reference");
}

TEST(InfoPlistReader, RefusesNulBytesDeepNestingAndHugeDocuments)
{
  ExpectRefused(Wrap(std::string("<string>a\0b</string>", 20)), "NUL byte");
  std::string deep;
  for (int i = 0; i < pw::host::kMaxPlistDepth + 1; ++i)
    deep += "<array>";
  for (int i = 0; i < pw::host::kMaxPlistDepth + 1; ++i)
    deep += "</array>";
  ExpectRefused(Wrap(deep), "nested deeper than 32");
  ExpectRefused(Wrap("<string>" + std::string(pw::host::kMaxPlistBytes, 'x') + "</string>"), "larger than");
}

TEST(InfoPlistReader, AcceptsNestingUpToTheLimit)
{
  std::string deep;
  for (int i = 0; i < pw::host::kMaxPlistDepth; ++i)
    deep += "<array>";
  for (int i = 0; i < pw::host::kMaxPlistDepth; ++i)
    deep += "</array>";
  PlistValue root;
  EXPECT_TRUE(ParsePlist(Wrap(deep), root));
}

TEST(InfoPlistReader, AMissingFileIsAnErrorNamingIt)
{
  PlistValue root;
  const Status status = pw::host::ReadPlistFile("/nonexistent/Info.plist", root);
  ASSERT_FALSE(status);
  EXPECT_EQ(status.Message(), "cannot read /nonexistent/Info.plist");
}

// ---- the component's identity ------------------------------------------------

TEST(BundleInfo, ReadsTheIdentityTheHostNeeds)
{
  PlistValue root;
  ASSERT_TRUE(ParsePlist(kComponentPlist, root));
  BundleInfo info;
  const Status status = pw::host::ReadBundleInfo(root, info);
  ASSERT_TRUE(status) << status.Message();
  EXPECT_EQ(info.identifier, "com.Corvantis x Lumidrake.audiounit.Pressweave");
  EXPECT_EQ(info.bundleVersion, "1.0.0");
  EXPECT_EQ(info.executable, "Pressweave");
  EXPECT_EQ(info.name, "Corvantis x Lumidrake: Pressweave");
  EXPECT_EQ(info.type, 0x61756678u);         // 'aufx'
  EXPECT_EQ(info.subtype, 0x56726B71u);      // 'Vrkq'
  EXPECT_EQ(info.manufacturer, 0x4C6D646Bu); // 'Lmdk'
  EXPECT_EQ(info.version, 0x10000u);
  EXPECT_EQ(info.factoryFunction, "Pressweave_Factory");
  using Entry = std::pair<std::string, std::string>;
  EXPECT_EQ(info.infoStrings,
            (std::vector<Entry>{{"CFBundleExecutable", "Pressweave"},
                                {"CFBundleIdentifier", "com.Corvantis x Lumidrake.audiounit.Pressweave"},
                                {"CFBundleVersion", "1.0.0"}}))
    << "the top-level strings, not the AudioComponents entry's";
}

TEST(BundleInfo, RefusesAnIdentityItCannotTrust)
{
  const auto refused = [](const std::string& from, const std::string& to, const std::string& fragment) {
    std::string document = kComponentPlist;
    const std::size_t at = document.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    document.replace(at, from.size(), to);
    PlistValue root;
    ASSERT_TRUE(ParsePlist(document, root));
    BundleInfo info;
    info.executable = "untouched";
    const Status status = pw::host::ReadBundleInfo(root, info);
    ASSERT_FALSE(status) << "accepted with " << to;
    EXPECT_NE(status.Message().find(fragment), std::string::npos) << status.Message();
    EXPECT_EQ(info.executable, "untouched");
  };
  refused("<string>Pressweave</string>", "<string>../../evil</string>", "is not a file name");
  refused("<string>Pressweave</string>", "<string></string>", "no CFBundleExecutable string");
  refused("<string>Vrkq</string>", "<string>Vrk</string>", "subtype 'Vrk' is not four printable characters");
  refused("<string>Pressweave_Factory</string>", "<string>rm -rf</string>", "is not a symbol name");
  refused("<integer>65536</integer>", "<string>65536</string>", "no version integer");
  refused("<integer>65536</integer>", "<integer>-1</integer>", "no version integer");
  refused("<key>AudioComponents</key>", "<key>Components</key>", "no AudioComponents entry");
  refused("<key>CFBundleVersion</key>", "<key>Version</key>", "no CFBundleVersion string");
}

TEST(BundleInfo, FourCharacterCodesPackFirstCharacterHighest)
{
  std::uint32_t code = 0;
  ASSERT_TRUE(pw::host::FourCharCodeFromText("aufx", code));
  EXPECT_EQ(code, 0x61756678u);
  EXPECT_EQ(pw::host::FourCharCodeText(code), "aufx");
  EXPECT_EQ(pw::host::FourCharCodeText(0x0041FF42u), "?A?B");
  EXPECT_FALSE(pw::host::FourCharCodeFromText("auf", code));
  EXPECT_FALSE(pw::host::FourCharCodeFromText("au\tx", code));
  EXPECT_FALSE(pw::host::FourCharCodeFromText("aufxx", code));
}
