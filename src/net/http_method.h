#pragma once

namespace lumo::net {

// Request methods by their numbers; any other number is sent as GET.
enum class HttpMethod : int { Get = 0, Post = 1, Head = 2, Put = 3 };

}  // namespace lumo::net
