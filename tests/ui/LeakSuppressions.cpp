// Under LeakSanitizer: fontconfig keeps a cache for the life of the process, which Qt's font
// database never frees; that is the library's, not a leak of ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
