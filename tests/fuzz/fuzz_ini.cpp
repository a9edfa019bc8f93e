// INI files as found on disk, and writes into them. The input's first line
// is "section|key|value|other key"; the rest is the file's bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "store/ini_file.h"
#include "text/utf8.h"

namespace {

using lumo::store::IniFile;

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

// Printable ASCII without "=" and without blanks at either end: reads back
// exactly as written, and names like this never match each other's lines
// unless they are equal ignoring case.
bool IsPlain(std::string_view text, bool allowEquals) {
    if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
        if (c == '=' && !allowEquals) return false;
    }
    return true;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    size_t from = 0;
    while (fields.size() < 3) {
        const size_t bar = line.find('|', from);
        if (bar == std::string_view::npos) break;
        fields.emplace_back(line.substr(from, bar - from));
        from = bar + 1;
    }
    fields.emplace_back(line.substr(from));
    fields.resize(4);
    return fields;
}

std::filesystem::path FilePath() {
    static const std::filesystem::path path = [] {
        const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string dir = base + "/lumo_fuzz_ini_XXXXXX";
        Require(mkdtemp(dir.data()) != nullptr);
        return std::filesystem::path(dir) / "config.ini";
    }();
    static const bool removedAtExit = [] {
        std::atexit([] { std::filesystem::remove_all(path.parent_path()); });
        return true;
    }();
    (void)removedAtExit;
    return path;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = input.find('\n');
    if (lineEnd == std::string_view::npos || lineEnd > 512) return 0;
    const std::vector<std::string> fields = Fields(input.substr(0, lineEnd));
    const std::string& section = fields[0];
    const std::string& key = fields[1];
    const std::string& value = fields[2];
    const std::string& other = fields[3];

    const std::filesystem::path path = FilePath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string_view bytes = input.substr(lineEnd + 1);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const IniFile ini(path);
    Require(IsValidUtf8(ini.ReadText()));
    const std::string before = ini.Read(section, key);
    Require(IsValidUtf8(before));
    Require(before.size() <= IniFile::kMaxValueBytes * 3 / 2 + 3);
    const std::string otherBefore = ini.Read(section, other);

    if (ini.Write(section, key, value)) {
        const std::string written = ini.Read(section, key);
        Require(IsValidUtf8(written));
        if (IsPlain(value, true) && value.size() <= IniFile::kMaxValueBytes && IsPlain(key, false) &&
            IsPlain(section, true)) {
            Require(written == value);
        }
        // Writing what reads back changes nothing more.
        const std::string bytes = FileBytes(path);
        Require(ini.Write(section, key, written));
        Require(ini.Read(section, key) == written);
        Require(ini.Write(section, key, value));
        Require(FileBytes(path) == bytes);
        // A different key of the section keeps its value.
        if (IsPlain(key, false) && IsPlain(other, false) && IsPlain(section, true) &&
            Lower(key) != Lower(other)) {
            Require(ini.Read(section, other) == otherBefore);
        }
        Require(ini.RemoveKey(section, key));
        Require(ini.Read(section, key).empty());
    }
    std::filesystem::remove(path);
    return 0;
}
