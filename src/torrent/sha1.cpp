#include "torrent/sha1.h"

#include <algorithm>
#include <cstring>

namespace lumo::torrent {

namespace {

uint32_t RotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

}  // namespace

Sha1::Sha1() : state_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u} {}

void Sha1::Block(const unsigned char* block) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
        w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 | uint32_t{block[4 * i + 2]} << 8 |
               uint32_t{block[4 * i + 3]};
    }
    for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

void Sha1::Update(std::string_view bytes) {
    totalBytes_ += bytes.size();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t left = bytes.size();
    if (pendingSize_ > 0) {
        const size_t take = std::min(left, pending_.size() - pendingSize_);
        std::memcpy(pending_.data() + pendingSize_, in, take);
        pendingSize_ += take;
        in += take;
        left -= take;
        if (pendingSize_ < pending_.size()) return;
        Block(pending_.data());
        pendingSize_ = 0;
    }
    for (; left >= 64; in += 64, left -= 64) Block(in);
    std::memcpy(pending_.data(), in, left);
    pendingSize_ = left;
}

std::string Sha1::Finish() {
    const uint64_t bits = totalBytes_ * 8;
    // A one bit, zeros up to 56 bytes into a block, then the length in bits.
    static const unsigned char kPadding[64] = {0x80};
    Update(std::string_view(reinterpret_cast<const char*>(kPadding), pendingSize_ < 56 ? 56 - pendingSize_ : 120 - pendingSize_));
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    Update(std::string_view(reinterpret_cast<const char*>(length), 8));
    std::string digest(20, '\0');
    for (int i = 0; i < 20; ++i) digest[size_t(i)] = static_cast<char>(state_[size_t(i / 4)] >> (24 - 8 * (i % 4)));
    return digest;
}

}  // namespace lumo::torrent
