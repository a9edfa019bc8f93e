#pragma once

#include <dirent.h>

#include <fstream>
#include <string>

namespace lumo::reliability {

// Entries of a /proc folder, "." and ".." left out.
inline int EntriesOf(const char* folder) {
    int count = 0;
    if (DIR* dir = ::opendir(folder)) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        ::closedir(dir);
    }
    return count;
}

// Threads of this process.
inline int ThreadCount() { return EntriesOf("/proc/self/task"); }

// Open file descriptors of this process (the one reading the folder
// included, as at every sample).
inline int OpenFileCount() { return EntriesOf("/proc/self/fd"); }

// A field of /proc/self/status in kB ("VmRSS", "RssAnon", "RssFile");
// -1 when it cannot be read.
inline long StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = field + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    return -1;
}

inline long ResidentKilobytes() { return StatusKilobytes("VmRSS"); }

}  // namespace lumo::reliability
