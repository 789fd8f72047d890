# Objective-C++ (.mm) sources: clang against the GCC Objective-C runtime with
# blocks, and GNUstep-base as Foundation, under manual retain and release.

execute_process(COMMAND gcc -print-file-name=include OUTPUT_VARIABLE PW_GCC_INCLUDE_DIR
                OUTPUT_STRIP_TRAILING_WHITESPACE)

add_library(PressweaveObjC INTERFACE)
target_compile_options(PressweaveObjC INTERFACE
  # The runtime libobjc provides is the GCC one (clang's default is Apple's).
  $<$<COMPILE_LANGUAGE:OBJCXX>:-fobjc-runtime=gcc>
  # Completion handlers and dispatch are blocks.
  $<$<COMPILE_LANGUAGE:OBJCXX>:-fblocks>
  # @"..." literals are GNUstep's constant string class.
  $<$<COMPILE_LANGUAGE:OBJCXX>:-fconstant-string-class=NSConstantString>
  # gcc's include directory holds the runtime's <objc/...> headers; after
  # clang's own so that clang's builtin headers win.
  $<$<COMPILE_LANGUAGE:OBJCXX>:-idirafter${PW_GCC_INCLUDE_DIR}>)
target_compile_definitions(PressweaveObjC INTERFACE
  $<$<COMPILE_LANGUAGE:OBJCXX>:GNUSTEP GNUSTEP_BASE_LIBRARY=1 GNU_RUNTIME=1>)
# The objc/blocks_runtime.h shim, then GNUstep's headers (system: their
# warnings are not ours).
target_include_directories(PressweaveObjC INTERFACE ${PROJECT_SOURCE_DIR}/PlatformShim/ObjC)
target_include_directories(PressweaveObjC SYSTEM INTERFACE /usr/include/GNUstep)
# The blocks runtime comes before GNUstep-base, which carries a _Block_copy of
# its own that does not copy clang's stack blocks: the first library loaded
# provides the one every module uses.
target_link_libraries(PressweaveObjC INTERFACE BlocksRuntime gnustep-base objc)
# GNUstep's and the runtime's one-time allocations are not leaks: every
# program that links them carries the suppressions (LeakSanitizer reads them
# from the executable, so the source joins each one).
target_sources(PressweaveObjC INTERFACE ${PROJECT_SOURCE_DIR}/PlatformShim/ObjC/PWShimLeakSuppressions.cpp)
