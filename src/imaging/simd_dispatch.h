// Runtime dispatch of the hot loops to wider instructions. Where the build
// defines ECOCAM_IMAGING_TARGET_CLONES (GCC on x86-64 Linux), each marked
// function is compiled for x86-64-v4 (AVX-512), for AVX2 and for the
// baseline instruction set, and the loader picks the best variant the
// processor supports. Elsewhere the
// baseline code alone is built. The variants compute the same integers, so
// the results do not depend on the processor.
#pragma once

#if defined(ECOCAM_IMAGING_TARGET_CLONES)
#define ECOCAM_IMAGING_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define ECOCAM_IMAGING_CLONES
#endif
