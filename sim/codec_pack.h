#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::sim {

enum class CodecPackVariant {
    Full,     // the eight codec folders
    Partial,  // without "wm", the last folder Lumo checks
    Unsafe,   // the eight folders plus entries that point outside the target
};

std::string CodecPackVariantName(CodecPackVariant variant);
std::optional<CodecPackVariant> ParseCodecPackVariant(std::string_view name);

// The codec folders that extracting the pack into "codecs" must yield.
const std::vector<std::string>& CodecFolders();

// The engine vendor's codec pack as a ZIP archive made with minizip: each
// folder holds a small text file and a block of random data (so a download
// takes a measurable moment). Repeatable for a seed. Empty on failure, with
// *error set.
std::string BuildCodecPack(CodecPackVariant variant, uint64_t seed, std::string* error = nullptr);

}  // namespace lumo::sim
