#include "RecordingBackend.h"
#include "VGContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

using namespace pw::test;
using Ops = std::vector<std::string>;

namespace {

void ExpectXform(const float* t, std::vector<float> expected, float tol = 1e-5f)
{
  for (int i = 0; i < 6; i++) EXPECT_NEAR(t[i], expected[i], tol) << "element " << i;
}

std::vector<float> Commands(VGcontext* vg) { return {vg->commands, vg->commands + vg->ncommands}; }

} // namespace

TEST(VGContext, CallsTheBackendInContractOrder)
{
  RecordingBackend backend;
  VGbackendParams params = backend.Params();
  VGcontext* vg = vgCreateInternal(&params);
  ASSERT_NE(vg, nullptr);
  EXPECT_NE(vg->fs, nullptr);
  const RecordedCall& atlas = backend.calls[1];
  EXPECT_EQ((std::vector<int>{atlas.type, atlas.w, atlas.h, atlas.flags}), (std::vector<int>{1, 512, 512, 0}));

  vgBeginFrame(vg, 300, 200, 2);
  vgRect(vg, 0, 0, 10, 10);
  vgFill(vg);
  vgStroke(vg);
  vgEndFrame(vg);
  vgBeginFrame(vg, 300, 200, 2);
  vgCancelFrame(vg);
  vgDeleteInternal(vg);
  EXPECT_EQ(backend.Ops(), (Ops{"create", "create-texture", "viewport", "fill", "stroke", "flush", "viewport",
                                "cancel", "delete-texture", "delete"}));
  const RecordedCall& viewport = *backend.Calls("viewport")[0];
  EXPECT_EQ((std::vector<float>(viewport.viewport, viewport.viewport + 3)), (std::vector<float>{300, 200, 2}));
  EXPECT_EQ(backend.calls[1].image, backend.Calls("delete-texture")[0]->image);
}

TEST(VGContext, CreationFailsCleanlyWhenTheBackendRefuses)
{
  for (int failingStep = 0; failingStep < 2; failingStep++)
  {
    RecordingBackend backend;
    backend.failCreate = failingStep == 0;
    backend.failTextureAfter = failingStep == 1 ? 0 : -1;
    VGbackendParams params = backend.Params();
    EXPECT_EQ(vgCreateInternal(&params), nullptr);
    EXPECT_TRUE(backend.deleted) << "step " << failingStep;
    EXPECT_EQ(backend.calls.back().op, "delete");
  }
}

TEST(VGContext, StateStackIsBoundedAndRestoresCopies)
{
  RecordingContext c;
  vgStrokeWidth(c.vg, 3);
  for (int i = 0; i < 40; i++) vgSave(c.vg);
  EXPECT_EQ(c.vg->nstates, 32);
  vgStrokeWidth(c.vg, 7);
  EXPECT_EQ(vg__getState(c.vg)->strokeWidth, 7);
  vgRestore(c.vg);
  EXPECT_EQ(vg__getState(c.vg)->strokeWidth, 3);
  for (int i = 0; i < 40; i++) vgRestore(c.vg);
  EXPECT_EQ(c.vg->nstates, 1);

  vgBeginFrame(c.vg, 10, 10, 1);
  const VGdrawState* s = vg__getState(c.vg);
  EXPECT_EQ((std::vector<float>{float(c.vg->nstates), s->strokeWidth, s->miterLimit, float(s->lineJoin),
                                float(s->textAlign), s->fontSize, s->scissor.extent[0], s->fill.innerColor.r,
                                s->stroke.innerColor.r}),
            (std::vector<float>{1, 1, 10, VG_MITER, 65, 16, -1, 1, 0}));
}

