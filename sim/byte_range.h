#pragma once

#include <cstdint>
#include <string_view>

namespace lumo::sim {

// The part of a body that a Range header asks for. Only single ranges are
// served; several ranges, another unit or a malformed header get the whole
// body, which HTTP allows.
struct ByteRange {
    enum class Kind { Whole, Part, Unsatisfiable };
    Kind kind = Kind::Whole;
    uint64_t first = 0;
    uint64_t last = 0;  // inclusive

    uint64_t Length() const { return last - first + 1; }
};

ByteRange ParseByteRange(std::string_view header, uint64_t size);

}  // namespace lumo::sim
