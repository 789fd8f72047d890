#pragma once
// UTF-8 encoding and decoding of single characters, for key events and text
// entry. Code points are ints; forms of up to 4 bytes (codes below 0x200000)
// are encoded.

// Writes the UTF-8 form of code into dest and returns its byte count: 1 below
// 0x80, 2 below 0x800, 3 below 0x10000, 4 below 0x200000. Returns -1 for a
// negative code or one of 0x200000 and above, and 0 when room (bytes) is
// smaller than the form needs; nothing is written in either case. No NUL is
// written.
int loom_utf8_makechar(int code, char* dest, int room) noexcept;

// Writes the character code as NUL-terminated text into dest of destSize
// bytes and returns the bytes before the NUL. A code of 0 or less is written
// as a single NUL byte and counts 1. A character that does not fit with its
// NUL, or cannot be encoded, is written as "_" (returns 1). A destSize of 1
// writes "" and returns 0; a smaller one writes nothing and returns 0.
int LOOM_MakeUTFChar(char* dest, int code, int destSize) noexcept;

// Decodes the character at the start of the NUL-terminated text and returns
// its byte length (1 to 6); stores its code point in *codeOut when codeOut is
// not null. Malformed or overlong sequences count as one byte whose code point
// is that byte's value; 5- and 6-byte forms decode as "_" (95). Never reads
// past the text's NUL. An empty text gives length 1 and code point 0.
int loom_utf8_parsechar(const char* text, int* codeOut = nullptr) noexcept;
