#pragma once
// An autorelease pool for one scope (Objective-C++ only). Every way into
// Objective-C code that does not come from an application's event loop opens
// one: a timer, an event or a completion block from the platform, and each
// call of the component's own C++ code that reaches Cocoa. A host may call in
// from a thread or at a moment without a pool, and an object autoreleased
// then must not escape as an exception through a noexcept entry point.

#import <Foundation/Foundation.h>

namespace weft {

class ScopedPool
{
public:
  ScopedPool() : mPool([[NSAutoreleasePool alloc] init]) {}
  ~ScopedPool() { [mPool release]; }
  ScopedPool(const ScopedPool&) = delete;
  ScopedPool& operator=(const ScopedPool&) = delete;

private:
  NSAutoreleasePool* mPool;
};

} // namespace weft
