// Target attributes of the wider variants (see imaging/variant.h). Where the
// build defines ECOCAM_IMAGING_X86_VARIANTS (GCC or Clang on x86-64 Linux)
// functions marked with these are compiled for AVX2 or for AVX-512 (the
// x86-64-v4 set) whatever the rest of the library is built for, and are
// only called once the processor is known to run them. The Windows builds
// keep the baseline code: 32-bit targets gain little, and 64-bit Windows
// does not align the stack for spilled 32- and 64-byte registers.
#pragma once

#if defined(ECOCAM_IMAGING_X86_VARIANTS)
#define ECOCAM_TARGET_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt,lzcnt,fma")))
#define ECOCAM_TARGET_AVX512 \
  __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx512cd,avx2,bmi,bmi2,popcnt,lzcnt,fma")))
#endif

#if defined(ECOCAM_IMAGING_X86_VARIANTS)
// All-lanes masks: the zero-masking forms of the AVX-512 permutations and
// broadcasts, which the compiler emits unmasked, avoid the unmasked forms'
// deliberately undefined merge operand (GCC 12 warns about it).
constexpr unsigned char kAll8 = 0xFF;
constexpr unsigned short kAll16 = 0xFFFF;
#endif
