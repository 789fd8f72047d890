// Path flattening and tessellation: the recorded commands become polylines
// once per path, then each fill or stroke expands them into the fans and
// strips the backend draws.

#include "VGContext.h"
#include "VGGeometry.h"
#include "VGPathStore.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Under AddressSanitizer the vertex store's room beyond each request is
// poisoned, so a write past the reserved vertices is reported at once.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define VG_POISON(addr, size) ASAN_POISON_MEMORY_REGION(addr, size)
#define VG_UNPOISON(addr, size) ASAN_UNPOISON_MEMORY_REGION(addr, size)
#else
#define VG_POISON(addr, size) ((void)(addr), (void)(size))
#define VG_UNPOISON(addr, size) ((void)(addr), (void)(size))
#endif

namespace
{

float vg__clampf(float a, float mn, float mx) { return a < mn ? mn : (a > mx ? mx : a); }

VGpath* vg__lastPath(VGcontext* ctx)
{
  VGpathStore* cache = ctx->cache;
  return cache->npaths > 0 ? &cache->paths[cache->npaths - 1] : nullptr;
}

VGflatPoint* vg__lastPoint(VGcontext* ctx)
{
  VGpathStore* cache = ctx->cache;
  return cache->npoints > 0 ? &cache->points[cache->npoints - 1] : nullptr;
}

void vg__addPath(VGcontext* ctx)
{
  VGpathStore* cache = ctx->cache;
  if (!vg__reserve(cache->paths, cache->cpaths, cache->npaths + 1)) return;
  VGpath* path = &cache->paths[cache->npaths];
  std::memset(path, 0, sizeof(*path));
  path->first = cache->npoints;
  path->winding = VG_CCW;
  cache->npaths++;
}

void vg__addPoint(VGcontext* ctx, float x, float y, int flags)
{
  VGpath* path = vg__lastPath(ctx);
  if (!path) return;
  VGpathStore* cache = ctx->cache;

  if (path->count > 0 && cache->npoints > 0)
  {
    VGflatPoint* pt = vg__lastPoint(ctx);
    if (vg__ptEquals(pt->x, pt->y, x, y, ctx->distTol))
    {
      pt->flags |= static_cast<unsigned char>(flags);
      return;
    }
  }

  if (!vg__reserve(cache->points, cache->cpoints, cache->npoints + 1)) return;

  VGflatPoint* pt = &cache->points[cache->npoints];
  std::memset(pt, 0, sizeof(*pt));
  pt->x = x;
  pt->y = y;
  pt->flags = static_cast<unsigned char>(flags);
  cache->npoints++;
  path->count++;
}

void vg__closePath(VGcontext* ctx)
{
  if (VGpath* path = vg__lastPath(ctx)) path->closed = 1;
}

void vg__pathWinding(VGcontext* ctx, int winding)
{
  if (VGpath* path = vg__lastPath(ctx)) path->winding = winding;
}

float vg__polyArea(const VGflatPoint* pts, int npts)
{
  float area = 0;
  for (int i = 2; i < npts; i++)
  {
    const VGflatPoint* a = &pts[0];
    const VGflatPoint* b = &pts[i - 1];
    const VGflatPoint* c = &pts[i];
    area += (c->x - a->x) * (b->y - a->y) - (b->x - a->x) * (c->y - a->y);
  }
  return area * 0.5f;
}

void vg__polyReverse(VGflatPoint* pts, int npts)
{
  int i = 0, j = npts - 1;
  while (i < j)
  {
    std::swap(pts[i], pts[j]);
    i++;
    j--;
  }
}

void vg__tesselateBezier(VGcontext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                         float y4, int level, int type)
{
  const float x12 = (x1 + x2) * 0.5f;
  const float y12 = (y1 + y2) * 0.5f;
  const float x23 = (x2 + x3) * 0.5f;
  const float y23 = (y2 + y3) * 0.5f;
  const float x34 = (x3 + x4) * 0.5f;
  const float y34 = (y3 + y4) * 0.5f;
  const float x123 = (x12 + x23) * 0.5f;
  const float y123 = (y12 + y23) * 0.5f;

  const float dx = x4 - x1;
  const float dy = y4 - y1;
  const float d2 = std::fabs(((x2 - x4) * dy - (y2 - y4) * dx));
  const float d3 = std::fabs(((x3 - x4) * dy - (y3 - y4) * dx));

  // At the deepest level the chord is taken as it is, so a curve too large
  // for the tolerance still reaches its end point.
  if ((d2 + d3) * (d2 + d3) < ctx->tessTol * (dx * dx + dy * dy) || level >= 10)
  {
    vg__addPoint(ctx, x4, y4, type);
    return;
  }

  const float x234 = (x23 + x34) * 0.5f;
  const float y234 = (y23 + y34) * 0.5f;
  const float x1234 = (x123 + x234) * 0.5f;
  const float y1234 = (y123 + y234) * 0.5f;

  vg__tesselateBezier(ctx, x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1, 0);
  vg__tesselateBezier(ctx, x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1, type);
}

// Flattens the recorded commands into paths of points, once per path.
// Commands before the first move-to have no path to join and are ignored.
void vg__flattenPaths(VGcontext* ctx)
{
  VGpathStore* cache = ctx->cache;
  if (cache->npaths > 0) return;

  int i = 0;
  while (i < ctx->ncommands)
  {
    const int cmd = static_cast<int>(ctx->commands[i]);
    const float* p = &ctx->commands[i + 1];
    switch (cmd)
    {
      case VG_MOVETO:
        vg__addPath(ctx);
        vg__addPoint(ctx, p[0], p[1], VG_PT_CORNER);
        i += 3;
        break;
      case VG_LINETO:
        vg__addPoint(ctx, p[0], p[1], VG_PT_CORNER);
        i += 3;
        break;
      case VG_BEZIERTO:
      {
        VGflatPoint* last = vg__lastPoint(ctx);
        if (last && vg__lastPath(ctx))
          vg__tesselateBezier(ctx, last->x, last->y, p[0], p[1], p[2], p[3], p[4], p[5], 0, VG_PT_CORNER);
        i += 7;
        break;
      }
      case VG_CLOSE:
        vg__closePath(ctx);
        i++;
        break;
      case VG_WINDING:
        vg__pathWinding(ctx, static_cast<int>(p[0]));
        i += 2;
        break;
      default: i++;
    }
  }

  cache->bounds[0] = cache->bounds[1] = 1e6f;
  cache->bounds[2] = cache->bounds[3] = -1e6f;

  for (int j = 0; j < cache->npaths; j++)
  {
    VGpath* path = &cache->paths[j];
    VGflatPoint* pts = &cache->points[path->first];

    if (path->count > 0)
    {
      const VGflatPoint* p0 = &pts[path->count - 1];
      const VGflatPoint* p1 = &pts[0];
      // A single point equals itself: the path becomes empty and closed.
      if (vg__ptEquals(p0->x, p0->y, p1->x, p1->y, ctx->distTol))
      {
        path->count--;
        path->closed = 1;
      }
    }
    if (path->count == 0) continue;

    if (path->count > 2)
    {
      const float area = vg__polyArea(pts, path->count);
      if (path->winding == VG_CCW && area < 0.0f) vg__polyReverse(pts, path->count);
      if (path->winding == VG_CW && area > 0.0f) vg__polyReverse(pts, path->count);
    }

    VGflatPoint* p0 = &pts[path->count - 1];
    VGflatPoint* p1 = &pts[0];
    for (int k = 0; k < path->count; k++)
    {
      p0->dx = p1->x - p0->x;
      p0->dy = p1->y - p0->y;
      p0->len = vg__normalize(&p0->dx, &p0->dy);
      cache->bounds[0] = std::min(cache->bounds[0], p0->x);
      cache->bounds[1] = std::min(cache->bounds[1], p0->y);
      cache->bounds[2] = std::max(cache->bounds[2], p0->x);
      cache->bounds[3] = std::max(cache->bounds[3], p0->y);
      p0 = p1++;
    }
  }
}

// A float count clamped to [lo, hi] before it becomes an int, so that NaN or
// huge values cannot overflow the conversion (NaN gives lo).
int vg__clampCount(float n, int lo, int hi)
{
  if (n >= static_cast<float>(hi)) return hi;
  if (n >= static_cast<float>(lo)) return static_cast<int>(n);
  return lo;
}

int vg__curveDivs(float r, float arc, float tol)
{
  const float da = std::acos(r / (r + tol)) * 2.0f;
  return vg__clampCount(std::ceil(arc / da), 2, 1 << 16);
}

void vg__chooseBevel(int bevel, const VGflatPoint* p0, const VGflatPoint* p1, float w, float* x0, float* y0,
                     float* x1, float* y1)
{
  if (bevel)
  {
    *x0 = p1->x + p0->dy * w;
    *y0 = p1->y - p0->dx * w;
    *x1 = p1->x + p1->dy * w;
    *y1 = p1->y - p1->dx * w;
  }
  else
  {
    *x0 = p1->x + p1->dmx * w;
    *y0 = p1->y + p1->dmy * w;
    *x1 = p1->x + p1->dmx * w;
    *y1 = p1->y + p1->dmy * w;
  }
}

VGvertex* vg__roundJoin(VGvertex* dst, const VGflatPoint* p0, const VGflatPoint* p1, float lw, float rw, float lu,
                        float ru, int ncap)
{
  const float dlx0 = p0->dy;
  const float dly0 = -p0->dx;
  const float dlx1 = p1->dy;
  const float dly1 = -p1->dx;

  if (p1->flags & VG_PT_LEFT)
  {
    float lx0, ly0, lx1, ly1;
    vg__chooseBevel(p1->flags & VG_PR_INNERBEVEL, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);
    const float a0 = std::atan2(-dly0, -dlx0);
    float a1 = std::atan2(-dly1, -dlx1);
    if (a1 > a0) a1 -= VG_PI * 2;

    vg__vset(dst++, lx0, ly0, lu, 1);
    vg__vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);

    const int n = vg__clampCount(std::ceil(((a0 - a1) / VG_PI) * ncap), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      const float u = i / static_cast<float>(n - 1);
      const float a = a0 + u * (a1 - a0);
      const float rx = p1->x + std::cos(a) * rw;
      const float ry = p1->y + std::sin(a) * rw;
      vg__vset(dst++, p1->x, p1->y, 0.5f, 1);
      vg__vset(dst++, rx, ry, ru, 1);
    }

    vg__vset(dst++, lx1, ly1, lu, 1);
    vg__vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    vg__chooseBevel(p1->flags & VG_PR_INNERBEVEL, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);
    const float a0 = std::atan2(dly0, dlx0);
    float a1 = std::atan2(dly1, dlx1);
    if (a1 < a0) a1 += VG_PI * 2;

    vg__vset(dst++, p1->x + dlx0 * rw, p1->y + dly0 * rw, lu, 1);
    vg__vset(dst++, rx0, ry0, ru, 1);

    const int n = vg__clampCount(std::ceil(((a1 - a0) / VG_PI) * ncap), 2, ncap);
    for (int i = 0; i < n; i++)
    {
      const float u = i / static_cast<float>(n - 1);
      const float a = a0 + u * (a1 - a0);
      const float lx = p1->x + std::cos(a) * lw;
      const float ly = p1->y + std::sin(a) * lw;
      vg__vset(dst++, lx, ly, lu, 1);
      vg__vset(dst++, p1->x, p1->y, 0.5f, 1);
    }

    vg__vset(dst++, p1->x + dlx1 * rw, p1->y + dly1 * rw, lu, 1);
    vg__vset(dst++, rx1, ry1, ru, 1);
  }
  return dst;
}

