// A read-only or mutable view of contiguous elements (C++17 has no std::span).
#pragma once

#include <cstddef>

namespace tavrix {

template <class T>
class Span {
public:
    Span() = default;
    Span(T* data, std::size_t size) : data_(data), size_(size) {}

    T* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) const { return data_[i]; }
    T* begin() const { return data_; }
    T* end() const { return data_ + size_; }

private:
    T* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace tavrix
