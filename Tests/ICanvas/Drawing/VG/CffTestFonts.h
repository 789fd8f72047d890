#pragma once
// Small OpenType fonts with CFF outlines ("OTTO"), made byte by byte for
// the CFF checks' tests and the fuzz corpus, and damaged copies of them.
// Units per em 1000, ascender 800, descender -200. The CFF table is the
// last table, unpadded, so that a read past it is a read past the font.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <utility>
#include <vector>

namespace cfftest {

using Bytes = std::vector<uint8_t>;

inline Bytes& operator+=(Bytes& to, const Bytes& b) { return to.insert(to.end(), b.begin(), b.end()), to; }
inline Bytes operator+(Bytes a, const Bytes& b) { return a += b; }
inline Bytes Be(uint64_t v, int n)
{
  Bytes b;
  for (int i = n - 1; i >= 0; i--) b.push_back(uint8_t(v >> (8 * i)));
  return b;
}

// Charstrings: numbers as 16-bit operands (28); operators, and the bytes
// of a hint mask, as kOp + the byte.
enum : int { kOp = 1 << 20, kHstem = kOp | 1, kVmoveto = kOp | 4, kRlineto = kOp | 5, kHlineto = kOp | 6,
             kVlineto = kOp | 7, kRrcurveto = kOp | 8, kCallsubr = kOp | 10, kReturn = kOp | 11, kEscape = kOp | 12,
             kEndchar = kOp | 14, kHintmask = kOp | 19, kRmoveto = kOp | 21, kHmoveto = kOp | 22, kRcurveline = kOp | 24,
             kRlinecurve = kOp | 25, kVvcurveto = kOp | 26, kHhcurveto = kOp | 27, kCallgsubr = kOp | 29,
             kVhcurveto = kOp | 30, kHvcurveto = kOp | 31 };
inline Bytes CS(const std::vector<int>& items)
{
  Bytes b;
  for (int v : items) v >= kOp ? b.push_back(uint8_t(v)) : (void)(b += {28, uint8_t(uint16_t(v) >> 8), uint8_t(v)});
  return b;
}

// A subroutine: a bar 100 wide and 700 high, dx right of the pen.
inline Bytes Bar(int dx) { return CS({dx, 0, kRmoveto, 100, 0, 0, 700, -100, 0, 0, -700, kRlineto, kReturn}); }

// 'O' a square ring (outer 100..700, counter 250..550); 'H' bars at x
// 100..200 through a local and 400..500 through a global subroutine; 'I' a
// bar after a stem hint and its mask (CID-keyed, in font DICT 1, which has
// no Subrs).
struct Recipe
{
  std::vector<uint32_t> codepoints = {'O', 'H', 'I'}; // glyphs 1.. (glyph 0 is .notdef)
  std::vector<Bytes> charstrings = {
      CS({kEndchar}),
      CS({100, 0, kRmoveto, 600, 0, 0, 700, -600, 0, kRlineto, 150, -550, kRmoveto, 0, 400, 300, 0, 0, -400, kRlineto, kEndchar}),
      CS({-107, kCallsubr, -107, kCallgsubr, kEndchar}),
      CS({0, 700, kHstem, kHintmask, kOp | 0x80, 300, 0, kRmoveto, 100, 0, 0, 700, -100, 0, kRlineto, kEndchar})};
  std::vector<Bytes> subrs = {Bar(100)}, gsubrs = {Bar(300)}; // subrs: the Private DICT's (FD 0's when CID-keyed)
  bool cid = false; // two font DICTs, glyphs chosen by FDSelect format 3
  std::vector<uint8_t> fdOfGlyph = {0, 0, 0, 1};
};

// An INDEX with 2-byte offsets.
inline Bytes Index(const std::vector<Bytes>& items)
{
  if (items.empty())
    return {0, 0};
  Bytes b = Be(items.size(), 2) + Bytes{2, 0, 1}, data;
  for (const Bytes& item : items) data += item, b += Be(data.size() + 1, 2);
  return b + data;
}

// DICT entries of 5-byte operands (29), so that offsets do not change sizes.
inline Bytes Entry(std::initializer_list<size_t> operands, int op)
{
  Bytes d;
  for (size_t v : operands) d += Bytes{29} + Be(v, 4);
  return d + (op >= 0x0C00 ? Bytes{12, uint8_t(op)} : Bytes{uint8_t(op)});
}

// Where the parts of a made CFF table are, from the table's start.
struct Layout
{
  size_t topDict, gsubrs, charstrings, privateDict, fdarray, fdselect;
};

inline Bytes CffTable(const Recipe& s, Layout* where = nullptr)
{
  const Bytes bare = Entry({0}, 20); // defaultWidthX, and Subrs (right after it) first when there are any
  const Bytes priv = s.subrs.empty() ? bare : Entry({12}, 19) + bare;
  Layout l{};
  auto topDict = [&] {
    return (s.cid ? Entry({l.fdarray}, 0x0C24) + Entry({l.fdselect}, 0x0C25) : Entry({priv.size(), l.privateDict}, 18)) +
           Entry({l.charstrings}, 17);
  };
  const Bytes head = Bytes{1, 0, 4, 4} + Index({Bytes{'T', 'e', 's', 't'}});
  l.topDict = head.size() + 7;                            // after a one-item INDEX's header
  l.gsubrs = head.size() + Index({topDict()}).size() + 2; // after an empty String INDEX
  l.charstrings = l.gsubrs + Index(s.gsubrs).size();
  l.privateDict = l.charstrings + Index(s.charstrings).size();
  Bytes tail = priv + Index(s.subrs);
  if (s.cid)
  {
    // FD 0 has the Private DICT above, FD 1 a bare one.
    const size_t bareAt = l.privateDict + tail.size();
    tail += bare;
    l.fdarray = l.privateDict + tail.size();
    tail += Index({Entry({priv.size(), l.privateDict}, 18), Entry({bare.size(), bareAt}, 18)});
    l.fdselect = l.privateDict + tail.size();
    Bytes ranges;
    size_t count = 0;
    for (size_t g = 0; g < s.fdOfGlyph.size(); g++)
      if (g == 0 || s.fdOfGlyph[g] != s.fdOfGlyph[g - 1]) ranges += Be(g, 2) + Bytes{s.fdOfGlyph[g]}, count++;
    tail += Bytes{3} + Be(count, 2) + ranges + Be(s.fdOfGlyph.size(), 2);
  }
  if (where) *where = l;
  return head + Index({topDict()}) + Index({}) + Index(s.gsubrs) + Index(s.charstrings) + tail;
}

// cmap format 4: a segment a codepoint in codepoint order, then the last.
inline Bytes Cmap(const std::vector<uint32_t>& codepoints)
{
  const size_t segs = codepoints.size() + 1;
  size_t pow = 1, sel = 0;
  while (pow * 2 <= segs) pow *= 2, sel++;
  Bytes cmap = {0, 0, 0, 1, 0, 3, 0, 1, 0, 0, 0, 12, 0, 4}, ends, deltas;
  for (size_t v : {16 + 8 * segs, size_t(0), 2 * segs, 2 * pow, sel, 2 * segs - 2 * pow}) cmap += Be(v, 2);
  std::vector<uint32_t> sorted = codepoints;
  std::sort(sorted.begin(), sorted.end());
  for (uint32_t cp : sorted) // glyph - codepoint
    ends += Be(cp, 2), deltas += Be(std::find(codepoints.begin(), codepoints.end(), cp) - codepoints.begin() + 1 - cp, 2);
  ends += {0xFF, 0xFF}, deltas += {0, 1};
  return cmap + ends + Bytes{0, 0} + ends + deltas + Bytes(2 * segs, 0); // ends, a pad, starts, deltas, range offsets
}

// The whole font, with the CFF table's tag (CFF2 for a variable font's).
inline Bytes Font(const Recipe& s, const char* cffTag = "CFF ", Layout* where = nullptr)
{
  const size_t glyphs = s.charstrings.size();
  Bytes head(54, 0), hhea(36, 0), hmtx;
  head[1] = 1, head[18] = 1000 >> 8, head[19] = 1000 & 0xFF;                                          // units per em
  hhea[1] = 1, hhea[4] = 800 >> 8, hhea[5] = 800 & 0xFF, hhea[6] = 0xFF, hhea[7] = 0x38, hhea[35] = uint8_t(glyphs); // 800, -200
  for (size_t g = 0; g < glyphs; g++) hmtx += Be(800, 2) + Be(100, 2);
  const std::vector<std::pair<const char*, Bytes>> tables = {{"cmap", Cmap(s.codepoints)}, {"head", head}, {"hhea", hhea},
    {"hmtx", hmtx}, {"maxp", Be(0x00005000, 4) + Be(glyphs, 2)}, {"name", {0, 0, 0, 0, 0, 6}}, {cffTag, CffTable(s, where)}};
  Bytes b = Bytes{'O', 'T', 'T', 'O'} + Be(tables.size(), 2) + Be(0, 6), data;
  for (const auto& [tag, bytes] : tables)
  {
    data.resize((data.size() + 3) & ~size_t(3));
    b += Bytes(tag, tag + 4) + Be(0, 4) + Be(12 + 16 * tables.size() + data.size(), 4) + Be(bytes.size(), 4);
    data += bytes;
  }
  return b + data;
}

// ---- Damaged fonts ----------------------------------------------------------

// Overwrites bytes of a font: cff is the CFF table's offset.
using Patch = std::function<void(Bytes& font, size_t cff, const Layout&)>;

struct Damage
{
  const char* name;
  bool refused; // the whole font is refused; otherwise the glyph of codepoint draws blank
  Recipe recipe;
  Patch patch;
  uint32_t codepoint = 'O';

