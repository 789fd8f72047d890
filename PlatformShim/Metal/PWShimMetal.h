#pragma once
// What the CPU Metal stand-in needs beyond the platform's interface: shader
// functions are C++ functions registered by name, a library's data lists the
// names it provides, and tests can hold the worker thread and write a
// texture to a PNG file.

#include <stddef.h>
#include <stdint.h>

#define PWMTL_EXPORT extern "C" __attribute__((visibility("default")))

enum
{
  kPWMTLMaxBuffers = 8,   // buffer slots per stage
  kPWMTLMaxTextures = 4,  // texture and sampler slots of the fragment stage
  kPWMTLMaxAttributes = 8,
  kPWMTLMaxVaryings = 8,  // floats passed from the vertex to the fragment function
};

// A texture as shader functions read it.
struct PWMTLTextureView
{
  const uint8_t* pixels;
  int width, height;
  int bytesPerRow;
  int format; // MTLPixelFormat
};

struct PWMTLSamplerView
{
  int minFilter, magFilter;   // MTLSamplerMinMagFilter
  int sAddress, tAddress;     // MTLSamplerAddressMode
};

// Samples at normalised (u, v) into rgba (0..1, red green blue alpha order
// whatever the texture's byte order; an R8 texture gives (r, 0, 0, 1)).
// Linear filtering when either filter is linear. A null texture gives 0s.
PWMTL_EXPORT void PWMTLSample(const PWMTLTextureView* texture, const PWMTLSamplerView* sampler, float u, float v,
                              float rgba[4]);

struct PWMTLVertexIn
{
  float attributes[kPWMTLMaxAttributes][4]; // fetched by the vertex descriptor, missing parts 0 (w 1)
  const uint8_t* buffers[kPWMTLMaxBuffers]; // bound vertex buffers, offsets applied
  uint32_t vertexId;
};

struct PWMTLVertexOut
{
  float position[4]; // clip space
  float varyings[kPWMTLMaxVaryings];
};

typedef void (*PWMTLVertexFunction)(const PWMTLVertexIn* in, PWMTLVertexOut* out);

// A horizontal run of count pixels starting at pixel (x, y). varyings hold
// the interpolated values at the first pixel's centre, dvaryings their change
// from one pixel to the next.
struct PWMTLFragmentSpan
{
  int x, y, count;
  float varyings[kPWMTLMaxVaryings];
  float dvaryings[kPWMTLMaxVaryings];
  bool frontFacing;
  bool bgra; // for 8-bit functions: write blue, green, red, alpha
  const uint8_t* buffers[kPWMTLMaxBuffers];
  const PWMTLTextureView* textures[kPWMTLMaxTextures]; // null when unbound
  const PWMTLSamplerView* samplers[kPWMTLMaxTextures];
};

// Writes count premultiplied rgba colours (4 floats each) and, per pixel,
// keep = 0 to discard the fragment (keep arrives filled with 1s).
typedef void (*PWMTLFragmentFunction)(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep);

// The same function writing count premultiplied 8-bit pixels (4 bytes each,
// red first, or blue first when span->bgra), each the float function's value
// clamped to 0..1 and rounded to 255ths. Used instead of the float function
// where the pipeline blends source-over (or not at all) into an RGBA8 or
// BGRA8 target with every channel written.
typedef void (*PWMTLFragmentFunction8)(const PWMTLFragmentSpan* span, uint8_t* pixels, uint8_t* keep);

// Registering a name again replaces the function. False for a null or empty
// name or a null function.
PWMTL_EXPORT bool PWMTLRegisterVertexFunction(const char* name, PWMTLVertexFunction function);
PWMTL_EXPORT bool PWMTLRegisterFragmentFunction(const char* name, PWMTLFragmentFunction function);
// Adds the 8-bit form to the fragment function of the same name (registered
// before or after); a function obtained before this call keeps the float form
// only. False for a null or empty name or a null function.
PWMTL_EXPORT bool PWMTLRegisterFragmentFunction8(const char* name, PWMTLFragmentFunction8 function);

// With false, render passes begun from then on use the float forms only (to
// compare the two); true again by default.
PWMTL_EXPORT void PWMTLUseFragmentFunctions8(bool use);

// Library data: kPWMTLLibraryMagic (8 bytes), then the function names, each
// ending in a NUL byte. newFunctionWithName: finds a name only when the data
// lists it and a function of that name is registered.
#define kPWMTLLibraryMagic "PWMTLLIB"

// While held, the worker thread starts no further command buffer (one that
// is executing finishes). Releasing lets it go on in commit order.
PWMTL_EXPORT void PWMTLHoldExecution(bool hold);

// Writes the texture (RGBA8, BGRA8 or R8 as grey) as a PNG file, rows top
// first. False when the texture is nil or the file cannot be written. The
// texture is an id<MTLTexture>, passed as a plain pointer so that C++ can
// call this too.
PWMTL_EXPORT bool PWMTLWriteTexturePNG(void* texture, const char* path);
