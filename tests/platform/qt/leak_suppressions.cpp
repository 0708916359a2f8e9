// LeakSanitizer reads this program's suppressions from here: fontconfig, under Qt, keeps its
// caches until the process ends and never frees them.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
