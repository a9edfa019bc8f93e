#include "sim/bencode_writer.h"

namespace lumo::sim {

std::string BencodeWriter::String(std::string_view bytes) {
    std::string out = std::to_string(bytes.size());
    out += ':';
    out += bytes;
    return out;
}

std::string BencodeWriter::Integer(int64_t value) { return "i" + std::to_string(value) + "e"; }

std::string BencodeWriter::List(const std::vector<std::string>& items) {
    std::string out = "l";
    for (const auto& item : items) out += item;
    out += 'e';
    return out;
}

std::string BencodeWriter::Dictionary(const std::map<std::string, std::string>& entries) {
    std::string out = "d";
    for (const auto& [key, value] : entries) {
        out += String(key);
        out += value;
    }
    out += 'e';
    return out;
}

}  // namespace lumo::sim
