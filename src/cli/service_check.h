#pragma once

#include <string>

namespace lumo::cli {

// Whether anything answers at the address: a reply of any status below 500,
// an error page for a missing path included. Asked only after a flow came
// back empty, to tell "nothing there" from "the service is down".
bool ServiceAnswers(const std::string& address);

}  // namespace lumo::cli
