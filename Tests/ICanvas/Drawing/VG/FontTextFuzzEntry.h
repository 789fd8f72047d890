#pragma once
// One fuzz input for the atlas's UTF-8 decoder and text iterator, checked against a strict
// reference decoder; shared by Fuzz/ and the corpus test. Aborts on a mismatch.

#include "FontAtlasDetail.h"
#include "FontTestFonts.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace fuzz {

struct Decoded
{
  std::vector<unsigned int> codepoints; // up to the first error
  bool error = false;                   // an invalid byte was met
  bool incomplete = false;              // the input ended inside a sequence
};

// Well-formed UTF-8 (Unicode table 3-7): rejected at the first byte no well-formed sequence has.
inline Decoded ReferenceDecode(const uint8_t* p, size_t n)
{
  Decoded d;
  for (size_t i = 0; i < n;)
  {
    const uint8_t b = p[i];
    int len = 1;
    uint8_t lo = 0x80, hi = 0xBF; // range of the second byte
    if (b < 0x80) { d.codepoints.push_back(b); i++; continue; }
    else if (b >= 0xC2 && b <= 0xDF) len = 2;
    else if (b >= 0xE0 && b <= 0xEF) { len = 3; lo = b == 0xE0 ? 0xA0 : 0x80; hi = b == 0xED ? 0x9F : 0xBF; }
    else if (b >= 0xF0 && b <= 0xF4) { len = 4; lo = b == 0xF0 ? 0x90 : 0x80; hi = b == 0xF4 ? 0x8F : 0xBF; }
    else { d.error = true; return d; }
    unsigned int cp = b & (0x7F >> len);
    for (int k = 1; k < len; k++)
    {
      if (i + k >= n) { d.incomplete = true; return d; }
      const uint8_t c = p[i + k];
      if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) { d.error = true; return d; }
      cp = (cp << 6) | (c & 0x3F);
    }
    d.codepoints.push_back(cp);
    i += len;
  }
  return d;
}

[[noreturn]] inline void Fail(const char* what, size_t n)
{
  fprintf(stderr, "font text fuzz: %s (input of %zu bytes)\n", what, n);
  abort();
}

inline FNTatlas* FuzzAtlas()
{
  static FNTatlas* stash = [] {
    FNTatlasParams params{};
    params.width = params.height = 256;
    params.flags = FNT_ZERO_TOPLEFT;
    FNTatlas* s = fntCreateInternal(&params);
    if (!s || fntAddFont(s, "sans", kRobotoPath, 0) != 0)
      Fail("no atlas or font", 0);
    return s;
  }();
  return stash;
}

inline int FontTextOneInput(const uint8_t* data, size_t size)
{
  const Decoded ref = ReferenceDecode(data, size);

  Decoded dec;
  unsigned int state = 0, cp = 0;
  for (size_t i = 0; i < size && state != 12; i++)
  {
    if (fnt__decutf8(&state, &cp, data[i]) == 0)
      dec.codepoints.push_back(cp);
  }
  dec.error = state == 12;
  dec.incomplete = state != 0 && state != 12;
  if (dec.codepoints != ref.codepoints || dec.error != ref.error || dec.incomplete != ref.incomplete)
    Fail("decoder disagrees with the reference", size);

  FNTatlas* stash = FuzzAtlas();
  if (stash->fonts[0]->nglyphs > 4096)
    fntResetAtlas(stash, 256, 256); // bounds the cache over a long run
  const char* str = reinterpret_cast<const char*>(data);
  FNTtextCursor it;
  FNTglyphQuad q;
  if (!fntTextIterInit(stash, &it, 0, 0, str, str + size, FNT_GLYPH_BITMAP_OPTIONAL))
    Fail("iterator refused the text", size);
  std::vector<unsigned int> seen;
  bool ended = false;
  while (fntTextIterNext(stash, &it, &q))
  {
    if (ended || it.next <= it.str || it.str < str || it.next > str + size)
      Fail("iterator stepped wrongly", size);
    if (it.codepoint == FNT_NO_CODEPOINT)
    {
      ended = true; // only ever the last step, and no glyph
      if (it.prevGlyphIndex != -1 || q.x1 != q.x0)
        Fail("a step without a codepoint has a glyph", size);
      continue;
    }
    seen.push_back(it.codepoint);
    if (it.prevGlyphIndex == -1 || q.x1 < q.x0)
      Fail("glyph missing or inverted", size);
  }
  if (seen != ref.codepoints || ended != (ref.error || ref.incomplete))
    Fail("iterator disagrees with the reference", size);
  fntTextBounds(stash, 0, 0, str, str + size, nullptr);
  return 0;
}

} // namespace fuzz
