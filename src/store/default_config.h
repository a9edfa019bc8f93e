#pragma once

#include <filesystem>
#include <string>

namespace lumo::store {

// The settings file a first start writes: volume 80 and six sample
// favourites, GBK, every line ending in CR LF.
std::string DefaultConfigBytes();

// Writes the default settings file when nothing exists at the path; never
// overwrites an existing file. True when the file exists afterwards.
bool EnsureDefaultConfig(const std::filesystem::path& path);

}  // namespace lumo::store
