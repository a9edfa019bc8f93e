#pragma once

#include <string>
#include <vector>

namespace lumo::sources {

// One row of the search results as an engine found it.
struct SearchResult {
    std::string title;
    std::string size;  // as the source writes it
    std::string key;   // the info-hash the availability check and the flows use

    bool operator==(const SearchResult&) const = default;
};

// What a search engine's worker hands back: the rows to list, and whether
// the page held any result at all (the two engines word their failures
// differently).
struct SearchOutcome {
    std::vector<SearchResult> rows;
    bool matched = false;
};

}  // namespace lumo::sources
