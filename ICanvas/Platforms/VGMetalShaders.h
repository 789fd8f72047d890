#pragma once
// The uniform block that the Metal backend's fragment functions read, and
// the library that holds the functions ("vertexShader", "fragmentShader",
// "fragmentShaderAA", written in VGMetalShaders.metal).

#include <stddef.h>

// One draw call's paint, at a 256-byte stride in the uniform buffer
// (fragment buffer 0). Matrices are three columns of (x, y, z, 0).
struct MVGfragUniforms
{
  float scissorMat[12];
  float paintMat[12];
  float innerCol[4]; // premultiplied
  float outerCol[4]; // premultiplied
  float scissorExt[2];
  float scissorScale[2];
  float extent[2];
  float radius;
  float feather;
  float strokeMult;
  float strokeThr;
  int texType; // 0 premultiplied RGBA, 1 straight RGBA, 2 alpha
  int type;    // 0 gradient or colour, 1 image, 2 textured triangles
};
static_assert(sizeof(MVGfragUniforms) == 176, "the uniform block's layout is fixed");

enum
{
  MVG_SHADER_FILLGRAD = 0,
  MVG_SHADER_FILLIMG = 1,
  MVG_SHADER_IMG = 2,
};

// The library data. Here it is the Metal stand-in's list of the three names,
// since compiling the library needs Apple's Metal compiler.
extern const unsigned char mvg_bitcode_macos[];
extern const unsigned int mvg_bitcode_macos_len;

// Registers the three functions with the stand-in, which runs them on the
// CPU (VGMetalStandInShaders.h); idempotent.
void mvgRegisterShaderFunctions();
