// The defaults for programs that run a browser engine. Chromium inside Qt
// WebEngine frees some of its own objects with a size other than the one
// they were allocated with; ASan cannot be told to excuse that by library.
#define KESVOR_ASAN_EXTRA_OPTIONS ":new_delete_type_mismatch=0"
#include "sanitize/SanitizerDefaults.cpp"
