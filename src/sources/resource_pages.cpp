#include "sources/resource_pages.h"

#include "text/charset.h"
#include "text/codecs.h"
#include "text/pattern_matcher.h"

namespace lumo::sources {
namespace {

std::vector<ResourceEntry> PairsOf(std::string_view pattern, std::string_view page) {
    text::PatternMatcher entries;
    entries.Search(pattern, page, false, true, true, true);
    std::vector<ResourceEntry> found;
    found.reserve(static_cast<size_t>(entries.MatchCount()));
    for (int i = 1; i <= entries.MatchCount(); ++i) {
        found.push_back({entries.SubMatchText(i, 1), entries.SubMatchText(i, 2)});
    }
    return found;
}

std::vector<std::string> LinkTexts(std::string_view pattern, std::string_view page) {
    text::PatternMatcher links;
    links.Search(pattern, page, false, true, true, true);
    std::vector<std::string> found;
    found.reserve(static_cast<size_t>(links.MatchCount()));
    for (int i = 1; i <= links.MatchCount(); ++i) found.push_back(links.SubMatchText(i, 1));
    return found;
}

}  // namespace

std::string SharedResourceAddress(std::string_view host, std::string_view page) {
    return "http://" + std::string(host) + "/archiver/i/fg/hy/" + std::string(page) + ".htm";
}

std::vector<ResourceEntry> ParseSharedResourcePage(std::string_view page) {
    std::vector<ResourceEntry> entries = PairsOf("名(.*?)名---分割啊---磁(.*?)磁", page);
    for (ResourceEntry& entry : entries) {
        entry.name = text::GbkToUtf8(text::UntilZero(text::Base64Decode(entry.name)));
    }
    return entries;
}

std::string ExtraResourceAddress(std::string_view host) { return "http://" + std::string(host) + "/vip.htm"; }

std::vector<ResourceEntry> ParseExtraResourceList(std::string_view page) {
    return PairsOf("名称(.*?)名称------磁力(.*?)磁力", page);
}

std::vector<std::string> ParseCodeLibrary(std::string_view page) {
    return LinkTexts(R"p(bottom:10px;">(.*?)</a>)p", page);
}

std::vector<std::string> ParseKeywordLibrary(std::string_view page) {
    return LinkTexts(R"p(-bottom:10px;">(.*?)</a>)p", page);
}

int PageNumber(std::string_view text) {
    constexpr long long kLimit = 1000000000;
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > kLimit) value = kLimit;
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace lumo::sources
