#pragma once

#include <string>
#include <string_view>

namespace lumo::text {

// The text between the first `left` at or after `start` (1-based byte
// position) and the first `right` after it; empty when either is missing.
// In both markers "#引号" stands for one double quote. ignoreCase folds ASCII
// letters only. An empty marker is found where its search starts.
std::string TextBetween(std::string_view text, std::string_view left,
                        std::string_view right, size_t start = 1,
                        bool ignoreCase = false);

}  // namespace lumo::text
