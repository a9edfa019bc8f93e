#include "store/ini_file.h"

#include <sys/stat.h>

#include <iterator>
#include <map>
#include <mutex>
#include <optional>

#include "store/atomic_file.h"
#include "text/charset.h"

namespace lumo::store {

namespace fs = std::filesystem;

namespace {

// All work below is on GBK bytes, so lines nobody touches are kept byte for
// byte. GBK lead bytes are 0x81-0xFE; their trail bytes may fall in the ASCII
// range (even on "[", "]" or a letter), so scans step over whole characters.
bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

size_t CharLength(std::string_view gbk, size_t at) {
    return IsLeadByte(static_cast<unsigned char>(gbk[at])) && at + 1 < gbk.size() ? 2 : 1;
}

// ASCII letters lowered, double-byte characters untouched; same length.
std::string Fold(std::string_view gbk) {
    std::string folded(gbk);
    for (size_t i = 0; i < folded.size();) {
        size_t n = CharLength(folded, i);
        if (n == 1 && folded[i] >= 'A' && folded[i] <= 'Z') folded[i] = static_cast<char>(folded[i] + 32);
        i += n;
    }
    return folded;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A name or value as it goes into the file: cut at a zero byte, line
// breaks turned into blanks, converted to GBK.
std::string ToDisk(std::string_view utf8) {
    std::string text(text::UntilZero(utf8));
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text::Utf8ToGbk(text);
}

// The section name of a header line, or nullopt for other lines.
std::optional<std::string_view> HeaderName(std::string_view line) {
    line = TrimLeft(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    size_t i = 0;
    while (i < line.size() && line[i] != ']') i += CharLength(line, i);
    return Trim(line.substr(0, std::min(i, line.size())));
}

// The value when the line is an entry for the (folded) key.
std::optional<std::string_view> EntryValue(std::string_view line, std::string_view foldedKey) {
    line = TrimLeft(line);
    if (line.size() < foldedKey.size() || Fold(line.substr(0, foldedKey.size())) != foldedKey) {
        return std::nullopt;
    }
    std::string_view rest = TrimLeft(line.substr(foldedKey.size()));
    if (rest.empty() || rest.front() != '=') return std::nullopt;
    return Trim(rest.substr(1));
}

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

// Index of the first header of the section, or lines.size().
size_t FindSection(const std::vector<std::string>& lines, std::string_view foldedSection) {
    for (size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string_view> name = HeaderName(lines[i]);
        if (name && Fold(*name) == foldedSection) return i;
    }
    return lines.size();
}

size_t SectionEnd(const std::vector<std::string>& lines, size_t header) {
    size_t end = header + 1;
    while (end < lines.size() && !HeaderName(lines[end])) ++end;
    return end;
}

struct DiskNames {
    std::string section;
    std::string key;
};

// Applies one key write to the lines; section and key are GBK, trimmed.
void ApplyWrite(std::vector<std::string>& lines, const DiskNames& names, const std::string& value) {
    std::string line = names.key + "=" + value;
    size_t header = FindSection(lines, Fold(names.section));
    if (header == lines.size()) {
        lines.push_back("[" + names.section + "]");
        lines.push_back(std::move(line));
        return;
    }
    size_t end = SectionEnd(lines, header);
    std::string foldedKey = Fold(names.key);
    for (size_t i = header + 1; i < end; ++i) {
        if (EntryValue(lines[i], foldedKey)) {
            lines[i] = std::move(line);
            return;
        }
    }
    // After the section's last non-blank line, so blank separators stay in
    // front of the next section.
    size_t at = end;
    while (at > header + 1 && Trim(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

std::optional<std::string> DiskSection(std::string_view section) {
    std::string disk(Trim(ToDisk(section)));
    if (disk.find(']') != std::string::npos) {
        // Only a real "]" matters, not a trail byte.
        for (size_t i = 0; i < disk.size(); i += CharLength(disk, i)) {
            if (disk[i] == ']') return std::nullopt;
        }
    }
    return disk;
}

std::optional<std::string> DiskKey(std::string_view key) {
    std::string disk(Trim(ToDisk(key)));
    if (!disk.empty() && disk.front() == '[') return std::nullopt;
    return disk;
}

// One lock per file for the read-modify-write of a write.
std::mutex& LockFor(const fs::path& path) {
    static std::mutex registryLock;
    static std::map<std::string, std::mutex> locks;
    std::error_code ignored;
    fs::path absolute = fs::absolute(path, ignored).lexically_normal();
    std::lock_guard<std::mutex> guard(registryLock);
    return locks[absolute.string()];
}

// The current lines; nullopt when the file exists but cannot be read, so a
// write never replaces content it could not see.
std::optional<std::vector<std::string>> LoadLines(const fs::path& path) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (bytes) return SplitLines(*bytes);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return std::nullopt;
    return std::vector<std::string>{};
}

// Cut to at most `limit` bytes without splitting a double-byte character.
std::string_view CutGbk(std::string_view gbk, size_t limit) {
    if (gbk.size() <= limit) return gbk;
    size_t i = 0;
    while (i < gbk.size()) {
        size_t n = CharLength(gbk, i);
        if (i + n > limit) break;
        i += n;
    }
    return gbk.substr(0, i);
}

}  // namespace

IniFile::IniFile(fs::path path) : path_(std::move(path)) {}

std::string IniFile::Read(std::string_view section, std::string_view key) const {
    std::optional<std::string> bytes = ReadFileBytes(path_);
    if (!bytes) return {};
    std::vector<std::string> lines = SplitLines(*bytes);
    size_t header = FindSection(lines, Fold(Trim(ToDisk(section))));
    if (header == lines.size()) return {};
    size_t end = SectionEnd(lines, header);
    std::string foldedKey = Fold(Trim(ToDisk(key)));
    for (size_t i = header + 1; i < end; ++i) {
        if (std::optional<std::string_view> value = EntryValue(lines[i], foldedKey)) {
            return text::GbkToUtf8(text::UntilZero(CutGbk(*value, kMaxValueBytes)));
        }
    }
    return {};
}

bool IniFile::Write(std::string_view section, std::string_view key, std::string_view value) const {
    return WriteKeys(section, {{std::string(key), std::string(value)}});
}

bool IniFile::WriteKeys(std::string_view section,
                        const std::vector<std::pair<std::string, std::string>>& entries) const {
    if (entries.empty()) return true;
    std::optional<std::string> diskSection = DiskSection(section);
    if (!diskSection) return false;
    std::vector<std::pair<DiskNames, std::string>> writes;
    writes.reserve(entries.size());
    for (const auto& [key, value] : entries) {
        std::optional<std::string> diskKey = DiskKey(key);
        if (!diskKey) return false;
        writes.push_back({{*diskSection, *diskKey}, ToDisk(value)});
    }

    std::lock_guard<std::mutex> guard(LockFor(path_));
    std::optional<std::vector<std::string>> lines = LoadLines(path_);
    if (!lines) return false;
    for (const auto& [names, value] : writes) ApplyWrite(*lines, names, value);
    return ReplaceFileAtomically(path_, JoinLines(*lines));
}

bool IniFile::RemoveKey(std::string_view section, std::string_view key) const {
    std::optional<std::string> diskSection = DiskSection(section);
    std::optional<std::string> diskKey = DiskKey(key);
    if (!diskSection || !diskKey) return false;

    std::lock_guard<std::mutex> guard(LockFor(path_));
    std::optional<std::vector<std::string>> lines = LoadLines(path_);
    if (!lines) return false;
    size_t header = FindSection(*lines, Fold(*diskSection));
    if (header == lines->size()) return true;
    const size_t end = SectionEnd(*lines, header);
    const std::string foldedKey = Fold(*diskKey);
    std::vector<std::string> kept(lines->begin(), lines->begin() + static_cast<std::ptrdiff_t>(header + 1));
    // Every copy goes: a hand-edited duplicate would otherwise bring the
    // entry back for readers that scan the whole text.
    for (size_t i = header + 1; i < end; ++i) {
        if (!EntryValue((*lines)[i], foldedKey)) kept.push_back(std::move((*lines)[i]));
    }
    if (kept.size() == end) return true;
    kept.insert(kept.end(), std::make_move_iterator(lines->begin() + static_cast<std::ptrdiff_t>(end)),
                std::make_move_iterator(lines->end()));
    return ReplaceFileAtomically(path_, JoinLines(kept));
}

std::string IniFile::ReadText() const {
    std::optional<std::string> bytes = ReadFileBytes(path_);
    if (!bytes) return {};
    return text::GbkToUtf8(text::UntilZero(*bytes));
}

}  // namespace lumo::store
