#pragma once
// Per-column (or per-line) values indexed the way the program counts: slot 0 is the row-number
// column, data columns and header lines from 1. Any integer type indexes them, so no cast is
// needed at the call; debug builds check the range.
#include <array>
#include <cassert>
#include <concepts>
#include <cstddef>

namespace varnotile {

template <typename T, std::size_t Count>
struct Slots {
    std::array<T, Count> items{};

    template <std::integral Index>
    T& operator[](Index k) {
        assert(k >= 0 && static_cast<std::size_t>(k) < Count);
        return items[static_cast<std::size_t>(k)];
    }
    template <std::integral Index>
    const T& operator[](Index k) const {
        assert(k >= 0 && static_cast<std::size_t>(k) < Count);
        return items[static_cast<std::size_t>(k)];
    }

    static constexpr std::size_t size() { return Count; }
    void fill(const T& value) { items.fill(value); }
    auto begin() { return items.begin(); }
    auto end() { return items.end(); }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }
    bool operator==(const Slots&) const = default;
};

} // namespace varnotile
