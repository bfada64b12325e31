#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>

// Hosts find the version through the shared library's dynamic symbols.
TEST(VersionSymbolsTest, SharedLibraryExportsBothVersionSymbols)
{
    void* library = dlopen(KESVOR_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto* number = static_cast<const double*>(dlsym(library, "KesvorVersionNumber"));
    const auto* text = static_cast<const char*>(dlsym(library, "KesvorVersionString"));
    ASSERT_NE(number, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(*number, 1.0);
    EXPECT_STREQ(text, "@(#)PROGRAM:Kesvor  PROJECT:Kesvor-1\n");
    // The public API is exported; internals stay hidden.
    EXPECT_NE(dlsym(library, "_ZN6kesvor6Kesvor13initWithTokenERK7QString"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN6kesvor18KesvorLocalStorage8standardEv"), nullptr);
    dlclose(library);
}
