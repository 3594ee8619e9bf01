// Which of the instruction sets the lanes are compiled for this processor runs:
// the two functions Highway's dispatch calls, in place of Highway's own library,
// which measures its timer's resolution as it is loaded and so costs every run
// of the program, a batch render of a few milliseconds included, about 2 ms of
// processor time. A set is claimed only when the processor has every extension
// Highway's version of it uses and the system saves the registers it widens. The
// lanes give the same pixels on every set, so a set left out costs speed, never
// a pixel.
#include <hwy/targets.h>

#include <cstdint>

#if HWY_ARCH_X86
#include <cpuid.h>
#endif

namespace hwy {

namespace {

#if HWY_ARCH_X86
struct CpuidBits {
    unsigned a = 0, b = 0, c = 0, d = 0;
};

CpuidBits cpuid(unsigned leaf, unsigned subleaf = 0) {
    CpuidBits r;
    if (!__get_cpuid_count(leaf, subleaf, &r.a, &r.b, &r.c, &r.d)) return {};
    return r;
}

bool all(unsigned bits, unsigned wanted) {
    return (bits & wanted) == wanted;
}

constexpr unsigned bit(int n) {
    return 1u << n;
}

int64_t x86targets() {
    const CpuidBits one = cpuid(1), seven = cpuid(7), extended = cpuid(0x80000001);
    // SSE2, and SSE3, PCLMULQDQ, SSSE3, SSE4.1, SSE4.2, AES.
    const bool ssse3 = all(one.d, bit(26)) && all(one.c, bit(0) | bit(9));
    const bool sse4 = ssse3 && all(one.c, bit(1) | bit(19) | bit(20) | bit(25));
    // The registers the system saves on a switch: XMM and YMM, then the AVX-512
    // mask and ZMM registers (asked only where OSXSAVE says it may be).
    unsigned long long saved = 0;
    if (all(one.c, bit(27))) {
        unsigned lo = 0, hi = 0;
        __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
        saved = (static_cast<unsigned long long>(hi) << 32) | lo;
    }
    // FMA, AVX, F16C; BMI1, AVX2, BMI2; LZCNT.
    const bool avx2 = sse4 && (saved & 0x6) == 0x6 && all(one.c, bit(12) | bit(28) | bit(29)) &&
                      all(seven.b, bit(3) | bit(5) | bit(8)) && all(extended.c, bit(5));
    // AVX512F, DQ, BW, VL.
    const bool avx3 =
        avx2 && (saved & 0xE0) == 0xE0 && all(seven.b, bit(16) | bit(17) | bit(30) | bit(31));
    // VBMI, VBMI2, VAES, VPCLMULQDQ, VNNI, BITALG, VPOPCNTDQ.
    const bool avx3dl =
        avx3 && all(seven.c, bit(1) | bit(6) | bit(9) | bit(10) | bit(11) | bit(12) | bit(14));
    int64_t targets = 0;
    if (ssse3) targets |= HWY_SSSE3;
    if (sse4) targets |= HWY_SSE4;
    if (avx2) targets |= HWY_AVX2;
    if (avx3) targets |= HWY_AVX3;
    if (avx3dl) targets |= HWY_AVX3_DL;
    return targets;
}
#endif

}  // namespace

int64_t SupportedTargets() {
    // The portable set, and the one the program is compiled for, run wherever the
    // program does.
    int64_t targets = HWY_EMU128 | HWY_STATIC_TARGET;
#if HWY_ARCH_X86
    targets |= x86targets();
#endif
    return targets;
}

ChosenTarget& GetChosenTarget() {
    static ChosenTarget chosen;
    return chosen;
}

}  // namespace hwy
