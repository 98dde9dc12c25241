// Set<E>: a Delphi-style set over an enumeration of at most 256 values.
#pragma once

#include <bitset>
#include <cstdint>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <type_traits>

template <class E>
class Set {
  static_assert(std::is_enum_v<E>, "Set<E> takes an enumeration");

 public:
  static constexpr unsigned kMaxElements = 256;

  Set() = default;
  Set(std::initializer_list<E> elements) {
    for (E e : elements) Include(e);
  }

  Set& Include(E e) {
    FBits.set(Index(e));
    return *this;
  }
  Set& Exclude(E e) {
    FBits.reset(Index(e));
    return *this;
  }
  bool Contains(E e) const { return FBits.test(Index(e)); }
  bool Empty() const { return FBits.none(); }
  size_t Count() const { return FBits.count(); }
  void Clear() { FBits.reset(); }

  friend Set operator+(Set a, const Set& b) {
    a.FBits |= b.FBits;
    return a;
  }
  friend Set operator-(Set a, const Set& b) {
    a.FBits &= ~b.FBits;
    return a;
  }
  friend Set operator*(Set a, const Set& b) {
    a.FBits &= b.FBits;
    return a;
  }
  Set& operator+=(const Set& b) { return *this = *this + b; }
  Set& operator-=(const Set& b) { return *this = *this - b; }
  Set& operator*=(const Set& b) { return *this = *this * b; }
  friend bool operator==(const Set& a, const Set& b) { return a.FBits == b.FBits; }
  friend bool operator!=(const Set& a, const Set& b) { return !(a == b); }
  // a <= b: every element of a is in b.
  friend bool operator<=(const Set& a, const Set& b) { return (a.FBits & ~b.FBits).none(); }
  friend bool operator>=(const Set& a, const Set& b) { return b <= a; }

  // Bit i of the result is element with ordinal i (only ordinals 0..63).
  uint64_t ToBits() const {
    uint64_t r = 0;
    for (unsigned i = 0; i < 64; ++i)
      if (FBits.test(i)) r |= uint64_t(1) << i;
    return r;
  }
  static Set FromBits(uint64_t bits) {
    Set s;
    for (unsigned i = 0; i < 64; ++i)
      if (bits & (uint64_t(1) << i)) s.FBits.set(i);
    return s;
  }

  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = E;
    using difference_type = std::ptrdiff_t;
    using pointer = const E*;
    using reference = E;
    iterator(const Set* s, unsigned i) : FSet(s), FIndex(i) { Skip(); }
    E operator*() const { return static_cast<E>(FIndex); }
    iterator& operator++() {
      ++FIndex;
      Skip();
      return *this;
    }
    bool operator!=(const iterator& o) const { return FIndex != o.FIndex; }
    bool operator==(const iterator& o) const { return FIndex == o.FIndex; }

   private:
    void Skip() {
      while (FIndex < kMaxElements && !FSet->FBits.test(FIndex)) ++FIndex;
    }
    const Set* FSet;
    unsigned FIndex;
  };
  iterator begin() const { return iterator(this, 0); }
  iterator end() const { return iterator(this, kMaxElements); }

 private:
  static unsigned Index(E e) {
    auto v = static_cast<std::underlying_type_t<E>>(e);
    return static_cast<unsigned>(v) % kMaxElements;
  }
  std::bitset<kMaxElements> FBits;
};
