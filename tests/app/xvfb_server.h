#pragma once

#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

// A private X server for tests and measurements that need real windows:
// Xvfb on the first free display number from 90 on, stopped again by the
// destructor.
class XvfbServer {
public:
    XvfbServer() = default;
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer() { Stop(); }

    // The Xvfb program from PATH, empty when it is not installed.
    static std::string FindProgram() {
        const char* path = std::getenv("PATH");
        std::string dirs = path ? path : "/usr/bin:/bin";
        size_t start = 0;
        while (start <= dirs.size()) {
            size_t end = dirs.find(':', start);
            if (end == std::string::npos) end = dirs.size();
            std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
            start = end + 1;
        }
        return {};
    }

    // Starts the server with one 1280 × 800 screen of 24 bits; true when it
    // accepts connections. `error` tells why not.
    bool Start(std::string* error) {
        std::string program = FindProgram();
        if (program.empty()) {
            *error = "Xvfb is not installed";
            return false;
        }
        for (int number = 90; number < 190; ++number) {
            if (Exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
                Exists("/tmp/.X" + std::to_string(number) + "-lock")) {
                continue;
            }
            std::string display = ":" + std::to_string(number);
            const char* argv[] = {program.c_str(), display.c_str(), "-screen", "0", "1280x800x24",
                                  "-nolisten", "tcp", "-noreset", nullptr};
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
            pid_t pid = 0;
            int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
            posix_spawn_file_actions_destroy(&actions);
            if (failed != 0) {
                *error = "Xvfb could not be started";
                return false;
            }
            // Another server may have taken the number meanwhile: then this
            // one exits and the next number is tried.
            for (int waited = 0; waited < 200; ++waited) {
                if (Exists("/tmp/.X11-unix/X" + std::to_string(number)) && HasLockOf(number, pid)) {
                    pid_ = pid;
                    display_ = display;
                    return true;
                }
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) == pid) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (waitpid(pid, nullptr, WNOHANG) == 0) {
                kill(pid, SIGTERM);
                waitpid(pid, nullptr, 0);
            }
        }
        *error = "no free X display number";
        return false;
    }

    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    const std::string& Display() const { return display_; }

private:
    static bool Exists(const std::string& path) {
        struct stat info;
        return stat(path.c_str(), &info) == 0;
    }

    // The lock file names the server's process once it is up.
    static bool HasLockOf(int number, pid_t pid) {
        std::string path = "/tmp/.X" + std::to_string(number) + "-lock";
        FILE* file = std::fopen(path.c_str(), "r");
        if (!file) return false;
        long owner = 0;
        bool read = std::fscanf(file, "%ld", &owner) == 1;
        std::fclose(file);
        return read && owner == pid;
    }

    pid_t pid_ = 0;
    std::string display_;
};
