#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumo::torrent {

// SHA-1, for info-hashes: a torrent's name for itself is the SHA-1 of its
// info dictionary. Lumo's own, so that no crypto library is loaded with the
// program for these few hashes.
class Sha1 {
public:
    Sha1();
    void Update(std::string_view bytes);
    // The 20-byte digest; the object is spent afterwards.
    std::string Finish();

private:
    void Block(const unsigned char* block);

    std::array<uint32_t, 5> state_;
    std::array<unsigned char, 64> pending_{};
    size_t pendingSize_ = 0;
    uint64_t totalBytes_ = 0;
};

}  // namespace lumo::torrent