TEST(VGContext, CompositeOperationsMapToBlendFactors)
{
  const struct
  {
    int op, src, dst;
  } table[] = {{VG_SOURCE_OVER, VG_ONE, VG_ONE_MINUS_SRC_ALPHA},
               {VG_SOURCE_IN, VG_DST_ALPHA, VG_ZERO},
               {VG_SOURCE_OUT, VG_ONE_MINUS_DST_ALPHA, VG_ZERO},
               {VG_ATOP, VG_DST_ALPHA, VG_ONE_MINUS_SRC_ALPHA},
               {VG_DESTINATION_OVER, VG_ONE_MINUS_DST_ALPHA, VG_ONE},
               {VG_DESTINATION_IN, VG_ZERO, VG_SRC_ALPHA},
               {VG_DESTINATION_OUT, VG_ZERO, VG_ONE_MINUS_SRC_ALPHA},
               {VG_DESTINATION_ATOP, VG_ONE_MINUS_DST_ALPHA, VG_SRC_ALPHA},
               {VG_LIGHTER, VG_ONE, VG_ONE},
               {VG_COPY, VG_ONE, VG_ZERO},
               {VG_XOR, VG_ONE_MINUS_DST_ALPHA, VG_ONE_MINUS_SRC_ALPHA},
               {42, VG_ONE, VG_ZERO}};
  RecordingContext c;
  for (const auto& row : table)
  {
    vgGlobalCompositeOperation(c.vg, row.op);
    const VGcompositeOperationState s = vg__getState(c.vg)->compositeOperation;
    EXPECT_EQ((std::vector<int>{s.srcRGB, s.dstRGB, s.srcAlpha, s.dstAlpha}),
              (std::vector<int>{row.src, row.dst, row.src, row.dst}))
      << "op " << row.op;
  }
  vgGlobalCompositeBlendFuncSeparate(c.vg, 4, 8, 16, 32);
  const VGcompositeOperationState s = vg__getState(c.vg)->compositeOperation;
  EXPECT_EQ((std::vector<int>{s.srcRGB, s.dstRGB, s.srcAlpha, s.dstAlpha}), (std::vector<int>{4, 8, 16, 32}));
}

TEST(VGContext, NewestTransformActsFirstOnRecordedPoints)
{
  RecordingContext c;
  vgTranslate(c.vg, 10, 0);
  vgScale(c.vg, 2, 3);
  vgMoveTo(c.vg, 1, 1);
  EXPECT_EQ(Commands(c.vg), (std::vector<float>{VG_MOVETO, 12, 3}));
  EXPECT_EQ(c.vg->commandx, 1);

  float t[6], s[6];
  vgTransformTranslate(t, 10, 0);
  vgTransformScale(s, 2, 3);
  vgTransformMultiply(t, s); // translate, then scale
  ExpectXform(t, {2, 0, 0, 3, 20, 0});
  vgTransformTranslate(t, 10, 0);
  vgTransformPremultiply(t, s); // scale, then translate
  ExpectXform(t, {2, 0, 0, 3, 10, 0});
}

TEST(VGContext, InverseUndoesATransformAndRefusesADegenerateOne)
{
  float t[6] = {1, 2, -3, 0.5f, 7, -4}, inv[6];
  ASSERT_EQ(vgTransformInverse(inv, t), 1);
  vgTransformMultiply(t, inv);
  ExpectXform(t, {1, 0, 0, 1, 0, 0});

  float tiny[6];
  vgTransformScale(tiny, 0.0001f, 0.0001f);
  inv[0] = 5;
  EXPECT_EQ(vgTransformInverse(inv, tiny), 0);
  ExpectXform(inv, {1, 0, 0, 1, 0, 0}, 0);
}

TEST(VGContext, GradientsAndPatternsHaveTheirShapes)
{
  RecordingContext c;
  const VGcolor a = vgRGBf(1, 0, 0), b = vgRGBf(0, 0, 1);
  VGpaint p = vgLinearGradient(c.vg, 5, 6, 5, 6, a, b);
  ExpectXform(p.xform, {1, 0, 0, 1, 5, 6 - 1e5f});
  EXPECT_EQ(p.feather, 1.0f);
  p = vgLinearGradient(c.vg, 0, 0, 30, 40, a, b);
  ExpectXform(p.xform, {0.8f, -0.6f, 0.6f, 0.8f, -0.6e5f, -0.8e5f}, 0.01f);
  EXPECT_EQ(p.extent[1], 1e5f + 25);
  EXPECT_EQ(p.feather, 50);

  p = vgRadialGradient(c.vg, 10, 20, 4, 8, a, b);
  EXPECT_EQ((std::vector<float>{p.xform[4], p.xform[5], p.extent[0], p.radius, p.feather}),
            (std::vector<float>{10, 20, 6, 6, 4}));
  p = vgBoxGradient(c.vg, 10, 20, 40, 60, 5, 0.5f, a, b);
  EXPECT_EQ((std::vector<float>{p.xform[4], p.xform[5], p.extent[0], p.extent[1], p.radius, p.feather}),
            (std::vector<float>{30, 50, 20, 30, 5, 1}));
  p = vgImagePattern(c.vg, 3, 4, 16, 8, 0, 7, 0.5f);
  EXPECT_EQ((std::vector<float>{p.extent[0], p.feather, p.innerColor.a, p.outerColor.r, float(p.image)}),
            (std::vector<float>{16, 0, 0.5f, 1, 7}));

  vgTranslate(c.vg, 100, 0);
  vgFillPaint(c.vg, p);
  EXPECT_EQ(vg__getState(c.vg)->fill.xform[4], 103);
  vgFillColor(c.vg, a);
  EXPECT_EQ(vg__getState(c.vg)->fill.xform[4], 0);
}

