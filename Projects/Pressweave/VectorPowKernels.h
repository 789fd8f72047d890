#pragma once
// The vector pow kernels behind PowBlock (VectorMath.cpp), each in a file of
// its own that is compiled for its instruction set as a whole: the vector
// function ABI passes and returns its operands in ymm or zmm registers, and
// clang picks the registers for a 256- or 512-bit argument from the flags of
// the whole file, not from a function's target attribute (with only the
// attribute it passes them on the stack and the library reads garbage).
//
// Each computes out[i] = pow(base[i], exponent) for the whole groups of four
// or eight at the front of the block and returns how many it did (n rounded
// down); the caller finishes the rest. Call only where the CPU has the set.

namespace pressweave::detail {

int PowLanesAVX2(const double* base, double exponent, double* out, int n) noexcept;
int PowLanesAVX512(const double* base, double exponent, double* out, int n) noexcept;

} // namespace pressweave::detail
