#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo::sim {

// One request as a service's page code sees it.
struct SiteRequest {
    std::string method;
    std::string path;    // percent-decoded path, without the query
    std::string target;  // path and query exactly as sent
    std::string query;   // the raw text after '?', empty when none
    std::multimap<std::string, std::string> params;  // decoded query (and form) parameters
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // First value of a parameter or header (header names ignore case); empty when absent.
    std::string Param(const std::string& name) const;
    bool HasParam(const std::string& name) const;
    std::string Header(const std::string& name) const;
    // Value of one cookie of the Cookie header(s); empty when absent.
    std::string Cookie(const std::string& name) const;
    // The raw query value of `name`, undecoded, up to the next '&'.
    std::string RawParam(const std::string& name) const;
};

// Reverses %XX escapes of a form or query value; with plusAsSpace a '+'
// becomes a blank, as browsers encode forms. A '%' without two hexadecimal
// digits after it stays as it is.
std::string FormDecode(std::string_view text, bool plusAsSpace = true);

}  // namespace lumo::sim
