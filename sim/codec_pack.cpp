#include "sim/codec_pack.h"

#include <minizip/zip.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/random.h"

namespace lumo::sim {
namespace {

constexpr size_t kBlobSize = 48 * 1024;

struct Entry {
    std::string name;
    std::string data;
    bool deflate = true;
};

bool AddEntry(zipFile zip, const Entry& entry) {
    zip_fileinfo info{};
    // A fixed date keeps the archive's bytes the same from run to run.
    info.tmz_date.tm_year = 2016;
    info.tmz_date.tm_mon = 0;
    info.tmz_date.tm_mday = 1;
    info.tmz_date.tm_hour = 8;
    const bool directory = !entry.name.empty() && entry.name.back() == '/';
    info.external_fa = directory ? 0x10 : 0;
    const int method = entry.deflate && !directory ? Z_DEFLATED : 0;
    if (zipOpenNewFileInZip(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                            method == 0 ? 0 : Z_DEFAULT_COMPRESSION) != ZIP_OK) {
        return false;
    }
    if (!entry.data.empty() &&
        zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) != ZIP_OK) {
        zipCloseFileInZip(zip);
        return false;
    }
    return zipCloseFileInZip(zip) == ZIP_OK;
}

}  // namespace

std::string CodecPackVariantName(CodecPackVariant variant) {
    switch (variant) {
        case CodecPackVariant::Partial: return "partial";
        case CodecPackVariant::Unsafe: return "unsafe";
        default: return "full";
    }
}

std::optional<CodecPackVariant> ParseCodecPackVariant(std::string_view name) {
    if (name == "full") return CodecPackVariant::Full;
    if (name == "partial") return CodecPackVariant::Partial;
    if (name == "unsafe") return CodecPackVariant::Unsafe;
    return std::nullopt;
}

const std::vector<std::string>& CodecFolders() {
    static const std::vector<std::string> folders = {"csf", "dcbass", "encoder", "hik",
                                                     "intel", "lavfilters", "real", "wm"};
    return folders;
}

std::string BuildCodecPack(CodecPackVariant variant, uint64_t seed, std::string* error) {
    std::vector<Entry> entries;
    SplitMix64 rng(seed ^ 0xC0DEC0DEull);
    for (const auto& folder : CodecFolders()) {
        if (variant == CodecPackVariant::Partial && folder == "wm") continue;
        entries.push_back({folder + "/", {}, false});
        entries.push_back({folder + "/codec.inf",
                           "[codec]\r\nname=" + folder + "\r\nversion=3.4.0.1\r\n", true});
        entries.push_back({folder + "/" + folder + ".bin", rng.Bytes(kBlobSize), false});
    }
    if (variant == CodecPackVariant::Unsafe) {
        entries.push_back({"../lumo_outside.txt", "this entry points outside the codecs folder\r\n", true});
        entries.push_back({"csf/../../lumo_outside2.txt", "so does this one\r\n", true});
    }

    // minizip writes to a file; the pack lives in memory afterwards.
    std::string path = (std::filesystem::temp_directory_path() / "lumo-sim-codecs-XXXXXX").string();
    const int fd = mkstemp(path.data());
    if (fd < 0) {
        if (error) *error = "cannot create a temporary file for the codec pack";
        return {};
    }
    close(fd);
    std::string bytes;
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    bool ok = zip != nullptr;
    for (const auto& entry : entries) {
        if (!ok) break;
        ok = AddEntry(zip, entry);
    }
    if (zip != nullptr && zipClose(zip, "Lumo codec pack") != ZIP_OK) ok = false;
    if (ok) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream data;
        data << in.rdbuf();
        bytes = data.str();
        ok = !bytes.empty();
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (!ok && error) *error = "cannot build the codec pack";
    return ok ? bytes : std::string();
}

}  // namespace lumo::sim
