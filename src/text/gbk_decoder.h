#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::text {

// Code page 936 to UTF-8 by table lookup. The tables are read out of glibc's
// iconv once per process, so the result is byte for byte what converting
// with iconv gives (each byte iconv rejects becoming U+FFFD and the
// conversion going on at the next byte), at a fraction of its cost.
class GbkDecoder {
public:
    // The process-wide decoder, built on first use by whichever thread comes
    // first. nullptr when iconv has no code page 936, or maps it in a shape
    // these tables cannot hold; callers then convert with iconv itself.
    static const GbkDecoder* Get();

    std::string Decode(std::string_view gbk) const;

private:
    // The UTF-8 form of one character; length 0 where there is none.
    struct Entry {
        char bytes[3];
        uint8_t length;
    };
    static_assert(sizeof(Entry) == 4);

    GbkDecoder() = default;
    bool Build();
    static bool Pack(const std::string& utf8, Entry& entry);

    std::array<Entry, 128> single_{};  // bytes 0x80..0xFF that stand alone
    std::vector<Entry> pairs_;         // (first - 0x80) * 256 + second
};

}  // namespace lumo::text
