#pragma once
// Per-column (or per-line) values indexed the way the program counts: slot 0 is the row-number
// column, data columns and header lines from 1. Any integer type indexes them, so no cast is
// needed at the call; debug builds check the range. A container starts with `Count` slots, what
// the plain reading needs; a wide file's load resizes it to the columns it can hold.
#include <algorithm>
#include <cassert>
#include <concepts>
#include <cstddef>
#include <memory>
#include <utility>

namespace varnotile {

template <typename T, std::size_t Count>
class Slots {
public:
    Slots() : items_(std::make_unique<T[]>(Count)), size_(Count) {}
    Slots(const Slots& other) : items_(std::make_unique<T[]>(other.size_)), size_(other.size_) {
        std::copy(other.begin(), other.end(), begin());
    }
    Slots(Slots&& other) noexcept : Slots() { swap(other); }
    Slots& operator=(const Slots& other) {
        if (this != &other) Slots(other).swap(*this);
        return *this;
    }
    Slots& operator=(Slots&& other) noexcept {
        swap(other);
        return *this;
    }
    void swap(Slots& other) noexcept {
        std::swap(items_, other.items_);
        std::swap(size_, other.size_);
    }
    friend void swap(Slots& a, Slots& b) noexcept { a.swap(b); }

    template <std::integral Index>
    T& operator[](Index k) {
        assert(k >= 0 && static_cast<std::size_t>(k) < size_);
        return items_[static_cast<std::size_t>(k)];
    }
    template <std::integral Index>
    const T& operator[](Index k) const {
        assert(k >= 0 && static_cast<std::size_t>(k) < size_);
        return items_[static_cast<std::size_t>(k)];
    }

    std::size_t size() const { return size_; }
    // Slots 0..count-1: those kept keep their values, new ones get `value`.
    void resize(std::size_t count, const T& value = T()) {
        if (count == size_) return;
        auto items = std::make_unique<T[]>(count);
        const std::size_t kept = std::min(count, size_);
        std::move(begin(), begin() + kept, items.get());
        std::fill(items.get() + kept, items.get() + count, value);
        items_ = std::move(items);
        size_ = count;
    }
    void fill(const T& value) { std::fill(begin(), end(), value); }
    T* begin() { return items_.get(); }
    T* end() { return items_.get() + size_; }
    const T* begin() const { return items_.get(); }
    const T* end() const { return items_.get() + size_; }
    bool operator==(const Slots& other) const { return std::equal(begin(), end(), other.begin(), other.end()); }

private:
    std::unique_ptr<T[]> items_;
    std::size_t size_;
};

} // namespace varnotile
