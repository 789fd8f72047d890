#pragma once
// The forms in which the CPU Metal stand-in runs the backend's shader
// functions: the functions of VGMetalShaders.metal behind adapters to the
// stand-in's vertex and fragment interface (VGMetalShaders.cpp), and the
// 8-bit forms of the fragment functions that the stand-in uses in their place
// where it can (VGMetalShaders8.cpp). Varyings: 0 and 1 the position in
// points, 2 and 3 the texture coordinate.

#include <Metal/PWShimMetal.h>

void mvgVertexShader(const PWMTLVertexIn* in, PWMTLVertexOut* out);
void mvgFragmentShader(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep);
void mvgFragmentShaderAA(const PWMTLFragmentSpan* span, float* rgba, uint8_t* keep);

// Each pixel within one 8-bit step of the function above of the same name,
// with the same discards where the texture coordinate's u lies in 0..1 and
// v is not negative, as everywhere inside the renderer's fills and strokes.
void mvgFragmentShader8(const PWMTLFragmentSpan* span, uint8_t* pixels, uint8_t* keep);
void mvgFragmentShaderAA8(const PWMTLFragmentSpan* span, uint8_t* pixels, uint8_t* keep);
