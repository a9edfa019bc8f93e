#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "store/ini_file.h"

namespace lumo::store {

// Where films were left, so a film played again can continue there. They
// live in lumojl.ini under a section of their own, "播放位置", one line a
// film: a torrent's file by its SHA-1 ("sha1-..."), a local file or address
// by a digest of its text ("path-..."), with the position in milliseconds.
// Files from before this section simply lack it.
inline constexpr std::string_view kResumeSection = "播放位置";

std::string ResumeKeyForSha1(std::string_view sha1);
std::string ResumeKeyForPath(std::string_view path);

std::optional<int64_t> ReadResumePosition(const IniFile& history, std::string_view key);
// Keeps `position` for the film, or forgets the film when the position is
// within 10 s of its start or its end (nothing to continue there).
bool KeepResumePosition(const IniFile& history, std::string_view key, int64_t position, int64_t duration);

}  // namespace lumo::store
