#include "store/data_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace lumo::store {

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

fs::path HomeDirectory() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return ".";
}

}  // namespace

fs::path DataDirectory() {
    fs::path directory;
    if (std::string lumoHome = Environment("LUMO_HOME"); !lumoHome.empty()) {
        directory = lumoHome;
    } else if (std::string xdg = Environment("XDG_DATA_HOME"); !xdg.empty() && xdg.front() == '/') {
        // A relative XDG_DATA_HOME is invalid and ignored, as the base
        // directory rules ask.
        directory = fs::path(xdg) / "lumo";
    } else {
        directory = HomeDirectory() / ".local" / "share" / "lumo";
    }
    std::error_code ignored;
    fs::create_directories(directory, ignored);
    return directory;
}

fs::path ConfigIniPath() { return DataDirectory() / "config.ini"; }
fs::path HistoryIniPath() { return DataDirectory() / "lumojl.ini"; }
fs::path CacheDirectory() { return DataDirectory() / "lumohc"; }
fs::path CodecDirectory() { return DataDirectory() / "codecs"; }

}  // namespace lumo::store
