#pragma once
// Sentinels and fixed text-field sizes shared by the plug-in core, the
// graphics core and the product.

namespace weft {

// "None" for a control tag, a parameter index and a control's value index.
constexpr int kNoTag = -1;
constexpr int kNoParameter = -1;
constexpr int kNoValIdx = -1;

// Fixed text fields, in bytes including the terminating NUL: a field holds
// one character less than its size.
constexpr int MAX_PARAM_NAME_LEN = 32;
constexpr int MAX_PARAM_LABEL_LEN = 32;
constexpr int MAX_PARAM_GROUP_LEN = 32;
constexpr int MAX_PARAM_DISPLAY_LEN = 32;
constexpr int MAX_PRESET_NAME_LEN = 256;
constexpr int MAX_FONT_NAME_LEN = 64;

// Upper bound, in characters, of each piece appended to a JSON description.
constexpr int MAX_JSON_PIECE_LEN = 8192;

} // namespace weft
