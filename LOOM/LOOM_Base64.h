#pragma once
// Base64 (standard alphabet, "=" padding, no line breaks) for byte blocks
// such as preset blobs.

// Encodes count bytes of src into dest as NUL-terminated text. dest must hold
// 4 * ceil(count / 3) + 1 characters. A count of 0 or less writes "".
void loom_base64encode(const unsigned char* src, char* dest, int count) noexcept;

// Decodes the text src into at most destSize bytes of dest and returns the
// number of bytes written (0 when destSize is below 1). Decoding stops at the
// first character outside the 64-character alphabet ("=" padding, NUL, white
// space and line breaks included) or when dest is full; it never reads past
// the text's NUL or writes past destSize bytes. Bits of an incomplete final
// byte are dropped.
int loom_base64decode(const char* src, unsigned char* dest, int destSize) noexcept;
