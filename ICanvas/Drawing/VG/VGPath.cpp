// Path commands and the shapes built from them. Points are transformed by
// the current state transform when recorded.

#include "VGContext.h"
#include "VGGeometry.h"
#include "VGPathStore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

float vg__signf(float a) { return a >= 0.0f ? 1.0f : -1.0f; }

float vg__cross(float dx0, float dy0, float dx1, float dy1) { return dx1 * dy0 - dx0 * dy1; }

float vg__distPtSeg(float x, float y, float px, float py, float qx, float qy)
{
  const float pqx = qx - px;
  const float pqy = qy - py;
  float dx = x - px;
  float dy = y - py;
  const float d = pqx * pqx + pqy * pqy;
  float t = pqx * dx + pqy * dy;
  if (d > 0) t /= d;
  t = std::clamp(t, 0.0f, 1.0f);
  dx = px + t * pqx - x;
  dy = py + t * pqy - y;
  return dx * dx + dy * dy;
}

// Appends nvals values (a command code and its arguments); the points of
// move-to, line-to and bezier-to are transformed first. A failed growth drops
// the commands.
void vg__appendCommands(VGcontext* ctx, float* vals, int nvals)
{
  VGdrawState* state = vg__getState(ctx);
  if (ctx->ncommands + nvals > ctx->ccommands)
  {
    const int ccommands = ctx->ncommands + nvals + ctx->ccommands / 2;
    auto* commands = static_cast<float*>(std::realloc(ctx->commands, sizeof(float) * ccommands));
    if (!commands) return;
    ctx->commands = commands;
    ctx->ccommands = ccommands;
  }

  const int cmd = static_cast<int>(vals[0]);
  if (cmd != VG_CLOSE && cmd != VG_WINDING)
  {
    ctx->commandx = vals[nvals - 2];
    ctx->commandy = vals[nvals - 1];
  }

  int i = 0;
  while (i < nvals)
  {
    switch (static_cast<int>(vals[i]))
    {
      case VG_MOVETO:
      case VG_LINETO:
        vgTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
        i += 3;
        break;
      case VG_BEZIERTO:
        vgTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
        vgTransformPoint(&vals[i + 3], &vals[i + 4], state->xform, vals[i + 3], vals[i + 4]);
        vgTransformPoint(&vals[i + 5], &vals[i + 6], state->xform, vals[i + 5], vals[i + 6]);
        i += 7;
        break;
      case VG_CLOSE: i++; break;
      case VG_WINDING: i += 2; break;
      default: i++;
    }
  }

  std::memcpy(&ctx->commands[ctx->ncommands], vals, nvals * sizeof(float));
  ctx->ncommands += nvals;
}

} // namespace

void vgBeginPath(VGcontext* ctx)
{
  ctx->ncommands = 0;
  vg__clearPathStore(ctx->cache);
}

void vgMoveTo(VGcontext* ctx, float x, float y)
{
  float vals[] = {VG_MOVETO, x, y};
  vg__appendCommands(ctx, vals, 3);
}

void vgLineTo(VGcontext* ctx, float x, float y)
{
  float vals[] = {VG_LINETO, x, y};
  vg__appendCommands(ctx, vals, 3);
}

void vgBezierTo(VGcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y)
{
  float vals[] = {VG_BEZIERTO, c1x, c1y, c2x, c2y, x, y};
  vg__appendCommands(ctx, vals, 7);
}

void vgQuadTo(VGcontext* ctx, float cx, float cy, float x, float y)
{
  const float x0 = ctx->commandx;
  const float y0 = ctx->commandy;
  float vals[] = {VG_BEZIERTO,
                  x0 + 2.0f / 3.0f * (cx - x0),
                  y0 + 2.0f / 3.0f * (cy - y0),
                  x + 2.0f / 3.0f * (cx - x),
                  y + 2.0f / 3.0f * (cy - y),
                  x,
                  y};
  vg__appendCommands(ctx, vals, 7);
}

