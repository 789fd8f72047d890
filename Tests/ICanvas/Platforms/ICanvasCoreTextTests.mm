#include "../Drawing/VG/FontTestFonts.h"
#include "ICanvasCoreText.h"
#include "MacTestFiles.h"

#include <CoreText/PWShimCoreText.h>

#include <cstdlib>

using namespace pwtest;
using namespace weft::canvas;

namespace {
constexpr char kID[] = "com.Corvantis x Lumidrake.audiounit.Pressweave";

std::string Bytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FontBytes(PlatformFont& font)
{
  IFontDataPtr data = font.GetFontData();
  return std::string(reinterpret_cast<const char*>(data->Get()), static_cast<size_t>(data->GetSize()));
}

std::string Attribute(void* descriptor, CFStringRef key)
{
  CFLocal<CFStringRef> value(
    static_cast<CFStringRef>(CTFontDescriptorCopyAttribute(static_cast<CTFontDescriptorRef>(descriptor), key)));
  char text[256] = {};
  return value.Get() && CFStringGetCString(value.Get(), text, sizeof(text), kCFStringEncodingUTF8) ? text : "";
}
} // namespace

TEST(CoreTextFonts, ABundleFontAndBytesInMemoryGiveTheirBytesAtFaceZero)
{
  TempTree t;
  t.Bundle(kID, "Pressweave.component");
  const std::string roboto = Bytes(kRobotoPath);
  t.File("Pressweave.component/Contents/Resources/Roboto-Regular.ttf", roboto);
  t.File("Pressweave.component/Contents/Resources/Broken.ttf", "not a font");
  PlatformFontPtr file = CoreTextHelpers::LoadPlatformFont("Roboto-Regular", "Roboto-Regular.ttf", kID, nullptr);
  ASSERT_TRUE(file);
  EXPECT_FALSE(file->IsSystem());
  EXPECT_EQ(FontBytes(*file), roboto);
  EXPECT_EQ(file->GetFontData()->GetFaceIdx(), 0);
  EXPECT_EQ(Attribute(file->GetDescriptor(), kCTFontFamilyNameAttribute), "Roboto");
  EXPECT_FALSE(CoreTextHelpers::LoadPlatformFont("x", "Broken.ttf", kID, nullptr));
  EXPECT_FALSE(CoreTextHelpers::LoadPlatformFont("x", "Missing.ttf", kID, nullptr));

  std::string bytes = roboto;
  PlatformFontPtr memory = CoreTextHelpers::LoadPlatformFont("mem", bytes.data(), static_cast<int>(bytes.size()));
  ASSERT_TRUE(memory);
  bytes.assign(bytes.size(), '\0'); // the font keeps its own copy
  EXPECT_EQ(FontBytes(*memory), roboto);
  char junk[] = "junk";
  for (auto [data, size] : {std::pair<void*, int>{nullptr, 10}, {junk, 0}, {junk, -1}, {junk, 4}})
    EXPECT_FALSE(CoreTextHelpers::LoadPlatformFont("mem", data, size)) << size;
}

TEST(CoreTextFonts, InstalledFontsAreFoundByFamilyAndStyleAndSelectTheirFace)
{
  TempTree t;
  t.File("fonts/Roboto-Regular.ttf", Bytes(kRobotoPath));
  t.File("fonts/Two.ttc", Bytes(std::string(std::getenv("PW_SOURCE_DIR")) + "/Tests/Fuzz/Corpus/font/two-faces.ttc"));
  ASSERT_TRUE(PWShimCTFontSetFolder(t.Path("fonts").c_str()));
  PlatformFontPtr roboto = CoreTextHelpers::LoadPlatformFont("Roboto", ETextStyle::Normal);
  ASSERT_TRUE(roboto);
  EXPECT_TRUE(roboto->IsSystem());
  EXPECT_EQ(FontBytes(*roboto), Bytes(kRobotoPath));
  EXPECT_FALSE(CoreTextHelpers::LoadPlatformFont("Roboto", ETextStyle::Bold)) << "the family lacks the style";
  EXPECT_FALSE(CoreTextHelpers::LoadPlatformFont("Nothing", ETextStyle::Normal));

  // the collection's second face is its "Regular" one
  PlatformFontPtr regular = CoreTextHelpers::LoadPlatformFont("Fam", ETextStyle::Normal);
  ASSERT_TRUE(regular);
  EXPECT_EQ(regular->GetFontData()->GetFaceIdx(), 1);
  PWShimCTFontSetFolder(nullptr);
  EXPECT_FALSE(CoreTextHelpers::LoadPlatformFont("Roboto", ETextStyle::Normal));
}

TEST(CoreTextFonts, TheCacheKeepsTheFirstDescriptorOfAnIdentifier)
{
  StaticStorage<CoreTextFontDescriptor> cache;
  const std::string roboto = Bytes(kRobotoPath);
  PlatformFontPtr first = CoreTextHelpers::LoadPlatformFont("a", const_cast<char*>(roboto.data()), int(roboto.size()));
  PlatformFontPtr second = CoreTextHelpers::LoadPlatformFont("b", const_cast<char*>(roboto.data()), int(roboto.size()));
  ASSERT_TRUE(first && second);
  CoreTextHelpers::CachePlatformFont("Roboto-Regular", first, cache);
  CoreTextHelpers::CachePlatformFont("Roboto-Regular", second, cache);
  EXPECT_EQ(StaticStorage<CoreTextFontDescriptor>::Accessor(cache).Size(), 1);
  CoreTextFontDescriptor* cached = CoreTextHelpers::GetCTFontDescriptor(IText(12, DEFAULT_TEXT_FGCOLOR, "Roboto-Regular"), cache);
  ASSERT_TRUE(cached);
  EXPECT_EQ(cached->GetDescriptor(), first->GetDescriptor());
  EXPECT_DOUBLE_EQ(cached->GetEMRatio(), 2048.0 / 2400.0);
  first.reset(); // the cache holds its own reference
  EXPECT_EQ(Attribute(const_cast<void*>(static_cast<const void*>(cached->GetDescriptor())), kCTFontStyleNameAttribute),
            "Regular");
#ifdef NDEBUG
  EXPECT_EQ(CoreTextHelpers::GetCTFontDescriptor(IText(12, DEFAULT_TEXT_FGCOLOR, "Never-Loaded"), cache), nullptr);
#endif
}
