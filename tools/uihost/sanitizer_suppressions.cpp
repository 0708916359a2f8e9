// The sanitizers read the suppressions of the Qt programs (the host harness, the Qt tests) from
// here. Fontconfig, under Qt, keeps its caches until the process ends and never frees them.
// Qt's libraries are not built for ThreadSanitizer, which therefore cannot see how Qt's own
// threads (its thread pool, the platform's event reader) hand work over.
#define VDINV_EXPORTED extern "C" __attribute__((visibility("default"), used))

VDINV_EXPORTED const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

VDINV_EXPORTED const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\n"
         "race:libQt6PrintSupport.so\nrace:libfontconfig.so\n";
}
