#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo::store {

// One INI file in the classic profile format: "[section]" lines, then
// "key=value" lines. The file is GBK on disk; every text in this API is
// UTF-8.
//
// Reading: section and key names are compared ignoring ASCII letter case;
// blanks around names and values are ignored; the first matching section and
// the first matching key in it win; a value is cut to kMaxValueBytes bytes of
// GBK. A key may contain "=": a line matches when it starts with the key
// followed by "=", so such a key is still found and replaced in place.
//
// Writing replaces the key's line in place, or adds the key after the last
// non-blank line of its section, or appends the section at the end of the
// file. Lines end in CR LF. Every write replaces the whole file atomically,
// and writes to one file from several threads of this process are
// serialised, so no read-modify-write loses another's update. Line breaks in
// names and values become blanks, so an entry can never spill into extra
// lines; a text ends at its first zero byte.
class IniFile {
public:
    static constexpr size_t kMaxValueBytes = 10239;

    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    // The key's value; empty when the key, the section or the file is missing.
    std::string Read(std::string_view section, std::string_view key) const;

    // False when the file could not be written (the old file then stays as
    // it was), or when the names cannot be represented: a section name
    // containing "]" or a key starting with "[" would read back as a section.
    bool Write(std::string_view section, std::string_view key, std::string_view value) const;

    // Several keys of one section with one read and one replace; the result
    // is the same as writing them one by one in order.
    bool WriteKeys(std::string_view section,
                   const std::vector<std::pair<std::string, std::string>>& entries) const;

    // Removes every line of the key from the section, with one read and one
    // replace; the other lines stay byte for byte. True also when there was
    // nothing to remove (the file is then left alone).
    bool RemoveKey(std::string_view section, std::string_view key) const;

    // The whole file as text (up to its first zero byte); empty when missing.
    std::string ReadText() const;

private:
    std::filesystem::path path_;
};

}  // namespace lumo::store
