#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumo::resolve {

// The longest file name the usual file systems take, in bytes.
inline constexpr size_t kMaxFileNameBytes = 255;

// The name under which the copy of a film is kept in lumohc/: the title as
// it stands, made safe as one file name. Separators ("/" and "\") and
// control characters become "_", the text ends at a zero byte, "." and ".."
// get a "_" in front, and an overlong name is cut at a character boundary.
// Blanks are kept. An empty result falls back to `fallback` (made safe the
// same way), then to "lumo". Whatever the title, the name never leads out of
// the directory it is put in.
std::string CacheFileName(std::string_view title, std::string_view fallback = {});

// lumohc/ in the data directory + CacheFileName(title, fallback).
std::filesystem::path CachePath(std::string_view title, std::string_view fallback = {});

}  // namespace lumo::resolve
