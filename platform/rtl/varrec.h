// One argument of Format and Exception::CreateFmt: the "array of const" element.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "platform/rtl/types.h"

struct TVarRec {
  enum class Kind : uint8_t { Integer, Unsigned, Float, String, WideString, Pointer, Boolean, Char };
  Kind kind;
  int64_t i = 0;   // Integer, Boolean, Char; Unsigned reinterpreted
  uint64_t u = 0;  // Unsigned
  double d = 0;    // Float
  String s;        // String (UTF-8); WideString converted to UTF-8 for %s
  WideString ws;   // WideString as given
  const void* p = nullptr;

  template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, char> &&
                                          !std::is_same_v<T, bool>,
                                      int> = 0>
  TVarRec(T v) : kind(Kind::Integer), i(v) {}
  template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool> &&
                                          !std::is_same_v<T, char16_t>,
                                      int> = 0>
  TVarRec(T v) : kind(Kind::Unsigned), i(static_cast<int64_t>(v)), u(v) {}
  template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
  TVarRec(T v) : kind(Kind::Integer), i(static_cast<int64_t>(v)) {}
  TVarRec(bool v) : kind(Kind::Boolean), i(v ? 1 : 0) {}
  TVarRec(char c) : kind(Kind::Char), i(static_cast<unsigned char>(c)), s(1, c) {}
  TVarRec(float v) : kind(Kind::Float), d(v) {}
  TVarRec(double v) : kind(Kind::Float), d(v) {}
  TVarRec(long double v) : kind(Kind::Float), d(static_cast<double>(v)) {}
  TVarRec(const char* v) : kind(Kind::String), s(v ? v : "") {}
  TVarRec(const String& v) : kind(Kind::String), s(v) {}
  TVarRec(const WideString& v);  // defined with the string conversions
  TVarRec(const void* v) : kind(Kind::Pointer), p(v) {}
};

using TVarRecList = std::initializer_list<TVarRec>;
