// Rewrites one of Lumo's files over and over, alternating between two
// contents, until it is killed: config.ini ("config"), lumojl.ini ("history")
// or the cookie jar ("jar"). Says "ready" once the first content is complete.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/cookie_jar.h"
#include "store/history.h"
#include "store/ini_file.h"

namespace {

// Big enough that a write takes a while, so kills land inside writes too.
std::string Filler(char c, size_t bytes) { return std::string(bytes, c); }

bool WriteConfig(const lumo::store::IniFile& file, int round) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int k = 0; k < 40; ++k) keys.emplace_back("键" + std::to_string(k), Filler(round % 2 ? 'b' : 'a', 9000));
    return file.WriteKeys("配置", keys);
}

bool WriteHistory(const lumo::store::IniFile& file, int round) {
    std::vector<lumo::store::HistoryRow> rows;
    for (int r = 0; r < 300; ++r) {
        rows.push_back({"片" + std::to_string(r), Filler(round % 2 ? 'b' : 'a', 600), "sha", "HASH"});
    }
    return lumo::store::SaveHistory(file, rows);
}

bool WriteJar(lumo::net::CookieJar& jar, int round) {
    for (int c = 0; c < 200; ++c) {
        lumo::net::JarCookie cookie;
        cookie.domain = "forum.example";
        cookie.expires = 4102444800;  // 2100
        cookie.name = "c" + std::to_string(c);
        cookie.value = Filler(round % 2 ? 'b' : 'a', 1500);
        if (!jar.Store(cookie)) return false;
    }
    return jar.Save();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string kind = argv[1];
    const std::string path = argv[2];
    lumo::store::IniFile file(path);
    std::unique_ptr<lumo::net::CookieJar> jar;
    if (kind == "jar") jar = std::make_unique<lumo::net::CookieJar>(path);
    for (int round = 0;; ++round) {
        bool ok = false;
        if (kind == "config") ok = WriteConfig(file, round);
        if (kind == "history") ok = WriteHistory(file, round);
        if (kind == "jar") ok = WriteJar(*jar, round);
        if (!ok) return 1;
        if (round == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
