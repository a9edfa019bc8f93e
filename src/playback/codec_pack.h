#pragma once

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace lumo::playback {

// The operators' codec pack under the data directory's "codecs" folder: the
// folders the start-up check wants, the temporary archive's name, and the
// extraction. No Qt.

// The eight folders, in the order they are checked.
const std::vector<std::string>& CodecFolders();

// The first folder of codecs/ that does not exist; nullopt when all do.
std::optional<std::string> FirstMissingCodecFolder(const std::filesystem::path& dataDirectory);

// dataDirectory/"lumo" + two random lowercase letters + ".zip".
std::filesystem::path TemporaryArchivePath(const std::filesystem::path& dataDirectory, std::mt19937& random);

struct ExtractResult {
    bool opened = false;                // the archive could be read at all
    std::string error;                  // the first failure; empty when none
    int written = 0;                    // files written
    std::vector<std::string> refused;   // entries that would land outside the target
    bool Ok() const { return opened && error.empty(); }
};

// Extracts every entry of a ZIP archive into `target` (created when
// missing), overwriting files there. An entry whose name would land outside
// `target` (an absolute name, a ".." step, a drive letter) is refused and
// the rest still extracted.
ExtractResult ExtractZip(const std::filesystem::path& archive, const std::filesystem::path& target);

// Whether an archive entry name stays inside the folder it is extracted to.
bool IsSafeEntryName(const std::string& name);

}  // namespace lumo::playback
