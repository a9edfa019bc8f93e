#include "playback/codec_pack.h"

#include <unzip.h>

#include <fstream>
#include <system_error>

namespace lumo::playback {

namespace fs = std::filesystem;

const std::vector<std::string>& CodecFolders() {
    static const std::vector<std::string> folders = {"csf", "dcbass", "encoder", "hik",
                                                     "intel", "lavfilters", "real", "wm"};
    return folders;
}

std::optional<std::string> FirstMissingCodecFolder(const fs::path& dataDirectory) {
    for (const std::string& folder : CodecFolders()) {
        std::error_code error;
        if (!fs::is_directory(dataDirectory / "codecs" / folder, error)) return folder;
    }
    return std::nullopt;
}

fs::path TemporaryArchivePath(const fs::path& dataDirectory, std::mt19937& random) {
    std::uniform_int_distribution<int> letter('a', 'z');
    std::string name = "lumo";
    name += static_cast<char>(letter(random));
    name += static_cast<char>(letter(random));
    return dataDirectory / (name + ".zip");
}

bool IsSafeEntryName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        start = end + 1;
    }
    return name.find('\0') == std::string::npos;
}

namespace {

// The entry's place under target, or nullopt when it would leave it (also
// through a folder there that is a link to elsewhere).
std::optional<fs::path> EntryPath(const fs::path& target, const std::string& name) {
    if (!IsSafeEntryName(name)) return std::nullopt;
    std::string relative = name;
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
    std::error_code error;
    const fs::path root = fs::weakly_canonical(target, error);
    if (error) return std::nullopt;
    const fs::path place = fs::weakly_canonical(target / relative, error);
    if (error) return std::nullopt;
    const auto [rootEnd, placeIt] = std::mismatch(root.begin(), root.end(), place.begin(), place.end());
    if (rootEnd != root.end()) return std::nullopt;
    return target / relative;
}

}  // namespace

ExtractResult ExtractZip(const fs::path& archive, const fs::path& target) {
    ExtractResult result;
    std::error_code error;
    fs::create_directories(target, error);
    if (error) {
        result.error = "cannot create " + target.string() + ": " + error.message();
        return result;
    }
    unzFile zip = unzOpen64(archive.c_str());
    if (zip == nullptr) {
        result.error = "not a ZIP archive: " + archive.filename().string();
        return result;
    }
    result.opened = true;
    int status = unzGoToFirstFile(zip);
    std::vector<char> buffer(64 * 1024);
    while (status == UNZ_OK) {
        unz_file_info64 info{};
        char name[1024];
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
            result.error = "unreadable entry in the archive";
            break;
        }
        const std::string entry(name);
        const std::optional<fs::path> place = EntryPath(target, entry);
        if (!place) {
            result.refused.push_back(entry);
        } else if (!entry.empty() && (entry.back() == '/' || entry.back() == '\\')) {
            fs::create_directories(*place, error);
            if (error && result.error.empty()) result.error = "cannot create " + entry + ": " + error.message();
        } else {
            fs::create_directories(place->parent_path(), error);
            std::ofstream out(*place, std::ios::binary | std::ios::trunc);
            bool good = !error && out && unzOpenCurrentFile(zip) == UNZ_OK;
            if (good) {
                int read = 0;
                while ((read = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
                    out.write(buffer.data(), read);
                }
                // A CRC mismatch shows at the close.
                good = unzCloseCurrentFile(zip) == UNZ_OK && read == 0 && static_cast<bool>(out.flush());
            }
            if (good) {
                ++result.written;
            } else if (result.error.empty()) {
                result.error = "cannot extract " + entry;
            }
        }
        status = unzGoToNextFile(zip);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE && status != UNZ_OK && result.error.empty()) {
        result.error = "damaged archive";
    }
    unzClose(zip);
    return result;
}

}  // namespace lumo::playback
