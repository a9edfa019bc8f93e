// A process writing config.ini, lumojl.ini or the cookie jar is killed with
// SIGKILL at random moments: the file left behind must always hold one whole
// content, the old or the new, never a torn mix.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "net/cookie_jar.h"
#include "store/history.h"
#include "store/ini_file.h"

namespace {

// How many kills each file takes; LUMO_CRASH_ROUNDS shortens a local run.
int Rounds() {
    const char* text = std::getenv("LUMO_CRASH_ROUNDS");
    return text != nullptr ? std::atoi(text) : 1000;
}

// Starts the writer and returns once its first content is complete.
pid_t StartWriter(const std::string& kind, const std::string& path) {
    int out[2];
    if (pipe(out) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(LUMO_CRASH_WRITER, LUMO_CRASH_WRITER, kind.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char ready[6] = {};
    const bool ok = read(out[0], ready, 5) == 5 && std::string(ready) == "ready";
    close(out[0]);
    if (!ok) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

// The one letter every value of the file is made of, or 0 when the file is
// torn (values missing, cut or mixed).
char ConfigLetter(const std::string& path) {
    lumo::store::IniFile file(path);
    std::set<std::string> values;
    for (int k = 0; k < 40; ++k) values.insert(file.Read("配置", "键" + std::to_string(k)));
    if (values.size() != 1) return 0;
    const std::string& value = *values.begin();
    if (value == std::string(9000, 'a')) return 'a';
    if (value == std::string(9000, 'b')) return 'b';
    return 0;
}

char HistoryLetter(const std::string& path) {
    const auto rows = lumo::store::LoadHistory(lumo::store::IniFile(path));
    if (rows.size() != 300) return 0;
    std::set<char> letters;
    for (const auto& row : rows) {
        if (row.size.size() != 600 || row.size != std::string(600, row.size[0])) return 0;
        letters.insert(row.size[0]);
    }
    return letters.size() == 1 ? *letters.begin() : 0;
}

char JarLetter(const std::string& path) {
    lumo::net::CookieJar jar(path);
    const auto cookies = jar.Cookies();
    if (cookies.size() != 200) return 0;
    std::set<char> letters;
    for (const auto& cookie : cookies) {
        if (cookie.value.size() != 1500 || cookie.value != std::string(1500, cookie.value[0])) return 0;
        letters.insert(cookie.value[0]);
    }
    return letters.size() == 1 ? *letters.begin() : 0;
}

// Kills the writer of `kind` at random moments and checks the file each time.
void KillWhileWriting(const std::string& kind, char (*letter)(const std::string&)) {
    std::string dir = (std::filesystem::temp_directory_path() / "lumo-crash-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string path = dir + "/" + kind + ".ini";
    std::mt19937 random(20261209);
    // Kills fall within about two writes after the first; a sanitizer build
    // writes several times slower than a plain one, so the span is measured.
    const auto started = std::chrono::steady_clock::now();
    const pid_t probe = StartWriter(kind, path);
    ASSERT_GT(probe, 0) << "the writer did not start";
    const auto firstWrite = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    kill(probe, SIGKILL);
    waitpid(probe, nullptr, 0);
    std::uniform_int_distribution<int> delay(0, std::max<int>(15000, 2 * firstWrite.count()));  // microseconds
    int seen[2] = {0, 0};
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
        const pid_t writer = StartWriter(kind, path);
        ASSERT_GT(writer, 0) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        const char found = letter(path);
        ASSERT_TRUE(found == 'a' || found == 'b') << kind << " torn after kill " << round;
        ++seen[found - 'a'];
    }
    // Both contents must have been left behind at some kill, or the kills
    // never fell between writes and the test proved little.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    int leftovers = -1;  // the file itself is not one
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++leftovers;
    std::printf("%s: %d kills, left with the first content %d times, the second %d times; %d temporary files left\n",
                kind.c_str(), rounds, seen[0], seen[1], leftovers);
    std::filesystem::remove_all(dir);
}

}  // namespace

TEST(CrashSafeFiles, ConfigIniIsNeverTorn) { KillWhileWriting("config", ConfigLetter); }
TEST(CrashSafeFiles, PlayHistoryIsNeverTorn) { KillWhileWriting("history", HistoryLetter); }
TEST(CrashSafeFiles, CookieJarIsNeverTorn) { KillWhileWriting("jar", JarLetter); }
