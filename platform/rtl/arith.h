// Integer and floating-point arithmetic with the framework's semantics:
// banker's rounding, truncating division, rounding MulDiv, logical shifts of
// signed values, 32-bit wrap-around without undefined behaviour, and one
// process-wide random generator that tests can seed.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/types.h"

// Integer division by zero (Div, Mod, DivMod).
RTL_DECLARE_EXCEPTION(EDivByZero, Exception);

// ---- Rounding ---------------------------------------------------------------
// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// NaN, infinities and values outside int64 raise EInvalidOp.
int64_t Round(double x);
// Toward zero; EInvalidOp as Round.
int64_t Trunc(double x);
// Smallest integer >= x / largest integer <= x; EInvalidOp as Round.
int64_t Ceil(double x);
int64_t Floor(double x);
// Integral part (toward zero) and fractional part (same sign as x), as reals.
double Int(double x);
double Frac(double x);

// ---- Integer division -------------------------------------------------------
namespace rtl_detail {
[[noreturn]] void RaiseDivByZero();

template <class A, class B>
using DivResult = std::common_type_t<A, B>;

template <class A, class B>
constexpr void CheckIntegralOperands() {
  static_assert(std::is_integral_v<A> && std::is_integral_v<B>, "integer operands expected");
  // A signed and an unsigned operand of the same or larger width would be
  // compared as unsigned: make the caller pick the type.
  static_assert(std::is_signed_v<A> == std::is_signed_v<B> || std::is_signed_v<DivResult<A, B>>,
                "mixed signedness: cast one operand");
}
}  // namespace rtl_detail

// Quotient truncated toward zero (integer "div"). The most negative value
// divided by -1 wraps to itself instead of trapping. EDivByZero for b = 0.
template <class A, class B>
inline rtl_detail::DivResult<A, B> Div(A a, B b) {
  rtl_detail::CheckIntegralOperands<A, B>();
  using R = rtl_detail::DivResult<A, B>;
  const R x = static_cast<R>(a), y = static_cast<R>(b);
  if (y == 0) rtl_detail::RaiseDivByZero();
  if constexpr (std::is_signed_v<R>) {
    if (y == -1)
      return static_cast<R>(static_cast<std::make_unsigned_t<R>>(0) - static_cast<std::make_unsigned_t<R>>(x));
  }
  return static_cast<R>(x / y);
}

// Remainder with the sign of the dividend (integer "mod"). EDivByZero for b = 0.
template <class A, class B>
inline rtl_detail::DivResult<A, B> Mod(A a, B b) {
  rtl_detail::CheckIntegralOperands<A, B>();
  using R = rtl_detail::DivResult<A, B>;
  const R x = static_cast<R>(a), y = static_cast<R>(b);
  if (y == 0) rtl_detail::RaiseDivByZero();
  if constexpr (std::is_signed_v<R>) {
    if (y == -1) return 0;
  }
  return static_cast<R>(x % y);
}

// Result := a div b; Remainder := a mod b.
template <class A, class B, class Q, class M>
inline void DivMod(A dividend, B divisor, Q& result, M& remainder) {
  result = static_cast<Q>(Div(dividend, divisor));
  remainder = static_cast<M>(Mod(dividend, divisor));
}

// a * b / c with a 64-bit intermediate, rounded to nearest with halves away
// from zero. -1 when c is 0 or the result does not fit in int32.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// ---- 32-bit shifts and wrap-around -----------------------------------------
// "shr" of a signed 32-bit value: logical, zeros shifted in. The count is taken
// modulo 32 as the processor does.
constexpr int32_t lsr32(int32_t v, uint32_t n) { return static_cast<int32_t>(static_cast<uint32_t>(v) >> (n & 31u)); }
// Arithmetic right shift: the sign bit is copied in.
constexpr int32_t asr32(int32_t v, uint32_t n) { return v >> (n & 31u); }

// Two's-complement wrap-around, as 32-bit hardware arithmetic (hashes,
// checksums, tick differences).
constexpr int32_t AddWrap32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t SubWrap32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t MulWrap32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// ---- Min / Max / ranges -----------------------------------------------------
namespace rtl_detail {
template <class A, class B>
constexpr void CheckMixedOperands() {
  static_assert(std::is_arithmetic_v<A> && std::is_arithmetic_v<B>, "numeric operands expected");
  if constexpr (std::is_integral_v<A> && std::is_integral_v<B>) CheckIntegralOperands<A, B>();
}
}  // namespace rtl_detail

template <class A, class B>
constexpr std::common_type_t<A, B> Min(A a, B b) {
  rtl_detail::CheckMixedOperands<A, B>();
  using R = std::common_type_t<A, B>;
  return static_cast<R>(b) < static_cast<R>(a) ? static_cast<R>(b) : static_cast<R>(a);
}

template <class A, class B>
constexpr std::common_type_t<A, B> Max(A a, B b) {
  rtl_detail::CheckMixedOperands<A, B>();
  using R = std::common_type_t<A, B>;
  return static_cast<R>(a) < static_cast<R>(b) ? static_cast<R>(b) : static_cast<R>(a);
}

// value limited to lo..hi: below lo gives lo, above hi gives hi.
template <class T>
constexpr T EnsureRange(T value, std::type_identity_t<T> lo, std::type_identity_t<T> hi) {
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

// lo <= value <= hi.
template <class T>
constexpr bool InRange(T value, std::type_identity_t<T> lo, std::type_identity_t<T> hi) {
  return !(value < lo) && !(hi < value);
}

// ---- Powers ----------------------------------------------------------------
// base ^ exponent by repeated squaring; exponent 0 gives 1, a negative exponent
// gives 1 / base ^ -exponent.
double IntPower(double base, int32_t exponent);
// Exponent 0 gives 1; base 0 with a positive exponent gives 0; an integral
// exponent goes through IntPower; otherwise base ^ exponent, where a negative
// base raises EInvalidOp (its logarithm is undefined).
double Power(double base, double exponent);

// ---- Random numbers ---------------------------------------------------------
// One generator for the whole process, safe to call from any thread. The
// sequence is fixed by SetRandSeed; it is not part of any file format.

// Uniform integer in 0 .. n - 1; 0 when n <= 0.
int32_t Random(int32_t n);
// Uniform real in [0, 1).
double Random();
// Seeds from the time and the system's entropy source.
void Randomize();
// Seeds with a fixed value: the same seed gives the same sequence.
void SetRandSeed(uint32_t seed);
