// A 1-based array: element 0 exists in storage but is never used, so formulas
// index the way the analyst's tables are numbered (trace 1, panel 1, slot 1).
//
// size() is the number of usable elements (the capacity of the table);
// at(i) is bounds-checked over 1..size() and throws std::out_of_range;
// operator[] is unchecked, for tight loops whose bounds were checked once.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace tsly {

template <class T>
class Array1 {
 public:
  Array1() : v_(1) {}
  explicit Array1(std::size_t n) : v_(n + 1) {}

  std::size_t size() const { return v_.size() - 1; }
  bool empty() const { return size() == 0; }
  // Resize to n usable elements, keeping the contents of 1..min(old, n).
  void resize(std::size_t n) { v_.resize(n + 1); }
  // Empty table with room for n default elements.
  void recreate(std::size_t n) {
    v_.assign(n + 1, T{});
  }
  bool valid(long long i) const { return i >= 1 && static_cast<std::size_t>(i) <= size(); }

  T& operator[](std::size_t i) { return v_[i]; }
  const T& operator[](std::size_t i) const { return v_[i]; }
  T& at(long long i) {
    if (!valid(i)) throw std::out_of_range("index out of range");
    return v_[static_cast<std::size_t>(i)];
  }
  const T& at(long long i) const {
    if (!valid(i)) throw std::out_of_range("index out of range");
    return v_[static_cast<std::size_t>(i)];
  }
  // Address of element 1 (what the library calls receive).
  T* data1() { return v_.data() + 1; }
  const T* data1() const { return v_.data() + 1; }

 private:
  std::vector<T> v_;
};

}  // namespace tsly