VGvertex* vg__bevelJoin(VGvertex* dst, const VGflatPoint* p0, const VGflatPoint* p1, float lw, float rw, float lu,
                        float ru)
{
  const float dlx0 = p0->dy;
  const float dly0 = -p0->dx;
  const float dlx1 = p1->dy;
  const float dly1 = -p1->dx;

  if (p1->flags & VG_PT_LEFT)
  {
    float lx0, ly0, lx1, ly1;
    vg__chooseBevel(p1->flags & VG_PR_INNERBEVEL, p0, p1, lw, &lx0, &ly0, &lx1, &ly1);

    vg__vset(dst++, lx0, ly0, lu, 1);
    vg__vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);

    if (p1->flags & VG_PT_BEVEL)
    {
      vg__vset(dst++, lx0, ly0, lu, 1);
      vg__vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      vg__vset(dst++, lx1, ly1, lu, 1);
      vg__vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    else
    {
      const float rx0 = p1->x - p1->dmx * rw;
      const float ry0 = p1->y - p1->dmy * rw;
      vg__vset(dst++, p1->x, p1->y, 0.5f, 1);
      vg__vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      vg__vset(dst++, rx0, ry0, ru, 1);
      vg__vset(dst++, rx0, ry0, ru, 1);
      vg__vset(dst++, p1->x, p1->y, 0.5f, 1);
      vg__vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }

    vg__vset(dst++, lx1, ly1, lu, 1);
    vg__vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  }
  else
  {
    float rx0, ry0, rx1, ry1;
    vg__chooseBevel(p1->flags & VG_PR_INNERBEVEL, p0, p1, -rw, &rx0, &ry0, &rx1, &ry1);

    vg__vset(dst++, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    vg__vset(dst++, rx0, ry0, ru, 1);

    if (p1->flags & VG_PT_BEVEL)
    {
      vg__vset(dst++, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      vg__vset(dst++, rx0, ry0, ru, 1);
      vg__vset(dst++, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      vg__vset(dst++, rx1, ry1, ru, 1);
    }
    else
    {
      const float lx0 = p1->x + p1->dmx * lw;
      const float ly0 = p1->y + p1->dmy * lw;
      vg__vset(dst++, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      vg__vset(dst++, p1->x, p1->y, 0.5f, 1);
      vg__vset(dst++, lx0, ly0, lu, 1);
      vg__vset(dst++, lx0, ly0, lu, 1);
      vg__vset(dst++, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      vg__vset(dst++, p1->x, p1->y, 0.5f, 1);
    }

    vg__vset(dst++, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    vg__vset(dst++, rx1, ry1, ru, 1);
  }
  return dst;
}

VGvertex* vg__buttCapStart(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, float d, float aa,
                           float u0, float u1)
{
  const float px = p->x - dx * d;
  const float py = p->y - dy * d;
  const float dlx = dy;
  const float dly = -dx;
  vg__vset(dst++, px + dlx * w - dx * aa, py + dly * w - dy * aa, u0, 0);
  vg__vset(dst++, px - dlx * w - dx * aa, py - dly * w - dy * aa, u1, 0);
  vg__vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vg__vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGvertex* vg__buttCapEnd(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, float d, float aa,
                         float u0, float u1)
{
  const float px = p->x + dx * d;
  const float py = p->y + dy * d;
  const float dlx = dy;
  const float dly = -dx;
  vg__vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vg__vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  vg__vset(dst++, px + dlx * w + dx * aa, py + dly * w + dy * aa, u0, 0);
  vg__vset(dst++, px - dlx * w + dx * aa, py - dly * w + dy * aa, u1, 0);
  return dst;
}

VGvertex* vg__roundCapStart(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, int ncap, float u0,
                            float u1)
{
  const float px = p->x;
  const float py = p->y;
  const float dlx = dy;
  const float dly = -dx;
  for (int i = 0; i < ncap; i++)
  {
    const float a = i / static_cast<float>(ncap - 1) * VG_PI;
    const float ax = std::cos(a) * w, ay = std::sin(a) * w;
    vg__vset(dst++, px - dlx * ax - dx * ay, py - dly * ax - dy * ay, u0, 1);
    vg__vset(dst++, px, py, 0.5f, 1);
  }
  vg__vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vg__vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGvertex* vg__roundCapEnd(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, int ncap, float u0,
                          float u1)
{
  const float px = p->x;
  const float py = p->y;
  const float dlx = dy;
  const float dly = -dx;
  vg__vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vg__vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  for (int i = 0; i < ncap; i++)
  {
    const float a = i / static_cast<float>(ncap - 1) * VG_PI;
    const float ax = std::cos(a) * w, ay = std::sin(a) * w;
    vg__vset(dst++, px, py, 0.5f, 1);
    vg__vset(dst++, px - dlx * ax + dx * ay, py - dly * ax + dy * ay, u0, 1);
  }
  return dst;
}

// For a ring of points that all turn left: true when its turns add up to
// one full turn. A star drawn as one outline turns left at every point yet
// winds round twice, and is not convex. Each left turn turns the direction
// the same way by less than a half turn, so the full turns are counted by
// the times it passes one direction: from y >= 0 to y < 0.
bool vg__turnsOnce(const VGflatPoint* pts, int count)
{
  const VGflatPoint* p0 = &pts[count - 1];
  int turns = 0;
  for (int i = 0; i < count; i++)
  {
    turns += p0->dy >= 0.0f && pts[i].dy < 0.0f;
    p0 = &pts[i];
  }
  return turns == 1;
}

// False when every point of the path lies within tol of one line (or of one
// point): such a path encloses no area, and a fill draws neither its fan
// nor its fringe.
bool vg__enclosesArea(const VGflatPoint* pts, int count, float tol)
{
  if (count < 3) return false;
  const float x0 = pts[0].x, y0 = pts[0].y;
  float far2 = 0.0f, fx = 0.0f, fy = 0.0f;
  for (int i = 1; i < count; i++)
  {
    const float dx = pts[i].x - x0, dy = pts[i].y - y0;
    if (dx * dx + dy * dy > far2)
    {
      far2 = dx * dx + dy * dy;
      fx = dx;
      fy = dy;
    }
  }
  if (!(far2 > tol * tol)) return false;
  const float len = std::sqrt(far2);
  for (int i = 1; i < count; i++)
  {
    // Distance from the line through the first and the farthest point.
    const float d = ((pts[i].x - x0) * fy - (pts[i].y - y0) * fx) / len;
    if (std::fabs(d) > tol) return true;
  }
  return false;
}

void vg__calculateJoins(VGcontext* ctx, float w, int lineJoin, float miterLimit)
{
  VGpathStore* cache = ctx->cache;
  const float iw = w > 0.0f ? 1.0f / w : 0.0f;

  for (int i = 0; i < cache->npaths; i++)
  {
    VGpath* path = &cache->paths[i];
    path->nbevel = 0;
    if (path->count == 0) continue;
    VGflatPoint* pts = &cache->points[path->first];
    VGflatPoint* p0 = &pts[path->count - 1];
    VGflatPoint* p1 = &pts[0];
    int nleft = 0;

    for (int j = 0; j < path->count; j++)
    {
      const float dlx0 = p0->dy;
      const float dly0 = -p0->dx;
      const float dlx1 = p1->dy;
      const float dly1 = -p1->dx;
      p1->dmx = (dlx0 + dlx1) * 0.5f;
      p1->dmy = (dly0 + dly1) * 0.5f;
      const float dmr2 = p1->dmx * p1->dmx + p1->dmy * p1->dmy;
      if (dmr2 > 0.000001f)
      {
        const float scale = std::min(1.0f / dmr2, 600.0f);
        p1->dmx *= scale;
        p1->dmy *= scale;
      }

      p1->flags = (p1->flags & VG_PT_CORNER) ? VG_PT_CORNER : 0;

      const float cross = p1->dx * p0->dy - p0->dx * p1->dy;
      if (cross > 0.0f)
      {
        nleft++;
        p1->flags |= VG_PT_LEFT;
      }

      const float limit = std::max(1.01f, std::min(p0->len, p1->len) * iw);
      if ((dmr2 * limit * limit) < 1.0f) p1->flags |= VG_PR_INNERBEVEL;

      if (p1->flags & VG_PT_CORNER)
      {
        if ((dmr2 * miterLimit * miterLimit) < 1.0f || lineJoin == VG_BEVEL || lineJoin == VG_ROUND)
          p1->flags |= VG_PT_BEVEL;
      }

      if ((p1->flags & (VG_PT_BEVEL | VG_PR_INNERBEVEL)) != 0) path->nbevel++;

      p0 = p1++;
    }

    path->convex = (nleft == path->count && vg__turnsOnce(pts, path->count)) ? 1 : 0;
  }
}

// Vertex budget of one stroke request; every write below stays inside it.
int vg__strokeVertexBound(const VGpath* path, int lineCap, int lineJoin, int ncap)
{
  int n = lineJoin == VG_ROUND ? (path->count + path->nbevel * (ncap + 2) + 1) * 2
                               : (path->count + path->nbevel * 5 + 1) * 2;
  if (!path->closed) n += lineCap == VG_ROUND ? (ncap * 2 + 2) * 2 : (3 + 3) * 2;
  return n;
}

bool vg__expandStroke(VGcontext* ctx, float w, float fringe, int lineCap, int lineJoin, float miterLimit)
{
  VGpathStore* cache = ctx->cache;
  const float aa = fringe;
  float u0 = 0.0f, u1 = 1.0f;
  const int ncap = vg__curveDivs(w, VG_PI, ctx->tessTol);

  w += aa * 0.5f;

  // Without anti-aliasing the edges do not fade.
  if (aa == 0.0f)
  {
    u0 = 0.5f;
    u1 = 0.5f;
  }

  vg__calculateJoins(ctx, w, lineJoin, miterLimit);

  int cverts = 0;
  for (int i = 0; i < cache->npaths; i++) cverts += vg__strokeVertexBound(&cache->paths[i], lineCap, lineJoin, ncap);

  VGvertex* verts = vg__allocTempVerts(ctx, cverts);
  if (!verts) return false;

  for (int i = 0; i < cache->npaths; i++)
  {
    VGpath* path = &cache->paths[i];
    VGflatPoint* pts = &cache->points[path->first];
    path->fill = nullptr;
    path->nfill = 0;
    path->stroke = nullptr;
    path->nstroke = 0;
    // A path of fewer than two points has no segment to stroke.
    if (path->count < 2) continue;

    const bool loop = path->closed != 0;
    VGvertex* dst = verts;
    path->stroke = dst;

    VGflatPoint *p0, *p1;
    int s, e;
    if (loop)
    {
      p0 = &pts[path->count - 1];
      p1 = &pts[0];
      s = 0;
      e = path->count;
    }
    else
    {
      p0 = &pts[0];
      p1 = &pts[1];
      s = 1;
      e = path->count - 1;
    }

    if (!loop)
    {
      float dx = p1->x - p0->x;
      float dy = p1->y - p0->y;
      vg__normalize(&dx, &dy);
      if (lineCap == VG_BUTT)
        dst = vg__buttCapStart(dst, p0, dx, dy, w, -aa * 0.5f, aa, u0, u1);
      else if (lineCap == VG_SQUARE)
        dst = vg__buttCapStart(dst, p0, dx, dy, w, w - aa, aa, u0, u1);
      else if (lineCap == VG_ROUND)
        dst = vg__roundCapStart(dst, p0, dx, dy, w, ncap, u0, u1);
    }

    for (int j = s; j < e; ++j)
    {
      if ((p1->flags & (VG_PT_BEVEL | VG_PR_INNERBEVEL)) != 0)
      {
        if (lineJoin == VG_ROUND)
          dst = vg__roundJoin(dst, p0, p1, w, w, u0, u1, ncap);
        else
          dst = vg__bevelJoin(dst, p0, p1, w, w, u0, u1);
      }
      else
      {
        vg__vset(dst++, p1->x + (p1->dmx * w), p1->y + (p1->dmy * w), u0, 1);
        vg__vset(dst++, p1->x - (p1->dmx * w), p1->y - (p1->dmy * w), u1, 1);
      }
      p0 = p1++;
    }

    if (loop)
    {
      vg__vset(dst++, verts[0].x, verts[0].y, u0, 1);
      vg__vset(dst++, verts[1].x, verts[1].y, u1, 1);
    }
    else
    {
      float dx = p1->x - p0->x;
      float dy = p1->y - p0->y;
      vg__normalize(&dx, &dy);
      if (lineCap == VG_BUTT)
        dst = vg__buttCapEnd(dst, p1, dx, dy, w, -aa * 0.5f, aa, u0, u1);
      else if (lineCap == VG_SQUARE)
        dst = vg__buttCapEnd(dst, p1, dx, dy, w, w - aa, aa, u0, u1);
      else if (lineCap == VG_ROUND)
        dst = vg__roundCapEnd(dst, p1, dx, dy, w, ncap, u0, u1);
    }

    path->nstroke = static_cast<int>(dst - verts);
    verts = dst;
    assert(verts - ctx->cache->verts <= cverts && "stroke wrote past its reserved vertices");
  }
  return true;
}

bool vg__expandFill(VGcontext* ctx, float w, int lineJoin, float miterLimit)
{
  VGpathStore* cache = ctx->cache;
  const bool fringe = w > 0.0f;

  vg__calculateJoins(ctx, w, lineJoin, miterLimit);

  int cverts = 0;
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath* path = &cache->paths[i];
    cverts += path->count + path->nbevel + 1;
    if (fringe) cverts += (path->count + path->nbevel * 5 + 1) * 2;
  }

  VGvertex* verts = vg__allocTempVerts(ctx, cverts);
  if (!verts) return false;

  const bool convex = cache->npaths == 1 && cache->paths[0].convex;

  for (int i = 0; i < cache->npaths; i++)
  {
    VGpath* path = &cache->paths[i];
    VGflatPoint* pts = &cache->points[path->first];
    path->fill = nullptr;
    path->nfill = 0;
    path->stroke = nullptr;
    path->nstroke = 0;
    if (!vg__enclosesArea(pts, path->count, ctx->distTol)) continue;

    const float woff = 0.5f * w;
    VGvertex* dst = verts;
    path->fill = dst;

    if (fringe)
    {
      VGflatPoint* p0 = &pts[path->count - 1];
      VGflatPoint* p1 = &pts[0];
      for (int j = 0; j < path->count; ++j)
      {
        if (p1->flags & VG_PT_BEVEL)
        {
          const float dlx0 = p0->dy;
          const float dly0 = -p0->dx;
          const float dlx1 = p1->dy;
          const float dly1 = -p1->dx;
          if (p1->flags & VG_PT_LEFT)
          {
            const float lx = p1->x + p1->dmx * woff;
            const float ly = p1->y + p1->dmy * woff;
            vg__vset(dst++, lx, ly, 0.5f, 1);
          }
          else
          {
            const float lx0 = p1->x + dlx0 * woff;
            const float ly0 = p1->y + dly0 * woff;
            const float lx1 = p1->x + dlx1 * woff;
            const float ly1 = p1->y + dly1 * woff;
            vg__vset(dst++, lx0, ly0, 0.5f, 1);
            vg__vset(dst++, lx1, ly1, 0.5f, 1);
          }
        }
        else
        {
          vg__vset(dst++, p1->x + (p1->dmx * woff), p1->y + (p1->dmy * woff), 0.5f, 1);
        }
        p0 = p1++;
      }
    }
    else
    {
      for (int j = 0; j < path->count; ++j) vg__vset(dst++, pts[j].x, pts[j].y, 0.5f, 1);
    }

    path->nfill = static_cast<int>(dst - verts);
    verts = dst;

    if (fringe)
    {
      float lw = w + woff;
      const float rw = w - woff;
      float lu = 0;
      const float ru = 1;
      dst = verts;
      path->stroke = dst;

      // A convex shape needs only the outer half of the fringe.
      if (convex)
      {
        lw = woff;
        lu = 0.5f;
      }

      VGflatPoint* p0 = &pts[path->count - 1];
      VGflatPoint* p1 = &pts[0];
      for (int j = 0; j < path->count; ++j)
      {
        if ((p1->flags & (VG_PT_BEVEL | VG_PR_INNERBEVEL)) != 0)
        {
          dst = vg__bevelJoin(dst, p0, p1, lw, rw, lu, ru);
        }
        else
        {
          vg__vset(dst++, p1->x + (p1->dmx * lw), p1->y + (p1->dmy * lw), lu, 1);
          vg__vset(dst++, p1->x - (p1->dmx * rw), p1->y - (p1->dmy * rw), ru, 1);
        }
        p0 = p1++;
      }

      vg__vset(dst++, verts[0].x, verts[0].y, lu, 1);
      vg__vset(dst++, verts[1].x, verts[1].y, ru, 1);

      path->nstroke = static_cast<int>(dst - verts);
      verts = dst;
    }
    assert(verts - ctx->cache->verts <= cverts && "fill wrote past its reserved vertices");
  }
  return true;
}

int vg__triangleCount(int nverts) { return nverts > 2 ? nverts - 2 : 0; }

bool vg__hasVertices(const VGpathStore* cache)
{
  for (int i = 0; i < cache->npaths; i++)
    if (cache->paths[i].nfill > 0 || cache->paths[i].nstroke > 0) return true;
  return false;
}

} // namespace

// Path store.

VGpathStore* vg__allocPathStore()
{
  auto* c = static_cast<VGpathStore*>(std::calloc(1, sizeof(VGpathStore)));
  if (!c) return nullptr;
  c->points = static_cast<VGflatPoint*>(std::malloc(sizeof(VGflatPoint) * VG_INIT_POINTS_SIZE));
  c->paths = static_cast<VGpath*>(std::malloc(sizeof(VGpath) * VG_INIT_PATHS_SIZE));
  c->verts = static_cast<VGvertex*>(std::malloc(sizeof(VGvertex) * VG_INIT_VERTS_SIZE));
  if (!c->points || !c->paths || !c->verts)
  {
    vg__deletePathStore(c);
    return nullptr;
  }
  c->cpoints = VG_INIT_POINTS_SIZE;
  c->cpaths = VG_INIT_PATHS_SIZE;
  c->cverts = VG_INIT_VERTS_SIZE;
  return c;
}

void vg__deletePathStore(VGpathStore* c)
{
  if (!c) return;
  std::free(c->points);
  std::free(c->paths);
  if (c->verts) VG_UNPOISON(c->verts, sizeof(VGvertex) * c->cverts);
  std::free(c->verts);
  std::free(c);
}

void vg__clearPathStore(VGpathStore* c)
{
  c->npoints = 0;
  c->npaths = 0;
}

VGvertex* vg__allocTempVerts(VGcontext* ctx, int nverts)
{
  VGpathStore* cache = ctx->cache;
  if (nverts < 0) return nullptr;
  VG_UNPOISON(cache->verts, sizeof(VGvertex) * cache->cverts);
  if (nverts > cache->cverts && !vg__resizeArray(cache->verts, cache->cverts, (nverts + 0xff) & ~0xff))
    return nullptr;
  VG_POISON(cache->verts + nverts, sizeof(VGvertex) * (cache->cverts - nverts));
  return cache->verts;
}

// Fill and stroke.

void vgFill(VGcontext* ctx)
{
  VGdrawState* state = vg__getState(ctx);
  VGpaint fillPaint = state->fill;

  vg__flattenPaths(ctx);
  const float w = (ctx->params.edgeAntiAlias && state->shapeAntiAlias) ? ctx->fringeWidth : 0.0f;
  if (!vg__expandFill(ctx, w, VG_MITER, 2.4f)) return;
  // A path without area (empty, a point or a line) draws nothing.
  if (!vg__hasVertices(ctx->cache)) return;

  fillPaint.innerColor.a *= state->alpha;
  fillPaint.outerColor.a *= state->alpha;

  VGpathStore* cache = ctx->cache;
  ctx->params.renderFill(ctx->params.userPtr, &fillPaint, state->compositeOperation, &state->scissor, ctx->fringeWidth,
                         cache->bounds, cache->paths, cache->npaths);

  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath* path = &cache->paths[i];
    ctx->fillTriCount += vg__triangleCount(path->nfill) + vg__triangleCount(path->nstroke);
    ctx->drawCallCount += 2;
  }
}

void vgStroke(VGcontext* ctx)
{
  VGdrawState* state = vg__getState(ctx);
  const float scale = vg__getAverageScale(state->xform);
  float strokeWidth = vg__clampf(state->strokeWidth * scale, 0.0f, 200.0f);
  if (std::isnan(strokeWidth)) strokeWidth = 0.0f;
  VGpaint strokePaint = state->stroke;

  if (strokeWidth < ctx->fringeWidth)
  {
    // A stroke thinner than a pixel is drawn a pixel wide with its coverage
    // taken into the alpha.
    const float alpha = vg__clampf(strokeWidth / ctx->fringeWidth, 0.0f, 1.0f);
    strokePaint.innerColor.a *= alpha * alpha;
    strokePaint.outerColor.a *= alpha * alpha;
    strokeWidth = ctx->fringeWidth;
  }

  strokePaint.innerColor.a *= state->alpha;
  strokePaint.outerColor.a *= state->alpha;

  vg__flattenPaths(ctx);
  const bool aa = ctx->params.edgeAntiAlias && state->shapeAntiAlias;
  if (!vg__expandStroke(ctx, strokeWidth * 0.5f, aa ? ctx->fringeWidth : 0.0f, state->lineCap, state->lineJoin,
                        state->miterLimit))
    return;
  if (!vg__hasVertices(ctx->cache)) return;

  VGpathStore* cache = ctx->cache;
  ctx->params.renderStroke(ctx->params.userPtr, &strokePaint, state->compositeOperation, &state->scissor,
                           ctx->fringeWidth, strokeWidth, cache->paths, cache->npaths);

  for (int i = 0; i < cache->npaths; i++)
  {
    ctx->strokeTriCount += vg__triangleCount(cache->paths[i].nstroke);
    ctx->drawCallCount++;
  }
}

void vgDebugDumpPathCache(VGcontext* ctx)
{
  const VGpathStore* cache = ctx->cache;
  std::printf("Dumping %d cached paths\n", cache->npaths);
  for (int i = 0; i < cache->npaths; i++)
  {
    const VGpath* path = &cache->paths[i];
    std::printf(" - Path %d\n", i);
    if (path->nfill)
    {
      std::printf("   - fill: %d\n", path->nfill);
      for (int j = 0; j < path->nfill; j++) std::printf("%f\t%f\n", path->fill[j].x, path->fill[j].y);
    }
    if (path->nstroke)
    {
      std::printf("   - stroke: %d\n", path->nstroke);
      for (int j = 0; j < path->nstroke; j++) std::printf("%f\t%f\n", path->stroke[j].x, path->stroke[j].y);
    }
  }
}