  Bytes Make() const
  {
    Layout l;
    Bytes f = Font(recipe, "CFF ", &l);
    if (patch) patch(f, f.size() - CffTable(recipe).size(), l);
    return f;
  }
};

inline Patch Put(size_t Layout::*part, size_t at, Bytes b)
{
  return [=](Bytes& f, size_t cff, const Layout& l) { std::copy(b.begin(), b.end(), f.begin() + cff + l.*part + at); };
}
// The 4-byte offset at a part's byte at points to the font's end.
inline Patch PastEnd(size_t Layout::*part, size_t at)
{
  return [=](Bytes& f, size_t cff, const Layout& l) { Put(part, at, Be(f.size(), 4))(f, cff, l); };
}

// 'O' calls subroutine 0, and each of levels - 1 subroutines calls the next
// as many times as calls; the last one is the leaf.
inline Recipe FanOut(int levels, const Bytes& leaf, int calls = 10)
{
  Recipe s;
  s.subrs.clear();
  for (int level = 0; level < levels - 1; level++)
  {
    Bytes body;
    for (int k = 0; k < calls; k++) body += CS({level + 1 - 107, kCallsubr});
    s.subrs.push_back(body + CS({kReturn}));
  }
  s.subrs.push_back(leaf);
  s.charstrings[1] = CS({0, 0, kRmoveto, -107, kCallsubr, kEndchar});
  return s;
}

inline std::vector<Damage> All()
{
  Recipe cid, cidH, noFd, lastFd, noSubrs, emptySubr, twoSubrs, z;
  cid.cid = cidH.cid = noFd.cid = lastFd.cid = true;
  cidH.fdOfGlyph = {0, 0, 1, 1}, noFd.fdOfGlyph = {0, 0, 7, 1}, lastFd.fdOfGlyph = {0, 0, 2, 1}; // 'H' in FD 1, 7, 2 of 2
  noSubrs.subrs.clear(), emptySubr.subrs = {{}}, twoSubrs.subrs.push_back(CS({kReturn})); // the last 2 or 7 bytes: Subrs
  std::vector<int> stems, climb; // as many stems as the stack holds; 24 lines up of 32767 units
  for (int i = 0; i < 24; i++) stems.insert(stems.end(), {10 * i, 5}), climb.insert(climb.end(), {0, 32767});
  stems.insert(stems.end(), {kHstem, kHintmask}), climb.insert(climb.end(), {kRlineto, kReturn});
  z.charstrings.push_back(CS(stems)), z.codepoints.push_back('Z'); // its mask runs past the last charstring
  return {
    {"private-dict-past-end", true, {}, PastEnd(&Layout::topDict, 6)},
    {"charstrings-at-end", true, {}, [](Bytes& f, size_t cff, const Layout& l) { // the INDEX's count: the last two bytes
       Put(&Layout::topDict, 12, Be(f.size() - cff - 2, 4))(f, cff, l); }},
    {"charstrings-count-past-end", true, {}, Put(&Layout::charstrings, 0, {0x7F})},
    {"gsubrs-offset-size-5", true, {}, Put(&Layout::gsubrs, 2, {5})},
    {"subrs-past-end", true, {}, PastEnd(&Layout::privateDict, 1)},
    {"private-offset-real-number", true, {}, Put(&Layout::topDict, 5, {30, 0x1F, 139, 139, 139})}, // 1.0, three zeros
    {"cid-fdarray-past-end", true, cid, PastEnd(&Layout::topDict, 1)},
    {"cid-font-dict-private-past-end", true, cidH, PastEnd(&Layout::fdarray, 9 + 11 + 6)}, // FD 1's
    {"hint-mask-past-charstring", false, z, {}, 'Z'},
    {"subroutine-fan-out", false, FanOut(10, CS({kReturn})), {}}, // 10^9 calls
    {"pen-past-int-range", false, FanOut(5, CS(climb)), {}},     // 10^4 climbs: past 2^31
    {"cid-glyph-in-no-font-dict", false, noFd, {}, 'H'},
    // Each bound of the table's structures, and one step past it.
    {"subrs-before-table", true, {}, [](Bytes& f, size_t cff, const Layout& l) { // its 2 bytes of padding: an empty INDEX
       Put(&Layout::privateDict, 1, Be(uint64_t(-2 - int64_t(l.privateDict)), 4))(f, cff, l); }},
    {"subrs-empty-in-last-two-bytes", false, noSubrs, Put(&Layout::privateDict, 0, {29, 0, 0, 0, 6, 19}), 'H'},
    {"subrs-count-in-last-byte", true, noSubrs, Put(&Layout::privateDict, 0, {29, 0, 0, 0, 7, 19})},
    {"private-dict-to-table-end-in-an-operand", false, noSubrs, [](Bytes& f, size_t cff, const Layout& l) {
       Put(&Layout::topDict, 1, Be(8, 4))(f, cff, l), f.back() = 139; }, 'H'}, // over the empty Subrs INDEX
    {"subrs-offsets-to-table-end", false, emptySubr, {}, 'H'}, // its one subroutine empty
    {"subrs-data-one-past-end", true, {}, Put(&Layout::privateDict, 12 + 6, {0x23})},
    {"subr-offset-past-its-index", false, twoSubrs, Put(&Layout::privateDict, 12 + 6, {0x24}), 'H'},
    {"gsubrs-offset-size-5-offsets-inside", true, {}, Put(&Layout::gsubrs, 0, {0, 1, 5, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})},
    {"gsubrs-last-offset-0", true, {}, Put(&Layout::gsubrs, 5, {0, 0})},
    {"charstring-offset-0", false, {}, Put(&Layout::charstrings, 5, {0, 0})},
    {"top-dict-operand-31", true, {}, Put(&Layout::topDict, 0, {31})},
    {"top-dict-operand-255", true, {}, Put(&Layout::topDict, 0, {255})},
    {"top-dict-operand-31-in-charset", true, {}, [](Bytes& f, size_t cff, const Layout& l) { // a 2-byte Private offset
       Put(&Layout::topDict, 0, Bytes{151, 28} + Be(l.privateDict, 2) + Bytes{18, 31, 0, 0, 0, 0, 15})(f, cff, l); }},
    {"private-size-real-number", true, {}, Put(&Layout::topDict, 0, {30, 0, 0, 0, 0x0F})}, // read as an integer: 15
    {"private-entry-one-operand", false, {}, Put(&Layout::topDict, 0, {139, 15, 139, 139, 16}), 'H'},
    {"private-offset-0", false, {}, Put(&Layout::topDict, 1, {0, 0, 0xFF, 0xFF, 29, 0, 0, 0, 0}), 'H'},
    {"private-size-negative", false, {}, Put(&Layout::topDict, 1, {0xFF, 0xFF, 0xFF, 0xFF}), 'H'},
    {"private-offset-negative", false, {}, Put(&Layout::topDict, 6, {0xFF, 0xFF, 0xFF, 0xFF}), 'H'},
    {"private-dict-one-past-end", true, {}, [](Bytes& f, size_t cff, const Layout& l) {
       Put(&Layout::topDict, 1, Be(f.size() - cff - l.privateDict + 1, 4))(f, cff, l); }},
    {"private-dict-operand-31", true, {}, Put(&Layout::privateDict, 0, {31})},
    {"charstring-type-1", true, {}, [](Bytes& f, size_t cff, const Layout& l) { // a 1-byte Private size makes room
       Put(&Layout::topDict, 0, Bytes{151, 29} + Be(l.privateDict, 4) + Bytes{18, 140, 139, 12, 6})(f, cff, l); }},
    {"cid-fdselect-0", true, cid, Put(&Layout::topDict, 8, {0, 0, 0, 0})},
    {"cid-fdselect-at-end", true, cid, [](Bytes& f, size_t cff, const Layout& l) {
       Put(&Layout::topDict, 8, Be(f.size() - cff, 4))(f, cff, l); }},
    {"cid-fdselect-in-last-byte", false, cid, [](Bytes& f, size_t cff, const Layout& l) { // format 4
       Put(&Layout::topDict, 8, Be(f.size() - cff - 1, 4))(f, cff, l); }, 'H'},
    {"cid-fdselect-format-0-short", false, cid, [](Bytes& f, size_t cff, const Layout& l) { // 'H' one past it
       Put(&Layout::topDict, 8, Be(f.size() - cff - 2, 4))(f, cff, l), f[f.size() - 2] = f[f.size() - 1] = 0; }, 'H'},
    {"cid-glyph-in-font-dict-2-of-2", false, lastFd, {}, 'H'},
  };
}

// ---- Files ------------------------------------------------------------------

inline Bytes Read(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), {}};
}

// fonts-texgyre's OpenType faces (33 of them).
constexpr const char* kTexGyreDir = "/usr/share/texmf/fonts/opentype/public/tex-gyre";
inline std::vector<std::filesystem::path> TexGyreFaces()
{
  std::vector<std::filesystem::path> faces;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(kTexGyreDir, ec))
    if (e.path().extension() == ".otf") faces.push_back(e.path());
  return faces;
}

} // namespace cfftest