void vgClosePath(VGcontext* ctx)
{
  float vals[] = {VG_CLOSE};
  vg__appendCommands(ctx, vals, 1);
}

void vgPathWinding(VGcontext* ctx, int dir)
{
  float vals[] = {VG_WINDING, static_cast<float>(dir)};
  vg__appendCommands(ctx, vals, 2);
}

void vgArc(VGcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir)
{
  const int move = ctx->ncommands > 0 ? VG_LINETO : VG_MOVETO;

  float da = a1 - a0;
  if (std::isnan(da)) return;
  if (dir == VG_CW)
  {
    if (std::fabs(da) >= VG_PI * 2)
      da = VG_PI * 2;
    else
      while (da < 0.0f) da += VG_PI * 2;
  }
  else
  {
    if (std::fabs(da) >= VG_PI * 2)
      da = -VG_PI * 2;
    else
      while (da > 0.0f) da -= VG_PI * 2;
  }

  // At most five bezier segments of up to a quarter circle each.
  const int ndivs = std::max(1, std::min(static_cast<int>(std::fabs(da) / (VG_PI * 0.5f) + 0.5f), 5));
  const float hda = (da / static_cast<float>(ndivs)) / 2.0f;
  float kappa = std::fabs(4.0f / 3.0f * (1.0f - std::cos(hda)) / std::sin(hda));
  if (dir == VG_CCW) kappa = -kappa;

  float vals[3 + 5 * 7];
  int nvals = 0;
  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; i++)
  {
    const float a = a0 + da * (i / static_cast<float>(ndivs));
    const float dx = std::cos(a);
    const float dy = std::sin(a);
    const float x = cx + dx * r;
    const float y = cy + dy * r;
    const float tanx = -dy * r * kappa;
    const float tany = dx * r * kappa;
    if (i == 0)
    {
      vals[nvals++] = static_cast<float>(move);
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    else
    {
      vals[nvals++] = VG_BEZIERTO;
      vals[nvals++] = px + ptanx;
      vals[nvals++] = py + ptany;
      vals[nvals++] = x - tanx;
      vals[nvals++] = y - tany;
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    px = x;
    py = y;
    ptanx = tanx;
    ptany = tany;
  }
  vg__appendCommands(ctx, vals, nvals);
}

void vgArcTo(VGcontext* ctx, float x1, float y1, float x2, float y2, float radius)
{
  if (ctx->ncommands == 0) return;
  const float x0 = ctx->commandx;
  const float y0 = ctx->commandy;

  if (vg__ptEquals(x0, y0, x1, y1, ctx->distTol) || vg__ptEquals(x1, y1, x2, y2, ctx->distTol) ||
      vg__distPtSeg(x1, y1, x0, y0, x2, y2) < ctx->distTol * ctx->distTol || radius < ctx->distTol)
  {
    vgLineTo(ctx, x1, y1);
    return;
  }

  float dx0 = x0 - x1;
  float dy0 = y0 - y1;
  float dx1 = x2 - x1;
  float dy1 = y2 - y1;
  vg__normalize(&dx0, &dy0);
  vg__normalize(&dx1, &dy1);
  const float a = std::acos(dx0 * dx1 + dy0 * dy1);
  const float d = radius / std::tan(a / 2.0f);
  if (d > 10000.0f)
  {
    vgLineTo(ctx, x1, y1);
    return;
  }

  float cx, cy, a0, a1;
  int dir;
  if (vg__cross(dx0, dy0, dx1, dy1) > 0.0f)
  {
    cx = x1 + dx0 * d + dy0 * radius;
    cy = y1 + dy0 * d + -dx0 * radius;
    a0 = std::atan2(dx0, -dy0);
    a1 = std::atan2(-dx1, dy1);
    dir = VG_CW;
  }
  else
  {
    cx = x1 + dx0 * d + -dy0 * radius;
    cy = y1 + dy0 * d + dx0 * radius;
    a0 = std::atan2(-dx0, dy0);
    a1 = std::atan2(dx1, -dy1);
    dir = VG_CCW;
  }
  vgArc(ctx, cx, cy, radius, a0, a1, dir);
}

void vgRect(VGcontext* ctx, float x, float y, float w, float h)
{
  float vals[] = {VG_MOVETO, x, y, VG_LINETO, x, y + h, VG_LINETO, x + w, y + h, VG_LINETO, x + w, y, VG_CLOSE};
  vg__appendCommands(ctx, vals, 13);
}

void vgRoundedRect(VGcontext* ctx, float x, float y, float w, float h, float r)
{
  vgRoundedRectVarying(ctx, x, y, w, h, r, r, r, r);
}

void vgRoundedRectVarying(VGcontext* ctx, float x, float y, float w, float h, float radTopLeft, float radTopRight,
                          float radBottomRight, float radBottomLeft)
{
  if (radTopLeft < 0.1f && radTopRight < 0.1f && radBottomRight < 0.1f && radBottomLeft < 0.1f)
  {
    vgRect(ctx, x, y, w, h);
    return;
  }
  const float halfw = std::fabs(w) * 0.5f;
  const float halfh = std::fabs(h) * 0.5f;
  const float sw = vg__signf(w), sh = vg__signf(h);
  const float rxBL = std::min(radBottomLeft, halfw) * sw, ryBL = std::min(radBottomLeft, halfh) * sh;
  const float rxBR = std::min(radBottomRight, halfw) * sw, ryBR = std::min(radBottomRight, halfh) * sh;
  const float rxTR = std::min(radTopRight, halfw) * sw, ryTR = std::min(radTopRight, halfh) * sh;
  const float rxTL = std::min(radTopLeft, halfw) * sw, ryTL = std::min(radTopLeft, halfh) * sh;
  const float k = 1 - VG_KAPPA90;
  float vals[] = {VG_MOVETO, x, y + ryTL,
                  VG_LINETO, x, y + h - ryBL,
                  VG_BEZIERTO, x, y + h - ryBL * k, x + rxBL * k, y + h, x + rxBL, y + h,
                  VG_LINETO, x + w - rxBR, y + h,
                  VG_BEZIERTO, x + w - rxBR * k, y + h, x + w, y + h - ryBR * k, x + w, y + h - ryBR,
                  VG_LINETO, x + w, y + ryTR,
                  VG_BEZIERTO, x + w, y + ryTR * k, x + w - rxTR * k, y, x + w - rxTR, y,
                  VG_LINETO, x + rxTL, y,
                  VG_BEZIERTO, x + rxTL * k, y, x, y + ryTL * k, x, y + ryTL,
                  VG_CLOSE};
  vg__appendCommands(ctx, vals, sizeof(vals) / sizeof(vals[0]));
}

void vgEllipse(VGcontext* ctx, float cx, float cy, float rx, float ry)
{
  const float kappa = 0.5522848f;
  float vals[] = {VG_MOVETO, cx - rx, cy,
                  VG_BEZIERTO, cx - rx, cy + ry * kappa, cx - rx * kappa, cy + ry, cx, cy + ry,
                  VG_BEZIERTO, cx + rx * kappa, cy + ry, cx + rx, cy + ry * kappa, cx + rx, cy,
                  VG_BEZIERTO, cx + rx, cy - ry * kappa, cx + rx * kappa, cy - ry, cx, cy - ry,
                  VG_BEZIERTO, cx - rx * kappa, cy - ry, cx - rx, cy - ry * kappa, cx - rx, cy,
                  VG_CLOSE};
  vg__appendCommands(ctx, vals, sizeof(vals) / sizeof(vals[0]));
}

void vgCircle(VGcontext* ctx, float cx, float cy, float r) { vgEllipse(ctx, cx, cy, r, r); }
