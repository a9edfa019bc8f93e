#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo::sim {

enum class FaultKind {
    None,
    Delay,        // answer after `ms` milliseconds
    Drop,         // close the connection without any answer
    Empty,        // status 200 with an empty body
    Status,       // answer with HTTP status `status` and a short error page
    Garbage,      // status 200, the body replaced by random bytes of its length
    WrongLength,  // Content-Length off by `bytes`, then the connection closes
    Throttle,     // the body sent at `rate` bytes per second
};

// One fault switch of one service. It acts on requests whose path starts with
// `pathPrefix` (all when empty), on the next `count` of them (all while set
// when 0).
struct Fault {
    FaultKind kind = FaultKind::None;
    int ms = 1000;               // Delay
    int status = 500;            // Status
    int64_t bytes = 1000;        // WrongLength: added to the true length (may be negative)
    int64_t rate = 16 * 1024;    // Throttle, bytes per second
    int count = 0;
    std::string pathPrefix;
};

std::string FaultKindName(FaultKind kind);
std::optional<FaultKind> ParseFaultKind(std::string_view name);

// Reads a switch written as "kind[:name=value]..." (',' also separates), for
// example "delay:ms=3000", "status:status=503:count=2", "drop:path=/q/".
// Names: ms, status, bytes, rate, count, path. nullopt, with *error set, for
// an unknown kind or name or a bad number.
std::optional<Fault> ParseFault(std::string_view text, std::string* error = nullptr);

// Sets one named field from text; false for an unknown name or a bad value.
bool SetFaultField(Fault& fault, std::string_view name, std::string_view value);

// "delay ms=3000 count=2 path=/x": the switch in a readable line.
std::string DescribeFault(const Fault& fault);

}  // namespace lumo::sim
