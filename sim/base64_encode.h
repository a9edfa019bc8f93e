#pragma once

#include <string>
#include <string_view>

namespace lumo::sim {

// Standard Base64 (RFC 4648 alphabet, '=' padding, no line breaks): the form
// in which the shared resource list writes its names.
std::string Base64Encode(std::string_view bytes);

}  // namespace lumo::sim
