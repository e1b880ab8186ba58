#pragma once

// Row kernels that decide a frame's time are built twice, for AVX2 and for any x86-64, and the
// loader picks the one the processor runs (GCC only; the sanitizers do not take clones).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define VORLANDITE_HOT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VORLANDITE_HOT_CLONES
#endif
