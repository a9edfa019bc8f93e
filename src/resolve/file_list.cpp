#include "resolve/file_list.h"

#include "net/http_request.h"
#include "text/pattern_matcher.h"

namespace lumo::resolve {

std::string FetchFileList(std::string_view fileListPrefix, std::string_view infoHash) {
    std::string address(fileListPrefix);
    address.append(infoHash);
    return net::HttpRequest(address);
}

std::vector<FileEntry> ParseFileList(std::string_view answer) {
    static constexpr std::string_view kPattern =
        R"re("index":(.*?),"name":"(.*?)","size":"(.*?)","sha1":"(.*?)")re";
    text::PatternMatcher matcher;
    std::vector<FileEntry> entries;
    if (!matcher.Search(kPattern, answer, /*caseSensitive=*/false, /*multiline=*/true, /*global=*/true,
                        /*quotePlaceholder=*/true))
        return entries;
    const int count = matcher.MatchCount();
    entries.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) {
        entries.push_back(FileEntry{matcher.SubMatchText(i, 1), matcher.SubMatchText(i, 2),
                                    matcher.SubMatchText(i, 3), matcher.SubMatchText(i, 4)});
    }
    return entries;
}

}  // namespace lumo::resolve
