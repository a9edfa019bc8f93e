#include "store/history.h"

#include <utility>

#include "store/settings_keys.h"
#include "text/pattern_matcher.h"

namespace lumo::store {

namespace {

std::string HistoryKey(std::string_view name) { return "名" + std::string(name) + "名"; }

// Keys compare ignoring ASCII letter case in the INI file, so "Film" and
// "film" share one line.
std::string FoldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return folded;
}

}  // namespace

bool SaveHistory(const IniFile& history, const std::vector<HistoryRow>& rows) {
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(rows.size());
    for (const HistoryRow& row : rows) {
        entries.emplace_back(HistoryKey(row.name), "size" + row.size + "size----sha" + row.sha1 +
                                                         "sha----hash" + row.infoHash + "hash");
    }
    return history.WriteKeys(kHistorySection, entries);
}

bool RemoveFromHistory(const IniFile& history, std::string_view name, const std::vector<HistoryRow>& remaining) {
    const std::string folded = FoldAscii(name);
    for (const HistoryRow& row : remaining) {
        if (FoldAscii(row.name) == folded) return SaveHistory(history, remaining);
    }
    return history.RemoveKey(kHistorySection, HistoryKey(name));
}

std::vector<HistoryRow> HistoryFromText(std::string_view text) {
    std::vector<HistoryRow> rows;
    text::PatternMatcher matcher;
    // "." stops at line breaks, so every match lies within one line, and the
    // lazy name runs on until "名=size" follows.
    if (!matcher.Search("名(.*?)名=size(.*?)size----sha(.*?)sha----hash(.*?)hash", text)) {
        return rows;
    }
    int count = matcher.MatchCount();
    rows.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) {
        rows.push_back({matcher.SubMatchText(i, 1), matcher.SubMatchText(i, 2),
                        matcher.SubMatchText(i, 3), matcher.SubMatchText(i, 4)});
    }
    return rows;
}

std::vector<HistoryRow> LoadHistory(const IniFile& history) {
    return HistoryFromText(history.ReadText());
}

}  // namespace lumo::store
