#include "sim/fault.h"

#include <array>
#include <charconv>
#include <utility>

namespace lumo::sim {
namespace {

constexpr std::array<std::pair<FaultKind, const char*>, 8> kKinds = {{
    {FaultKind::None, "none"},
    {FaultKind::Delay, "delay"},
    {FaultKind::Drop, "drop"},
    {FaultKind::Empty, "empty"},
    {FaultKind::Status, "status"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::WrongLength, "wrong-length"},
    {FaultKind::Throttle, "throttle"},
}};

template <typename T>
bool ParseNumber(std::string_view text, T& out) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    out = value;
    return true;
}

}  // namespace

std::string FaultKindName(FaultKind kind) {
    for (const auto& [k, name] : kKinds) {
        if (k == kind) return name;
    }
    return "none";
}

std::optional<FaultKind> ParseFaultKind(std::string_view name) {
    for (const auto& [k, n] : kKinds) {
        if (name == n) return k;
    }
    if (name == "wrong_length" || name == "length") return FaultKind::WrongLength;
    if (name == "error") return FaultKind::Status;
    return std::nullopt;
}

bool SetFaultField(Fault& fault, std::string_view name, std::string_view value) {
    if (name == "ms") return ParseNumber(value, fault.ms) && fault.ms >= 0;
    if (name == "status") return ParseNumber(value, fault.status) && fault.status >= 100 && fault.status <= 999;
    if (name == "bytes") return ParseNumber(value, fault.bytes);
    if (name == "rate") return ParseNumber(value, fault.rate) && fault.rate > 0;
    if (name == "count") return ParseNumber(value, fault.count) && fault.count >= 0;
    if (name == "path") {
        fault.pathPrefix = std::string(value);
        return true;
    }
    return false;
}

std::optional<Fault> ParseFault(std::string_view text, std::string* error) {
    auto fail = [&](std::string why) -> std::optional<Fault> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    Fault fault;
    bool first = true;
    while (!text.empty() || first) {
        const size_t cut = text.find_first_of(":,");
        const std::string_view part = text.substr(0, cut);
        text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
        if (first) {
            first = false;
            const auto kind = ParseFaultKind(part);
            if (!kind) return fail("unknown fault kind \"" + std::string(part) + "\"");
            fault.kind = *kind;
            continue;
        }
        if (part.empty()) continue;
        const size_t eq = part.find('=');
        if (eq == std::string_view::npos) return fail("expected name=value, got \"" + std::string(part) + "\"");
        if (!SetFaultField(fault, part.substr(0, eq), part.substr(eq + 1))) {
            return fail("bad fault setting \"" + std::string(part) + "\"");
        }
    }
    return fault;
}

std::string DescribeFault(const Fault& fault) {
    std::string text = FaultKindName(fault.kind);
    switch (fault.kind) {
        case FaultKind::Delay: text += " ms=" + std::to_string(fault.ms); break;
        case FaultKind::Status: text += " status=" + std::to_string(fault.status); break;
        case FaultKind::WrongLength: text += " bytes=" + std::to_string(fault.bytes); break;
        case FaultKind::Throttle: text += " rate=" + std::to_string(fault.rate); break;
        default: break;
    }
    if (fault.count > 0) text += " count=" + std::to_string(fault.count);
    if (!fault.pathPrefix.empty()) text += " path=" + fault.pathPrefix;
    return text;
}

}  // namespace lumo::sim
