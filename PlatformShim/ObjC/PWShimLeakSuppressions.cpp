// LeakSanitizer suppressions for GNUstep-base and the Objective-C runtime,
// which allocate process-wide tables once (classes, selectors, method lists,
// thread dictionaries) and keep them until exit. Harmless without a
// sanitizer: nothing calls it then.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions()
{
  return "leak:libobjc.so\n"
         "leak:libgnustep-base.so\n";
}

// Without a report to show, the list of suppressions used is noise.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options()
{
  return "print_suppressions=0";
}
