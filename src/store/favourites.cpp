#include "store/favourites.h"

#include <climits>

#include "store/settings_keys.h"
#include "text/pattern_escape.h"

namespace lumo::store {

namespace {

// Optional sign and leading digits, saturated; 0 without digits.
int ToInteger(std::string_view text) {
    bool negative = !text.empty() && (text.front() == '-' || text.front() == '+');
    if (negative) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > INT_MAX) {
            n = static_cast<long long>(INT_MAX) + 1;
            break;
        }
    }
    if (negative) return static_cast<int>(-n);
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

}  // namespace

int ReadVolume(const IniFile& config) {
    return ToInteger(config.Read(kConfigSection, kVolumeKey));
}

std::vector<FavouriteRow> FavouritesFromText(std::string_view text) {
    std::vector<std::string> names;
    std::vector<std::string> links;
    text::ExtractAllBetween(text, "名-", "-名", names);
    text::ExtractAllBetween(text, "链-", "-链", links);
    std::vector<FavouriteRow> rows;
    rows.reserve(links.size());
    for (size_t i = 0; i < links.size(); ++i) {
        // A hand-edited file may hold more links than names: those rows show
        // no name rather than reading past the list.
        rows.push_back({i < names.size() ? names[i] : std::string(), links[i]});
    }
    return rows;
}

std::vector<FavouriteRow> LoadFavourites(const IniFile& config) {
    return FavouritesFromText(config.ReadText());
}

bool WriteFavourite(const IniFile& config, std::string_view infoHash, std::string_view title) {
    std::string key = "链-" + std::string(kMagnetPrefix) + std::string(infoHash) + "-链";
    std::string value = "名-" + std::string(title) + "-名";
    return config.Write(kFavouritesSection, key, value);
}

bool FileTextContains(const IniFile& file, std::string_view text) {
    return file.ReadText().find(text) != std::string::npos;
}

}  // namespace lumo::store
