#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::sim {

// A small seeded generator whose sequence is the same on every platform
// (the standard distributions are not), so a seed always gives the same
// catalogue.
class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound); 0 when bound is 0.
    uint64_t Below(uint64_t bound) { return bound == 0 ? 0 : Next() % bound; }
    // Uniform in [low, high].
    int64_t Between(int64_t low, int64_t high) {
        return low + static_cast<int64_t>(Below(static_cast<uint64_t>(high - low) + 1));
    }
    bool Chance(int percent) { return Below(100) < static_cast<uint64_t>(percent); }
    template <typename T>
    const T& Pick(const std::vector<T>& items) { return items[Below(items.size())]; }
    std::string Bytes(size_t n) {
        std::string out(n, '\0');
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(Next() >> 56);
        return out;
    }
    // n lower-case hexadecimal digits.
    std::string Hex(size_t n) {
        static const char* digits = "0123456789abcdef";
        std::string out(n, '0');
        for (char& c : out) c = digits[Next() >> 60];
        return out;
    }

private:
    uint64_t state_;
};

}  // namespace lumo::sim
