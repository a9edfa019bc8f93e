#pragma once

#include <filesystem>
#include <string>

namespace lumo::sim {

class SimContext;

// The services file: an INI text with one key per service, its base
// address, in a [services] section. Lumo's own keys (src/remote/
// service_hosts.h) are among them; filelist, words and control are the
// simulator's own and Lumo ignores them.
std::string ServicesFileText(const SimContext& context);

// Writes a file by way of a temporary file in the same folder and a rename,
// so a reader never sees it half written.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& text, std::string* error);

}  // namespace lumo::sim
