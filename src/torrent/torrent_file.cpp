#include "torrent/torrent_file.h"

#include <cstring>
#include <initializer_list>
#include <limits>

#include "torrent/sha1.h"

namespace lumo::torrent {

namespace {

constexpr size_t kNoLength = std::numeric_limits<size_t>::max();

std::string_view UntilZero(std::string_view text) {
    const void* zero = std::memchr(text.data(), 0, text.size());
    if (zero == nullptr) return text;
    return text.substr(0, static_cast<const char*>(zero) - text.data());
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A length text read as a 32-bit integer: its leading digits, 0 when it does
// not begin with a digit (a sign counts as "not a digit", so "-5" is 0 and
// never a negative length). kNoLength when the digits exceed the 32-bit range.
size_t LengthFromText(std::string_view text) {
    size_t n = 0;
    for (char c : text) {
        if (!IsDigit(c)) break;
        n = n * 10 + static_cast<size_t>(c - '0');
        if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return kNoLength;
    }
    return n;
}

// An integer's text as a 32-bit number: optional "-", leading digits,
// saturated at the type's limits; 0 when no digit follows.
int32_t NumberFromText(std::string_view text) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    int64_t n = 0;
    for (char c : text) {
        if (!IsDigit(c)) break;
        n = n * 10 + (c - '0');
        if (n > int64_t{std::numeric_limits<int32_t>::max()} + 1) break;
    }
    if (negative) {
        n = -n;
        if (n < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(n);
    }
    if (n > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(n);
}

// A list's or dictionary's stored form: what it consumed without its leading
// letter and its last byte (the closing "e", or the last byte present when
// the data ended first).
std::string_view Inner(std::string_view data, size_t consumed) {
    if (consumed < 2) return data.substr(1, 0);
    return data.substr(1, consumed - 2);
}

// The string step without the zero cut: nested strings only need their extent.
TorrentFile::Step ScanString(std::string_view data) {
    TorrentFile::Step step;
    size_t colon = data.find(':');
    if (colon == std::string_view::npos) return step;
    size_t n = LengthFromText(data.substr(0, colon));
    if (n == kNoLength || n > data.size() - colon - 1) return step;
    step.ok = true;
    step.consumed = colon + 1 + n;
    step.value = data.substr(colon + 1, n);
    return step;
}

TorrentFile::Step ParseListAt(std::string_view data, int depth,
                              std::vector<std::string_view>* elements);
TorrentFile::Step ParseDictAt(std::string_view data, int depth,
                              std::vector<std::string_view>* keys,
                              std::vector<std::string_view>* values);

// One element of a list, or a dictionary's value. `depth` is the level of
// the enclosing list or dictionary. Strings are cut at their zero byte only
// when the caller keeps the element.
TorrentFile::Step ReadElement(std::string_view rest, int depth, bool keep) {
    switch (TorrentFile::ElementType(rest)) {
        case BencodeType::String: {
            TorrentFile::Step step = ScanString(rest);
            if (step.ok && keep) step.value = UntilZero(step.value);
            return step;
        }
        case BencodeType::Integer:
            return TorrentFile::ReadInteger(rest);
        case BencodeType::List:
            return ParseListAt(rest, depth + 1, nullptr);
        case BencodeType::Dictionary:
            return ParseDictAt(rest, depth + 1, nullptr, nullptr);
        case BencodeType::End:
        case BencodeType::Invalid:
            break;
    }
    return {};
}

TorrentFile::Step ParseListAt(std::string_view data, int depth,
                              std::vector<std::string_view>* elements) {
    TorrentFile::Step step;
    if (data.empty() || data.front() != 'l' || depth > TorrentFile::kMaxDepth) return step;
    size_t consumed = 1;
    for (;;) {
        std::string_view rest = data.substr(consumed);
        if (rest.empty()) break;
        if (TorrentFile::ElementType(rest) == BencodeType::End) {
            ++consumed;
            break;
        }
        TorrentFile::Step element = ReadElement(rest, depth, elements != nullptr);
        if (!element.ok) {
            step.consumed = consumed;
            return step;
        }
        if (elements != nullptr) elements->push_back(element.value);
        consumed += element.consumed;
    }
    step.ok = true;
    step.consumed = consumed;
    step.value = Inner(data, consumed);
    return step;
}

TorrentFile::Step ParseDictAt(std::string_view data, int depth,
                              std::vector<std::string_view>* keys,
                              std::vector<std::string_view>* values) {
    TorrentFile::Step step;
    if (data.empty() || data.front() != 'd' || depth > TorrentFile::kMaxDepth) return step;
    const bool keep = keys != nullptr;
    size_t consumed = 1;
    for (;;) {
        std::string_view rest = data.substr(consumed);
        if (rest.empty()) break;
        if (TorrentFile::ElementType(rest) == BencodeType::End) {
            ++consumed;
            break;
        }
        // The key is read as a string whatever its first byte is.
        TorrentFile::Step key = ScanString(rest);
        if (!key.ok) {
            step.consumed = consumed;
            return step;
        }
        if (keep) keys->push_back(UntilZero(key.value));
        consumed += key.consumed;

        rest = data.substr(consumed);
        if (TorrentFile::ElementType(rest) == BencodeType::End) {
            ++consumed;  // the last key stays without a value
            break;
        }
        TorrentFile::Step value = ReadElement(rest, depth, keep);
        if (!value.ok) {
            step.consumed = consumed;
            return step;
        }
        if (keep) values->push_back(value.value);
        consumed += value.consumed;
    }
    step.ok = true;
    step.consumed = consumed;
    step.value = Inner(data, consumed);
    return step;
}

std::string Sha1Of(std::initializer_list<std::string_view> parts) {
    Sha1 hash;
    for (std::string_view part : parts) hash.Update(part);
    return hash.Finish();
}

}  // namespace

BencodeType TorrentFile::ElementType(std::string_view data) {
    if (data.empty()) return BencodeType::Invalid;
    char c = data.front();
    if (c == 'd') return BencodeType::Dictionary;
    if (c == 'l') return BencodeType::List;
    if (IsDigit(c)) return BencodeType::String;
    if (c == 'i') return BencodeType::Integer;
    if (c == 'e') return BencodeType::End;
    return BencodeType::Invalid;
}

TorrentFile::Step TorrentFile::ReadString(std::string_view data) {
    Step step = ScanString(data);
    if (step.ok) step.value = UntilZero(step.value);
    return step;
}

TorrentFile::IntegerStep TorrentFile::ReadInteger(std::string_view data) {
    IntegerStep step;
    if (data.empty() || data.front() != 'i') return step;
    size_t end = data.find('e', 1);
    if (end == std::string_view::npos) return step;
    step.ok = true;
    step.consumed = end + 1;
    step.value = data.substr(1, end - 1);
    step.number = NumberFromText(step.value);
    return step;
}

TorrentFile::ListStep TorrentFile::ParseList(std::string_view data) {
    ListStep result;
    static_cast<Step&>(result) = ParseListAt(data, 1, &result.elements);
    return result;
}

TorrentFile::DictStep TorrentFile::ParseDict(std::string_view data) {
    DictStep result;
    static_cast<Step&>(result) = ParseDictAt(data, 1, &result.keys, &result.values);
    return result;
}

std::string TorrentFile::HashBytes(std::string_view bytes) { return Sha1Of({bytes}); }

std::string TorrentFile::BytesToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

bool TorrentFile::Load(std::string bytes) {
    data_ = std::move(bytes);
    keys_.clear();
    values_.clear();
    std::vector<std::string_view> keys;
    std::vector<std::string_view> values;
    Step step = ParseDictAt(data_, 1, &keys, &values);
    consumed_ = step.consumed;
    keys_.reserve(keys.size());
    for (std::string_view key : keys) keys_.push_back(SpanOf(key));
    values_.reserve(values.size());
    for (std::string_view value : values) values_.push_back(SpanOf(value));
    return step.ok;
}

std::string TorrentFile::InfoHash() const {
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (ViewOf(keys_[i]) != "info") continue;
        if (i >= values_.size()) return {};
        // "d" + value + "e" rebuilds the dictionary's bytes; hashed in pieces
        // so the value is never copied.
        return BytesToHex(Sha1Of({"d", ViewOf(values_[i]), "e"}));
    }
    return {};
}

std::string_view TorrentFile::Key(size_t index) const {
    return index < keys_.size() ? ViewOf(keys_[index]) : std::string_view{};
}

std::string_view TorrentFile::Value(size_t index) const {
    return index < values_.size() ? ViewOf(values_[index]) : std::string_view{};
}

std::vector<std::string_view> TorrentFile::Keys() const {
    std::vector<std::string_view> keys;
    keys.reserve(keys_.size());
    for (Span span : keys_) keys.push_back(ViewOf(span));
    return keys;
}

std::vector<std::string_view> TorrentFile::Values() const {
    std::vector<std::string_view> values;
    values.reserve(values_.size());
    for (Span span : values_) values.push_back(ViewOf(span));
    return values;
}

TorrentFile::Span TorrentFile::SpanOf(std::string_view view) const {
    return {static_cast<size_t>(view.data() - data_.data()), view.size()};
}

std::string_view TorrentFile::ViewOf(Span span) const {
    return std::string_view(data_).substr(span.offset, span.length);
}

}  // namespace lumo::torrent
