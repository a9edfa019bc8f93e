#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumo::store {

// Whole-file reads and crash-safe replacement. A replaced file is written to
// a temporary file beside it, flushed to disk and renamed over the old one,
// so a reader (or a crash) only ever sees the old or the new content.

// The file's bytes; nullopt when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

// Replaces the file's content. On failure the old file is untouched and no
// temporary file is left behind. A new file gets mode 0600 (settings hold a
// password); an existing file keeps its mode. A symbolic link is followed.
// Temporaries left beside the file by writers killed mid-write, and older
// than ten minutes, are removed after a successful replacement.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Creates the file with the content only when nothing exists at the path,
// with the same crash safety; never overwrites a file that appeared
// meanwhile. True when this call created it.
bool CreateFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace lumo::store
