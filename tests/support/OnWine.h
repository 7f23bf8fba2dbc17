#pragma once
// Whether this test program runs under wine rather than on Windows itself or Linux, for
// the few tests whose subject wine does not reproduce (a share mode that excludes other
// openers, symbolic links). Such a test skips with the reason in its output, never
// silently: ZORT_SKIP_ON_WINE("why").

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zort::test {

inline bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace zort::test

#define ZORT_SKIP_ON_WINE(reason)                                                   \
    do {                                                                            \
        if (::zort::test::RunningUnderWine()) GTEST_SKIP() << "wine: " << (reason); \
    } while (false)
