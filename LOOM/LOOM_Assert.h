#pragma once
// Debug assertions that carry a message. They mark callers' errors
// (preconditions); release builds (NDEBUG) compile them away and keep the
// sound behaviour written around them.

#include <cstdio>
#include <cstdlib>

#ifdef NDEBUG
#define LOOM_ASSERT_MSG(cond, msg) ((void)0)
#else
#define LOOM_ASSERT_MSG(cond, msg)                                                              \
  ((cond) ? (void)0                                                                            \
          : (std::fprintf(stderr, "%s:%d: assertion failed: %s\n", __FILE__, __LINE__, (msg)), \
             std::abort()))
#endif
