#include "BundleInfo.h"
#include "InfoPlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

using pw::host::BundleInfo;
using pw::host::ParsePlist;
using pw::host::PlistValue;
using pw::host::Status;

namespace {

std::string NestedArrays(int depth)
{
  return depth == 0 ? "" : "<array>" + NestedArrays(depth - 1) + "</array>";
}

std::string Wrap(const std::string& body)
{
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n" +
         body + "\n</plist>\n";
}

const std::string kComponentPlist = Wrap(R"(<dict>
  <key>CFBundleExecutable</key><string>Pressweave</string>
  <key>CFBundleIdentifier</key><string>com.Corvantis x Lumidrake.audiounit.Pressweave</string>
  <key>CFBundleVersion</key><string>1.0.0</string>
  <key>AudioComponents</key><array><dict>
    <key>factoryFunction</key><string>Pressweave_Factory</string>
    <key>manufacturer</key><string>Lmdk</string>
    <key>name</key><string>Corvantis x Lumidrake: Pressweave</string>
    <key>sandboxSafe</key><true/>
    <key>subtype</key><string>Vrkq</string>
    <key>type</key><string>aufx</string>
    <key>version</key><integer>65536</integer>
  </dict></array>
</dict>)");

} // namespace

TEST(InfoPlistReader, ReadsEveryValueKindInDocumentOrder)
{
  PlistValue root;
  const Status status = ParsePlist(Wrap(R"(<dict>
  <key>s</key><string>a &lt;b&gt; &amp; &quot;c&quot; &apos;d&apos; &#233;&#x1F600;</string>
  <key>i</key><integer> -9223372036854775808 </integer>
  <key>r</key><real>2.5e-3</real>
  <!-- a comment between entries -->
  <key>list</key><array><false></false><dict/></array>
  <key>cdata</key><string><![CDATA[<not> & markup]]></string>
  <key>date</key><date> 2024-01-01T00:00:00Z </date>
</dict>)"),
                                    root);
  ASSERT_TRUE(status) << status.Message();
  EXPECT_EQ(root.keys, (std::vector<std::string>{"s", "i", "r", "list", "cdata", "date"}));
  EXPECT_EQ(*root.FindString("s"), "a <b> & \"c\" 'd' \xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(root.Find("i")->integer, INT64_MIN);
  EXPECT_DOUBLE_EQ(root.Find("r")->real, 0.0025);
  ASSERT_EQ(root.Find("list")->items.size(), 2u);
  EXPECT_EQ(root.Find("list")->items[0].type, PlistValue::Type::Boolean);
  EXPECT_EQ(root.Find("list")->items[1].type, PlistValue::Type::Dict);
  EXPECT_EQ(*root.FindString("cdata"), "<not> & markup");
  EXPECT_EQ(root.Find("date")->text, "2024-01-01T00:00:00Z");
  EXPECT_EQ(root.FindString("i"), nullptr) << "an integer is not a string";
}

TEST(InfoPlistReader, AcceptsAByteOrderMarkARootThatIsNotADictAndNestingUpToTheLimit)
{
  PlistValue root;
  ASSERT_TRUE(ParsePlist("\xEF\xBB\xBF<plist><array><string>x</string></array></plist>", root));
  EXPECT_EQ(root.items.at(0).text, "x");
  EXPECT_TRUE(ParsePlist(Wrap(NestedArrays(pw::host::kMaxPlistDepth)), root));
}

TEST(InfoPlistReader, RefusesMalformedAndHostileDocumentsLeavingTheResultAlone)
{
  const struct { std::string document; std::string message; } cases[] = {
    {"<!DOCTYPE plist [<!ENTITY x \"boom\">]><plist><string>&x;</string></plist>",
     "internal DTD subsets are not supported"},
    {Wrap(NestedArrays(pw::host::kMaxPlistDepth + 1)), "nested deeper than 32"},
    {Wrap("<string>" + std::string(pw::host::kMaxPlistBytes, 'x') + "</string>"), "larger than"},
    {Wrap("<string>&nbsp;</string>"), "unknown entity &nbsp;"},
    {Wrap("<string>&#0;</string>"), "names no character"},
    {Wrap("<string>& alone</string>"), "malformed entity reference"},
    {Wrap("<dict><key>a</key><string>1</string><key>a</key><string>2</string></dict>"), "duplicate key 'a'"},
    {Wrap(std::string("<string>a\0b</string>", 20)), "NUL byte"},
    {Wrap("<dict>\n<key>a</key>\n<string>x</dict>"), "line 6: </dict> closes <string>"},
    {Wrap("<dict><key>a</key></dict>"), "key 'a' has no value"},
    {Wrap("<string>x</string>") + "trailing", "content after </plist>"},
    {"", "unexpected end of the document"},
    {Wrap("<integer>9223372036854775808</integer>"), "is not a 64-bit integer"},
    {Wrap("<real>1e999</real>"), "is not a real number"},
    // The file's own bytes are quoted with their control bytes escaped.
    {Wrap("<dict><key>\x1b[2Jk\n</key><true/><key>\x1b[2Jk\n</key><true/></dict>"),
     "duplicate key '\\x1B[2Jk\\x0A'"},
  };
  for (const auto& c : cases)
  {
    PlistValue out;
    out.text = "untouched";
    const Status status = ParsePlist(c.document, out);
    ASSERT_FALSE(status) << c.message;
    EXPECT_NE(status.Message().find(c.message), std::string::npos) << status.Message();
    EXPECT_EQ(out.text, "untouched");
  }
  // Reading is linear in the keys: sixteen times the keys take nowhere near
  // the 256 times a quadratic check would (best of five, and a wide margin, so
  // a busy machine or a sanitizer build does not fail a linear reader).
  const auto bestTime = [](int n, PlistValue& out) {
    std::string keys;
    for (int i = 0; i < n; ++i)
      keys += "<key>" + std::to_string(i) + "</key><true/>";
    const std::string doc = Wrap("<dict>" + keys + "</dict>");
    auto best = std::chrono::steady_clock::duration::max();
    for (int run = 0; run < 5; ++run)
    {
      const auto start = std::chrono::steady_clock::now();
      EXPECT_TRUE(ParsePlist(doc, out));
      best = std::min(best, std::chrono::steady_clock::now() - start);
    }
    return best;
  };
  PlistValue small, big;
  const auto smallTime = bestTime(1000, small);
  const auto bigTime = bestTime(16000, big);
  EXPECT_LT(bigTime, 100 * smallTime + std::chrono::milliseconds(20));
  EXPECT_EQ(big.keys.size(), 16000u);

  PlistValue missing;
  EXPECT_EQ(pw::host::ReadPlistFile("/nonexistent/Info.plist", missing).Message(), "cannot read /nonexistent/Info.plist");
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
  EXPECT_EQ(info.executable, "Pressweave");
  EXPECT_EQ(info.name, "Corvantis x Lumidrake: Pressweave");
  EXPECT_EQ(info.type, 0x61756678u);         // 'aufx', the first character highest
  EXPECT_EQ(info.subtype, 0x56726B71u);      // 'Vrkq'
  EXPECT_EQ(info.manufacturer, 0x4C6D646Bu); // 'Lmdk'
  EXPECT_EQ(info.version, 0x10000u);
  EXPECT_EQ(info.factoryFunction, "Pressweave_Factory");
  EXPECT_EQ(pw::host::FourCharCodeText(0x0041FF42u), "?A?B") << "codes are shown printable";
  ASSERT_EQ(info.infoStrings.size(), 3u) << "the top-level strings, not the AudioComponents entry's";
  EXPECT_EQ(info.infoStrings[2], (std::pair<std::string, std::string>{"CFBundleVersion", "1.0.0"}));
}

TEST(BundleInfo, RefusesAnIdentityItCannotTrust)
{
  const struct { const char* from; const char* to; const char* message; } cases[] = {
    {"<string>Pressweave</string>", "<string>../../evil</string>", "is not a file name"},
    {"<string>Pressweave</string>", "<string></string>", "no CFBundleExecutable string"},
    {"<string>Vrkq</string>", "<string>Vrk</string>", "subtype 'Vrk' is not four printable characters"},
    {"<string>Pressweave_Factory</string>", "<string>rm -rf</string>", "is not a symbol name"},
    {"<integer>65536</integer>", "<integer>-1</integer>", "no version integer"},
    {"<key>AudioComponents</key>", "<key>Components</key>", "no AudioComponents entry"},
    {"<key>CFBundleVersion</key>", "<key>Version</key>", "no CFBundleVersion string"},
  };
  for (const auto& c : cases)
  {
    std::string document = kComponentPlist;
    document.replace(document.find(c.from), std::string(c.from).size(), c.to);
    PlistValue root;
    ASSERT_TRUE(ParsePlist(document, root));
    BundleInfo info;
    info.executable = "untouched";
    const Status status = pw::host::ReadBundleInfo(root, info);
    ASSERT_FALSE(status) << "accepted with " << c.to;
    EXPECT_NE(status.Message().find(c.message), std::string::npos) << status.Message();
    EXPECT_EQ(info.executable, "untouched");
  }
}
