#pragma once
// IBlend: a composite operation and its weight. A null IBlend pointer means
// source-over at full weight.

#include "ICanvasConstants.h"

namespace weft::canvas {

struct IBlend
{
  EBlend mMethod = EBlend::SrcOver;
  float mWeight = 1.0f;

  // weight is clipped to 0..1 (a NaN weight becomes 0).
  constexpr IBlend(EBlend method = EBlend::SrcOver, float weight = 1.0f)
  : mMethod(method)
  , mWeight(weight >= 1.0f ? 1.0f : (weight > 0.0f ? weight : 0.0f))
  {}
};

// Weight of an optional blend: 1 for none.
inline constexpr float BlendWeight(const IBlend* pBlend) { return pBlend ? pBlend->mWeight : 1.0f; }

inline constexpr IBlend BLEND_75(EBlend::SrcOver, 0.75f);
inline constexpr IBlend BLEND_50(EBlend::SrcOver, 0.5f);
inline constexpr IBlend BLEND_25(EBlend::SrcOver, 0.25f);
inline constexpr IBlend BLEND_10(EBlend::SrcOver, 0.1f);
inline constexpr IBlend BLEND_05(EBlend::SrcOver, 0.05f);
inline constexpr IBlend BLEND_01(EBlend::SrcOver, 0.01f);
inline constexpr IBlend BLEND_DST_IN(EBlend::DstIn, 1.0f);
inline constexpr IBlend BLEND_DST_OVER(EBlend::DstOver, 1.0f);

} // namespace weft::canvas
