// What differs between the compilers that build the module.
#pragma once

// Floating-point arithmetic in SSE2 registers also on i686, so that a double
// result is the correctly rounded one, as on x86-64. GCC takes it per
// function; Clang (which builds only the x86-64 fuzzers here) has no such
// option and computes in SSE2 there anyway.
#if defined(__clang__)
#define DRAVENHOL_SSE2_MATH
#else
#define DRAVENHOL_SSE2_MATH __attribute__((target("sse2,fpmath=sse")))
#endif
