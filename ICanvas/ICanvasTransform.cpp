// The path transform stack and path clipping.

#include "ICanvas.h"

#include "ILayer.h"

namespace weft::canvas {

void ICanvas::PathTransformSave() { mTransformStates.push(mTransform); }

void ICanvas::PathTransformRestore()
{
  if (mTransformStates.empty())
    return;
  mTransform = mTransformStates.top();
  mTransformStates.pop();
  PathTransformSetMatrix(mTransform);
}

void ICanvas::PathTransformReset(bool clearStates)
{
  if (clearStates)
    mTransformStates = std::stack<IMatrix>();
  mTransform = IMatrix();
  PathTransformSetMatrix(mTransform);
}

void ICanvas::PathTransformTranslate(float x, float y)
{
  mTransform.Translate(x, y);
  PathTransformSetMatrix(mTransform);
}

void ICanvas::PathTransformScale(float x, float y)
{
  mTransform.Scale(x, y);
  PathTransformSetMatrix(mTransform);
}

void ICanvas::PathTransformRotate(float angle)
{
  mTransform.Rotate(angle);
  PathTransformSetMatrix(mTransform);
}

void ICanvas::PathTransformSkew(float xAngle, float yAngle)
{
  mTransform.Skew(xAngle, yAngle);
  PathTransformSetMatrix(mTransform);
}

void ICanvas::PathTransformMatrix(const IMatrix& m)
{
  mTransform.Transform(m);
  PathTransformSetMatrix(mTransform);
}

void ICanvas::PathClipRegion(const IRECT r)
{
  const IRECT drawArea = mLayers.empty() ? mClipRECT : mLayers.top()->Bounds();
  const IRECT clip = r.Empty() ? drawArea : r.Intersect(drawArea);
  PathTransformSetMatrix(IMatrix());
  SetClipRegion(clip);
  PathTransformSetMatrix(mTransform);
}

} // namespace weft::canvas
