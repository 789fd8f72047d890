// The skyline packer of the font atlas: the upper outline of the used area
// as nodes left to right; a rectangle goes where its top edge ends lowest.

#include "FontAtlasDetail.h"

#include <cstdlib>
#include <cstring>

namespace {

int InsertNode(FNTskyline* atlas, int idx, int x, int y, int w)
{
  if (!FntReserveOne(atlas->nodes, atlas->nnodes, atlas->cnodes))
    return 0;
  memmove(&atlas->nodes[idx + 1], &atlas->nodes[idx], sizeof(FNTskylineNode) * (atlas->nnodes - idx));
  atlas->nodes[idx] = {static_cast<short>(x), static_cast<short>(y), static_cast<short>(w)};
  atlas->nnodes++;
  return 1;
}

void RemoveNode(FNTskyline* atlas, int idx)
{
  memmove(&atlas->nodes[idx], &atlas->nodes[idx + 1], sizeof(FNTskylineNode) * (atlas->nnodes - idx - 1));
  atlas->nnodes--;
}

int AddSkylineLevel(FNTskyline* atlas, int idx, int x, int y, int w, int h)
{
  if (!InsertNode(atlas, idx, x, y + h, w))
    return 0;
  // Nodes under the new level are shortened from the left or removed.
  for (int i = idx + 1; i < atlas->nnodes; i++)
  {
    const FNTskylineNode& prev = atlas->nodes[i - 1];
    FNTskylineNode& node = atlas->nodes[i];
    if (node.x >= prev.x + prev.width)
      break;
    const int shrink = prev.x + prev.width - node.x;
    node.x = static_cast<short>(node.x + shrink);
    node.width = static_cast<short>(node.width - shrink);
    if (node.width > 0)
      break;
    RemoveNode(atlas, i);
    i--;
  }
  for (int i = 0; i < atlas->nnodes - 1; i++)
  {
    if (atlas->nodes[i].y == atlas->nodes[i + 1].y)
    {
      atlas->nodes[i].width = static_cast<short>(atlas->nodes[i].width + atlas->nodes[i + 1].width);
      RemoveNode(atlas, i + 1);
      i--;
    }
  }
  return 1;
}

// The y at which a w x h rectangle fits with its left edge on node i, or -1.
int RectFits(const FNTskyline* atlas, int i, int w, int h)
{
  if (atlas->nodes[i].x + w > atlas->width)
    return -1;
  int y = atlas->nodes[i].y;
  int spaceLeft = w;
  while (spaceLeft > 0)
  {
    if (i == atlas->nnodes)
      return -1;
    y = atlas->nodes[i].y > y ? atlas->nodes[i].y : y;
    if (y + h > atlas->height)
      return -1;
    spaceLeft -= atlas->nodes[i].width;
    ++i;
  }
  return y;
}

} // namespace

FNTskyline* fnt__allocAtlas(int w, int h, int nnodes)
{
  auto* atlas = static_cast<FNTskyline*>(calloc(1, sizeof(FNTskyline)));
  if (!atlas)
    return nullptr;
  atlas->width = w;
  atlas->height = h;
  atlas->nodes = static_cast<FNTskylineNode*>(malloc(sizeof(FNTskylineNode) * nnodes));
  if (!atlas->nodes)
  {
    free(atlas);
    return nullptr;
  }
  atlas->cnodes = nnodes;
  atlas->nodes[0] = {0, 0, static_cast<short>(w)};
  atlas->nnodes = 1;
  return atlas;
}

void fnt__deleteAtlas(FNTskyline* atlas)
{
  if (!atlas)
    return;
  free(atlas->nodes);
  free(atlas);
}

int fnt__atlasAddRect(FNTskyline* atlas, int rw, int rh, int* rx, int* ry)
{
  if (rw <= 0 || rh <= 0)
    return 0; // would take no room, or lower the skyline
  int besth = atlas->height, bestw = atlas->width, besti = -1;
  int bestx = -1, besty = -1;
  for (int i = 0; i < atlas->nnodes; i++)
  {
    const int y = RectFits(atlas, i, rw, rh);
    if (y == -1)
      continue;
    if (y + rh < besth || (y + rh == besth && atlas->nodes[i].width < bestw))
    {
      besti = i;
      bestw = atlas->nodes[i].width;
      besth = y + rh;
      bestx = atlas->nodes[i].x;
      besty = y;
    }
  }
  if (besti == -1 || !AddSkylineLevel(atlas, besti, bestx, besty, rw, rh))
    return 0;
  *rx = bestx;
  *ry = besty;
  return 1;
}

int fnt__atlasExpand(FNTskyline* atlas, int w, int h)
{
  if (w > atlas->width && !InsertNode(atlas, atlas->nnodes, atlas->width, 0, w - atlas->width))
    return 0;
  atlas->width = w;
  atlas->height = h;
  return 1;
}

void fnt__atlasReset(FNTskyline* atlas, int w, int h)
{
  atlas->width = w;
  atlas->height = h;
  atlas->nodes[0] = {0, 0, static_cast<short>(w)};
  atlas->nnodes = 1;
}
