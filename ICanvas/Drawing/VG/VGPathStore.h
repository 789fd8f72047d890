#pragma once
// The path store's lifetime, used by the context.

struct VGpathStore;

VGpathStore* vg__allocPathStore();
void vg__deletePathStore(VGpathStore* cache); // null is ignored
// Drops the flattened points and paths (the arrays keep their room).
void vg__clearPathStore(VGpathStore* cache);
