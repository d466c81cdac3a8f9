// How the fuzz targets report a broken property: the condition and the values
// on standard error, then abort(), which libFuzzer records as a crash and saves
// the input for.
#pragma once

#include <bit>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

[[noreturn]] __attribute__((format(printf, 3, 4))) inline void FuzzFail(const char* file, int line,
                                                                        const char* format, ...) {
  std::fprintf(stderr, "%s:%d: property broken: ", file, line);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::abort();
}

#define FUZZ_CHECK(condition)                                         \
  do {                                                                \
    if (!(condition)) FuzzFail(__FILE__, __LINE__, "%s", #condition); \
  } while (false)

// The same as FUZZ_CHECK with a printf-style account of the values involved.
#define FUZZ_CHECK_MSG(condition, ...)                           \
  do {                                                           \
    if (!(condition)) FuzzFail(__FILE__, __LINE__, __VA_ARGS__); \
  } while (false)

// Equal bits: NaN equals NaN only with the same payload, and 0.0 differs from -0.0.
inline bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}
inline bool SameBits(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// Equal bits, or both NaN whatever their payloads: where a NaN comes from
// decides its payload, and the evaluators may meet the NaN operands of one
// operation in either order.
inline bool SameValue(double a, double b) { return (a != a && b != b) || SameBits(a, b); }
inline bool SameValue(float a, float b) { return (a != a && b != b) || SameBits(a, b); }
