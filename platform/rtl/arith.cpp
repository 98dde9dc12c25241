#include "platform/rtl/arith.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>

namespace {

constexpr double kTwo63 = 9223372036854775808.0;

[[noreturn]] void RaiseInvalidOp() { throw EInvalidOp("Invalid floating point operation"); }

// NaN fails both comparisons, so it is refused here too.
void CheckInt64Range(double x) {
  if (!(x >= -kTwo63 && x < kTwo63)) RaiseInvalidOp();
}

}  // namespace

namespace rtl_detail {
void RaiseDivByZero() { throw EDivByZero("Division by zero"); }
}  // namespace rtl_detail

int64_t Round(double x) {
  CheckInt64Range(x);
  // Work on the magnitude so that a - floor(a) is exact and ties are symmetric.
  const double a = std::fabs(x);
  double f = std::floor(a);
  const double d = a - f;
  if (d > 0.5 || (d == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
  // f <= 2^63 only when x = -2^63, which the negation below brings back in range.
  if (x < 0) return f >= kTwo63 ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(f);
  return static_cast<int64_t>(f);
}

int64_t Trunc(double x) {
  CheckInt64Range(x);
  return static_cast<int64_t>(x);
}

int64_t Ceil(double x) {
  CheckInt64Range(x);
  return static_cast<int64_t>(std::ceil(x));
}

int64_t Floor(double x) {
  CheckInt64Range(x);
  return static_cast<int64_t>(std::floor(x));
}

double Int(double x) { return std::trunc(x); }

double Frac(double x) { return x - std::trunc(x); }

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t p = static_cast<int64_t>(a) * b;  // |p| <= 2^62, no overflow
  const uint64_t ap = p < 0 ? 0u - static_cast<uint64_t>(p) : static_cast<uint64_t>(p);
  const uint64_t ac = c < 0 ? 0u - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  // Adding half the divisor before dividing rounds halves away from zero.
  const uint64_t q = (ap + ac / 2) / ac;
  if ((p < 0) != (c < 0)) {
    if (q > uint64_t(1) << 31) return -1;
    return static_cast<int32_t>(-static_cast<int64_t>(q));
  }
  if (q > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return -1;
  return static_cast<int32_t>(q);
}

double IntPower(double base, int32_t exponent) {
  uint32_t n = exponent < 0 ? 0u - static_cast<uint32_t>(exponent) : static_cast<uint32_t>(exponent);
  long double result = 1.0L;
  long double square = base;
  while (n != 0) {
    if (n & 1u) result *= square;
    n >>= 1;
    if (n != 0) square *= square;
  }
  return static_cast<double>(exponent < 0 ? 1.0L / result : result);
}

double Power(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0 && exponent > 0.0) return 0.0;
  if (std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0)
    return IntPower(base, static_cast<int32_t>(exponent));
  if (base < 0.0) RaiseInvalidOp();
  return std::pow(base, exponent);
}

// ---- Random -----------------------------------------------------------------
// SplitMix64: the state advances by a constant, so one atomic add per draw
// makes the generator safe across threads without a lock.
namespace {

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;
std::atomic<uint64_t> gRandState{0x2545F4914F6CDD1Dull};

uint64_t NextRandom() {
  uint64_t z = gRandState.fetch_add(kGolden, std::memory_order_relaxed) + kGolden;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

int32_t Random(int32_t n) {
  if (n <= 0) return 0;
  // Scale the top 32 bits into 0 .. n - 1 (multiply-shift, no modulo bias worth noting).
  return static_cast<int32_t>(((NextRandom() >> 32) * static_cast<uint64_t>(n)) >> 32);
}

double Random() { return static_cast<double>(NextRandom() >> 11) * 0x1.0p-53; }

void Randomize() {
  uint64_t seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  try {
    std::random_device rd;
    seed ^= (static_cast<uint64_t>(rd()) << 32) ^ rd();
  } catch (...) {
    // No entropy source: the time alone still varies between runs.
  }
  gRandState.store(seed, std::memory_order_relaxed);
}

void SetRandSeed(uint32_t seed) { gRandState.store(seed, std::memory_order_relaxed); }
