#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <vector>

namespace lumo::store {

namespace fs = std::filesystem;

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now so that a failing close (delayed write error) is seen.
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Resolves a symbolic link so that the rename replaces the file it points
// to rather than the link itself.
fs::path Target(const fs::path& path) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) return path;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path : resolved;
}

void SyncDirectory(const fs::path& file) {
    fs::path directory = file.parent_path();
    if (directory.empty()) directory = ".";
    Descriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

// Writes the bytes to a fresh temporary file beside `target` and flushes it
// to disk. Empty result on failure, with nothing left behind.
std::string WriteTemporary(const fs::path& target, std::string_view bytes, mode_t mode) {
    fs::path pattern = target.parent_path() / ("." + target.filename().string() + ".tmp-XXXXXX");
    std::vector<char> name(pattern.native().begin(), pattern.native().end());
    name.push_back('\0');
    Descriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0) return {};
    std::string temporary(name.data());
    bool ok = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = fd.Close() && ok;
    if (!ok) {
        ::unlink(temporary.c_str());
        return {};
    }
    return temporary;
}

bool IsTemporaryOf(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

// A writer killed between creating its temporary file and the rename leaves
// the temporary behind. Ones older than any write can take are such leftovers;
// younger ones may belong to another process writing right now.
void RemoveLeftoverTemporaries(const fs::path& target) {
    const std::string prefix = "." + target.filename().string() + ".tmp-";
    const auto cutoff = fs::file_time_type::clock::now() - std::chrono::minutes(10);
    fs::path directory = target.parent_path();
    if (directory.empty()) directory = ".";
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const fs::path& entry = it->path();
        if (!IsTemporaryOf(entry.filename().string(), prefix)) continue;
        std::error_code ignored;
        if (it->is_regular_file(ignored) && it->last_write_time(ignored) < cutoff) fs::remove(entry, ignored);
    }
}

}  // namespace

std::optional<std::string> ReadFileBytes(const fs::path& path) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    return bytes;
}

bool ReplaceFileAtomically(const fs::path& path, std::string_view bytes) {
    fs::path target = Target(path);
    mode_t mode = 0600;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) mode = info.st_mode & 07777;
    std::string temporary = WriteTemporary(target, bytes, mode);
    if (temporary.empty()) return false;
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(target);
    RemoveLeftoverTemporaries(target);
    return true;
}

bool CreateFileAtomically(const fs::path& path, std::string_view bytes) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) return false;
    std::string temporary = WriteTemporary(path, bytes, 0600);
    if (temporary.empty()) return false;
    bool created = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(),
                               RENAME_NOREPLACE) == 0;
    if (!created) {
        // File systems without the no-replace rename: a hard link is just as
        // exclusive.
        if (errno == EINVAL || errno == ENOSYS) created = ::link(temporary.c_str(), path.c_str()) == 0;
        ::unlink(temporary.c_str());
    }
    if (created) SyncDirectory(path);
    return created;
}

}  // namespace lumo::store