TEST(VGContext, ScissorsIntersectInTheCurrentSpace)
{
  RecordingContext c;
  vgIntersectScissor(c.vg, 0, 0, 100, 100);
  const VGscissor first = vg__getState(c.vg)->scissor;
  vgScissor(c.vg, 0, 0, 100, 100);
  EXPECT_EQ(0, std::memcmp(&first, &vg__getState(c.vg)->scissor, sizeof(first)));

  vgTranslate(c.vg, 10, 10);
  vgIntersectScissor(c.vg, 50, 50, 100, 100); // (60, 60)..(100, 100) on screen
  const VGscissor& s = vg__getState(c.vg)->scissor;
  ExpectXform(s.xform, {1, 0, 0, 1, 80, 80});
  EXPECT_EQ((std::vector<float>{s.extent[0], s.extent[1]}), (std::vector<float>{20, 20}));
  vgIntersectScissor(c.vg, 500, 500, 10, 10); // disjoint: empty
  EXPECT_EQ(s.extent[0], 0);
  vgResetScissor(c.vg);
  EXPECT_EQ(s.extent[0], -1);
}

TEST(VGContext, ColoursConvertAndWrap)
{
  const VGcolor red = vgHSL(0, 1, 0.5f), green = vgHSL(-2.0f / 3, 1, 0.5f);
  for (int i = 0; i < 4; i++) EXPECT_NEAR(red.rgba[i], i == 0 || i == 3 ? 1 : 0, 1e-6);
  EXPECT_NEAR(green.g, 1, 1e-6);
  EXPECT_NEAR(green.r, 0, 1e-6);
  EXPECT_EQ(vgLerpRGBA(vgRGBA(0, 0, 0, 0), vgRGBA(255, 255, 255, 255), 7).a, 1); // u clamped
  EXPECT_EQ(vgRGBA(51, 0, 0, 255).r, 0.2f);
}

TEST(VGContext, ArcsUseAtMostAQuarterTurnPerBezier)
{
  const struct
  {
    float span;
    int dir, beziers;
  } table[] = {{3 * VG_PI, VG_CW, 4}, {VG_PI / 2, VG_CW, 1}, {VG_PI, VG_CCW, 2}, {-VG_PI / 2, VG_CW, 3}, {0.1f, VG_CW, 1}};
  for (const auto& row : table)
  {
    RecordingContext c;
    vgArc(c.vg, 0, 0, 10, 0, row.span, row.dir);
    const std::vector<float> cmds = Commands(c.vg);
    EXPECT_EQ(cmds.size(), 3u + 7u * row.beziers) << "span " << row.span;
    EXPECT_EQ(cmds[0], VG_MOVETO);
  }
  RecordingContext c;
  vgMoveTo(c.vg, 0, 0);
  vgArc(c.vg, 0, 0, 10, 0, VG_PI, VG_CW);
  EXPECT_EQ(Commands(c.vg)[3], VG_LINETO);
}

TEST(VGContext, RoundedRectanglesClampTheirCorners)
{
  RecordingContext c;
  vgRoundedRect(c.vg, 0, 0, 10, -20, 100); // radius 5 across, -10 down
  const std::vector<float> cmds = Commands(c.vg);
  EXPECT_EQ((std::vector<float>(cmds.begin(), cmds.begin() + 6)), (std::vector<float>{VG_MOVETO, 0, -10, VG_LINETO, 0, -10}));
  EXPECT_NEAR(cmds[7], 0, 1e-6);                 // first control: on the left edge
  EXPECT_NEAR(cmds[8], -20 + 10 * 0.44771522f, 1e-5);
  EXPECT_EQ(cmds.back(), VG_CLOSE);

  vgBeginPath(c.vg);
  vgRoundedRectVarying(c.vg, 0, 0, 10, 10, 0.05f, 0, 0, 0);
  EXPECT_EQ(Commands(c.vg).size(), 13u); // a plain rectangle
}

