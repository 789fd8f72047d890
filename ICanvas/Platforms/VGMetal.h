#pragma once
// The Metal backend of the vector renderer: vgCreateMTL makes a renderer
// context that draws through Metal onto a CAMetalLayer (or into offscreen
// targets), with up to three frames in flight. Main thread only; frames
// complete on the GPU driver's thread.

#include "VGBackend.h"

// Creates the renderer context on layer (a CAMetalLayer*) with the
// VGcreateFlags; null when the backend or the renderer cannot be created.
VGcontext* vgCreateMTL(void* layer, int flags);
// Waits for the frames in flight, then deletes the context; null is ignored.
void vgDeleteMTL(VGcontext* ctx);

// The image's Metal texture (an id<MTLTexture>), once no frame in flight
// draws into it; null when no image has that id.
void* mvgImageHandle(VGcontext* ctx, int image);
// An RGBA image over an existing Metal texture, which the backend does not
// release when imageFlags has VG_IMAGE_NODELETE. 0 when none can be made.
int mvgCreateImageFromHandle(VGcontext* ctx, void* textureId, int imageFlags);
void* mvgDevice(VGcontext* ctx);       // id<MTLDevice>
void* mvgCommandQueue(VGcontext* ctx); // id<MTLCommandQueue>
int mvgTarget();                       // 1: this backend draws through Metal
