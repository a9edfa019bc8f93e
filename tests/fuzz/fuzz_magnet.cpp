// What users type or paste into the magnet box. Whatever the text, a usable
// hash is 40 hex digits, and the link Lumo writes for it reads back as it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/utf8.h"
#include "torrent/magnet_input.h"

namespace {

using namespace lumo::torrent;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsValidUtf8(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (lumo::text::DecodeUtf8(text, pos) == lumo::text::kInvalidUtf8) return false;
    }
    return true;
}

bool IsHexHash(std::string_view text) {
    if (text.size() != 40) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string hash = InfoHashFromInput(input);
    if (IsValidUtf8(input)) Require(IsValidUtf8(hash));
    const auto usable = UsableInfoHash(input);
    if (usable) {
        Require(IsHexHash(*usable));
        Require(IsHexHash(hash));
        const std::string link = MagnetLink(*usable);
        Require(UsableInfoHash(link) == usable);
        Require(InfoHashFromInput(link) == *usable);
        // As a browser hands it over: other parameters around, blanks outside.
        const std::string handed = "  MAGNET:?dn=x&xt=urn:btih:" + *usable + "&tr=udp%3A%2F%2Fa\n";
        Require(UsableInfoHash(handed) == usable);
    }
    if (IsHexHash(hash)) Require(InfoHashFromInput(MagnetLink(hash)) == hash);

    if (const auto change = MagnetHintOnFocusLost(input)) Require(input.empty() && change->text == kMagnetHint);
    if (const auto change = MagnetHintOnFocusGained(input)) Require(change->text.empty());
    const int tab = size > 0 ? data[0] % 6 : 0;
    if (const auto copied = MagnetTextToCopy(tab, input)) Require(copied->find(input) != std::string::npos);
    return 0;
}