TEST(VGContext, CurvesStartFromTheLastCommandPoint)
{
  RecordingContext c;
  vgQuadTo(c.vg, 3, 3, 6, 0);
  EXPECT_EQ(Commands(c.vg), (std::vector<float>{VG_BEZIERTO, 2, 2, 4, 2, 6, 0}));

  vgBeginPath(c.vg);
  vgArcTo(c.vg, 1, 1, 2, 2, 5); // no commands: nothing
  EXPECT_TRUE(Commands(c.vg).empty());
  vgMoveTo(c.vg, 0, 0);
  vgArcTo(c.vg, 10, 0, 10, 10, 0.001f); // radius below tolerance: a line
  EXPECT_EQ(Commands(c.vg), (std::vector<float>{VG_MOVETO, 0, 0, VG_LINETO, 10, 0}));
  vgArcTo(c.vg, 20, 0, 20, 10, 5); // a right-angle corner: line to the tangent point, then one bezier
  const std::vector<float> cmds = Commands(c.vg);
  ASSERT_EQ(cmds.size(), 6u + 3u + 7u);
  EXPECT_NEAR(cmds[7], 15, 1e-4);
  EXPECT_NEAR(cmds[8], 0, 1e-4);
  EXPECT_NEAR(cmds[14], 20, 1e-4);
  EXPECT_NEAR(cmds[15], 5, 1e-4);
}

TEST(VGContext, ImagesDecodeAndRefuseBadData)
{
  RecordingContext c;
  const unsigned char pixels[] = {255, 0, 0, 255, 0, 255, 0, 128};
  int len = 0;
  unsigned char* png = stbi_write_png_to_mem(pixels, 8, 2, 1, 4, &len);
  ASSERT_NE(png, nullptr);
  const int image = vgCreateImageMem(c.vg, VG_IMAGE_NEAREST, png, len);
  std::free(png);
  ASSERT_GT(image, 0);
  const Texture& t = c.backend.textures[image];
  EXPECT_EQ((std::vector<int>{t.type, t.w, t.h, t.flags}), (std::vector<int>{2, 2, 1, VG_IMAGE_NEAREST}));
  EXPECT_EQ(t.pixels, std::vector<unsigned char>(pixels, pixels + 8));

  vgUpdateImage(c.vg, image, pixels);
  const RecordedCall& update = c.backend.calls.back();
  EXPECT_EQ((std::vector<int>{update.image, update.x, update.y, update.w, update.h}),
            (std::vector<int>{image, 0, 0, 2, 1}));

  unsigned char junk[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(vgCreateImageMem(c.vg, 0, junk, 5), 0);
  EXPECT_EQ(vgCreateImage(c.vg, "/nonexistent/picture.png", 0), 0);
  c.backend.failTextureAfter = 0;
  EXPECT_EQ(vgCreateImageRGBA(c.vg, 2, 1, 0, pixels), 0);
}

TEST(VGContext, OffscreenTargetsNeedTheirImage)
{
  RecordingContext c;
  MVGframebuffer* fb = mvgCreateFramebuffer(c.vg, 64, 32, VG_IMAGE_REPEATX);
  ASSERT_NE(fb, nullptr);
  const Texture& t = c.backend.textures[fb->image];
  EXPECT_EQ((std::vector<int>{t.type, t.w, t.h, t.flags}), (std::vector<int>{2, 64, 32, VG_IMAGE_REPEATX | 16}));
  mvgDeleteFramebuffer(fb);
  EXPECT_EQ(c.backend.calls.back().op, "delete-texture");

  c.backend.failTextureAfter = 0;
  EXPECT_EQ(mvgCreateFramebuffer(c.vg, 64, 32, 0), nullptr);
  const size_t calls = c.backend.calls.size();
  mvgDeleteFramebuffer(new (std::calloc(1, sizeof(MVGframebuffer))) MVGframebuffer{c.vg, 0});
  EXPECT_EQ(c.backend.calls.size(), calls);
}

TEST(VGContext, EndOfFrameKeepsTheNewestAtlasImageAndNoDeletedId)
{
  RecordingContext c;
  const int small = c.vg->fontImages[0]; // 512 x 512
  const int large = vgCreateImageRGBA(c.vg, 2048, 2048, 0, nullptr);
  const int current = vgCreateImageRGBA(c.vg, 1024, 1024, 0, nullptr);
  c.vg->fontImages[1] = large;
  c.vg->fontImages[2] = current;
  c.vg->fontImageIdx = 2;
  vgBeginFrame(c.vg, 10, 10, 1);
  vgEndFrame(c.vg);
  EXPECT_EQ((std::vector<int>(c.vg->fontImages, c.vg->fontImages + 4)), (std::vector<int>{current, large, 0, 0}));
  EXPECT_EQ(c.vg->fontImageIdx, 0);
  EXPECT_EQ(c.backend.textures.count(small), 0u);
  EXPECT_EQ(c.backend.textures.count(large), 1u);
}
