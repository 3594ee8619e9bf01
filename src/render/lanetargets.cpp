// Which of the instruction sets the lanes are compiled for this processor runs:
// the two functions Highway's dispatch calls, in place of Highway's own library,
// which measures its timer's resolution as it is loaded and so costs every run
// of the program, a batch render of a few milliseconds included, about 2 ms of
// processor time. A set is claimed only when every extension Highway's version of
// it uses is there; GCC's checks include the system's saving of the AVX and
// AVX-512 registers. The lanes give the same pixels on every set, so a set left
// out costs speed, never a pixel.
#include <hwy/targets.h>

#include <cstdint>

namespace hwy {

int64_t SupportedTargets() {
    int64_t targets = HWY_EMU128;
#if HWY_ARCH_X86
    __builtin_cpu_init();
    const bool ssse3 = __builtin_cpu_supports("ssse3");
    const bool sse4 = ssse3 && __builtin_cpu_supports("sse4.1") &&
                      __builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("pclmul") &&
                      __builtin_cpu_supports("aes");
    const bool avx2 = sse4 && __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2") &&
                      __builtin_cpu_supports("f16c") && __builtin_cpu_supports("fma") &&
                      __builtin_cpu_supports("lzcnt") && __builtin_cpu_supports("bmi") &&
                      __builtin_cpu_supports("bmi2");
    const bool avx3 = avx2 && __builtin_cpu_supports("avx512f") &&
                      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                      __builtin_cpu_supports("avx512bw");
    const bool avx3dl =
        avx3 && __builtin_cpu_supports("avx512vnni") && __builtin_cpu_supports("vpclmulqdq") &&
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
        __builtin_cpu_supports("vaes") && __builtin_cpu_supports("avx512vpopcntdq") &&
        __builtin_cpu_supports("avx512bitalg");
    if (ssse3) targets |= HWY_SSSE3;
    if (sse4) targets |= HWY_SSE4;
    if (avx2) targets |= HWY_AVX2;
    if (avx3) targets |= HWY_AVX3;
    if (avx3dl) targets |= HWY_AVX3_DL;
#endif
    // The set the program is compiled for runs wherever the program does.
    return targets | HWY_STATIC_TARGET;
}

ChosenTarget& GetChosenTarget() {
    static ChosenTarget chosen;
    return chosen;
}

}  // namespace hwy
