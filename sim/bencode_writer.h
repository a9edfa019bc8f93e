#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::sim {

// Writes bencoded elements. Each call returns the element's bytes, so larger
// elements are built from smaller ones; a dictionary's keys come out in the
// sorted byte order that torrent files require.
class BencodeWriter {
public:
    static std::string String(std::string_view bytes);
    static std::string Integer(int64_t value);
    // Items already bencoded.
    static std::string List(const std::vector<std::string>& items);
    // Values already bencoded, by key.
    static std::string Dictionary(const std::map<std::string, std::string>& entries);
};

}  // namespace lumo::sim
