#pragma once
// The geometry types the Objective-C platform classes exchange.

typedef double CGFloat;

struct CGPoint
{
  CGFloat x, y;
};
struct CGSize
{
  CGFloat width, height;
};
struct CGRect
{
  CGPoint origin;
  CGSize size;
};
typedef struct CGPoint CGPoint;
typedef struct CGSize CGSize;
typedef struct CGRect CGRect;

static inline CGSize CGSizeMake(CGFloat width, CGFloat height)
{
  CGSize s = {width, height};
  return s;
}

static inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height)
{
  CGRect r = {{x, y}, {width, height}};
  return r;
}
