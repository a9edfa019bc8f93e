#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::text {

// UTF-8 to code page 936 by table lookup, the reverse of GbkDecoder. The
// table is read out of glibc's iconv once per process; the result is byte for
// byte what converting with iconv gives when every broken or unmappable
// character becomes '?'.
class GbkEncoder {
public:
    // The process-wide encoder, built on first use. nullptr when iconv has no
    // code page 936 or maps it in a shape the table cannot hold.
    static const GbkEncoder* Get();

    std::string Encode(std::string_view utf8) const;

private:
    GbkEncoder() = default;
    bool Build();

    // By code point below U+10000: 0 for none, a value below 0x100 for one
    // byte, otherwise first byte << 8 | second byte.
    std::vector<uint16_t> bmp_;
};

}  // namespace lumo::text
