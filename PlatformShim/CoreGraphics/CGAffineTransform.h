#pragma once
#include <CoreGraphics/CGGeometry.h>

struct CGAffineTransform
{
  CGFloat a, b, c, d, tx, ty;
};
typedef struct CGAffineTransform CGAffineTransform;
