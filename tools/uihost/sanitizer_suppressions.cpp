// The sanitizers read the suppressions of the Qt programs (the host harness, the Qt tests) from
// here. Fontconfig and D-Bus (which Qt uses on X11), under Qt, keep what they set up until the
// process ends and never free it.
// Qt's libraries are not built for ThreadSanitizer, which therefore cannot see how Qt's own
// threads (its thread pool, the platform's event reader) hand work over.
#define VDINV_EXPORTED extern "C" __attribute__((visibility("default"), used))

VDINV_EXPORTED const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}

VDINV_EXPORTED const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\n"
         "race:libQt6PrintSupport.so\nrace:libfontconfig.so\n";
}
