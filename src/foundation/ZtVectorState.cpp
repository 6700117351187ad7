#include "ZtVectorState.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>

namespace {

bool HasAvx()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const bool osxsave = c & (1u << 27), avx = c & (1u << 28);
    if (!osxsave || !avx)
        return false;
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (lo & 0x6u) == 0x6u; // the system saves SSE and AVX state
}

bool HasXinuse()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!HasAvx() || __get_cpuid_max(0, nullptr) < 0xD)
        return false;
    __cpuid_count(0xD, 1, a, b, c, d);
    return a & (1u << 2);
}

const bool gAvx = HasAvx();

} // namespace

void ClearUpperVectorState()
{
    // The assembler takes VZEROUPPER whatever the compiler targets; it only
    // runs where the CPU has it.
    if (gAvx)
        __asm__ volatile("vzeroupper" ::: "memory");
}

bool UpperVectorStateInUse()
{
    static const bool known = HasXinuse();
    if (!known)
        return false;
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return lo & (1u << 2);
}

#else

void ClearUpperVectorState() {}
bool UpperVectorStateInUse() { return false; }

#endif
