#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo::torrent {

// What stands in front of an info-hash in a magnet link. Lists and the
// program-wide state hold hashes without it.
inline constexpr std::string_view kMagnetPrefix = "magnet:?xt=urn:btih:";

// The hint of the magnet window's input box and its two text colours
// (0x00BBGGRR values).
inline constexpr std::string_view kMagnetHint = "输入磁力链接然后点击解析";
inline constexpr uint32_t kHintColour = 0x606060;
inline constexpr uint32_t kTypingColour = 0;

// How many GBK bytes of an input make its info-hash.
inline constexpr size_t kInfoHashBytes = 40;

// The info-hash of what the user typed or pasted.
//
// First the plain reading: every occurrence of the magnet prefix removed
// (exact, case-sensitive), then the first 40 bytes of the GBK form of what
// remains, so a display-name tail is cut off. A character that would
// straddle the 40th byte is left out whole. When that gives 40 hex digits it
// is the answer, letter case kept.
//
// Otherwise links as browsers and sites hand them over are read: a
// "magnet:?" link (the scheme in any case) whose `xt` (or `xt.N`) parameter
// holds "urn:btih:" anywhere among the others, its parts percent-decoded,
// with 40 hex digits or a 32-character base32 hash (turned into 40 upper-case
// hex digits); and a bare 40-digit or base32 hash with blanks around it.
// Parameter names are matched exactly, as links write them.
//
// Anything else gives the plain reading unchecked, the hint text included,
// so the file-list service is asked with it and finds nothing.
std::string InfoHashFromInput(std::string_view input);

// The 40 hex digits of a link or bare hash as above; nullopt when the text
// holds no usable info-hash.
std::optional<std::string> UsableInfoHash(std::string_view input);

// kMagnetPrefix + infoHash.
std::string MagnetLink(std::string_view infoHash);

// A change of the input box's text and colour.
struct HintChange {
    std::string text;
    uint32_t colour = 0;
    bool operator==(const HintChange&) const = default;
};

// The box lost the focus: an empty box shows the hint in grey.
std::optional<HintChange> MagnetHintOnFocusLost(std::string_view boxText);
// The box got the focus: the hint is cleared for typing in black.
std::optional<HintChange> MagnetHintOnFocusGained(std::string_view boxText);

// What "复制磁力链接" puts on the clipboard for the main window's tab `tab`
// and the selected row's link cell `value`: the magnet link for the search
// results (tab 1) and the resource list (tab 3), whose cells hold bare
// hashes; the stored text itself for the favourites (tab 4), which hold whole
// links; nothing on other tabs.
std::optional<std::string> MagnetTextToCopy(int tab, std::string_view value);

}  // namespace lumo::torrent
