#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace lumo::cli {

// Rows under named fields: printed one row a line with tabs between the
// cells, or with --json as an array of objects keyed by the field names.
struct Table {
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> rows;
    // The plain form shows only the first this many fields (0: all); JSON
    // always carries every field.
    size_t plainFields = 0;
};

void PrintTable(const Table& table, bool json, std::ostream& out);

// One result of named values: "name: value" lines, or one JSON object.
void PrintRecord(const std::vector<std::pair<std::string, std::string>>& values, bool json, std::ostream& out);

}  // namespace lumo::cli
