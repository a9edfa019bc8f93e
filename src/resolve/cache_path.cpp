#include "resolve/cache_path.h"

#include "store/data_directory.h"
#include "text/utf8.h"

namespace lumo::resolve {
namespace {

std::string SafeName(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::string name;
    name.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        name += (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) ? '_' : c;
    }
    if (name == "." || name == "..") name.insert(0, "_");
    if (name.size() > kMaxFileNameBytes) {
        size_t keep = 0;
        while (keep < name.size()) {
            const size_t length = text::Utf8CharLength(name, keep);
            if (keep + length > kMaxFileNameBytes) break;
            keep += length;
        }
        name.resize(keep);
    }
    return name;
}

}  // namespace

std::string CacheFileName(std::string_view title, std::string_view fallback) {
    std::string name = SafeName(title);
    if (name.empty()) name = SafeName(fallback);
    if (name.empty()) name = "lumo";
    return name;
}

std::filesystem::path CachePath(std::string_view title, std::string_view fallback) {
    return store::CacheDirectory() / CacheFileName(title, fallback);
}

}  // namespace lumo::resolve
