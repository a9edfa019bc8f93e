#include "app/single_instance.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "store/data_directory.h"

namespace lumo::app {

namespace {

constexpr std::string_view kGreeting = "LUMO1\n";
constexpr std::string_view kAnswer = "OK\n";
// How long the running Lumo gives a later start to say what it has.
constexpr int kReadPatienceMs = 5000;

// A directory the user owns and nobody else may enter.
bool IsPrivateDirectory(const std::filesystem::path& dir) {
    struct stat info {};
    if (lstat(dir.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

std::optional<std::filesystem::path> FallbackDirectory(std::string* why) {
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path base = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
    const std::filesystem::path dir = base / ("lumo-" + std::to_string(geteuid()));
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        if (why) *why = "cannot make " + dir.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    // Made by someone else beforehand, or a link planted there: not ours.
    if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        if (why) *why = dir.string() + " belongs to another user";
        return std::nullopt;
    }
    if ((info.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0) {
        if (why) *why = dir.string() + " is open to other users";
        return std::nullopt;
    }
    return dir;
}

// FNV-1a: stable across runs and builds, unlike std::hash.
std::string NameKey(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(hash));
    return out;
}

bool FitsSocketAddress(const std::filesystem::path& path) {
    return path.native().size() < sizeof(sockaddr_un::sun_path);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

// A connected socket to `path`, or -1 when nobody listens there.
int ConnectTo(const std::filesystem::path& path) {
    if (!FitsSocketAddress(path)) return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::optional<std::filesystem::path> InstanceSocketPath(std::string* why) {
    std::error_code error;
    std::filesystem::path data = std::filesystem::weakly_canonical(store::DataDirectory(), error);
    if (error) data = store::DataDirectory();
    const std::string name = "lumo-" + NameKey(data.string()) + ".sock";

    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
        const std::filesystem::path dir(runtime);
        if (IsPrivateDirectory(dir) && FitsSocketAddress(dir / name)) return dir / name;
    }
    std::optional<std::filesystem::path> dir = FallbackDirectory(why);
    if (!dir) return std::nullopt;
    if (!FitsSocketAddress(*dir / name)) {
        if (why) *why = (*dir / name).string() + " is too long for a socket";
        return std::nullopt;
    }
    return *dir / name;
}

InstanceStartLock::InstanceStartLock(const std::filesystem::path& socket, std::chrono::milliseconds patience) {
    const std::filesystem::path lock = socket.string() + ".lock";
    fd_ = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    const auto end = std::chrono::steady_clock::now() + patience;
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > end) {
            close(fd_);
            fd_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

InstanceStartLock::~InstanceStartLock() { Release(); }

void InstanceStartLock::Release() {
    if (fd_ < 0) return;
    close(fd_);
    fd_ = -1;
}

HandOver HandOverToRunning(const std::filesystem::path& socketPath, const std::string& text,
                           std::chrono::milliseconds patience) {
    // No file, or a file no process listens on any more.
    const int fd = ConnectTo(socketPath);
    if (fd < 0) return HandOver::NoInstance;
    std::string message(kGreeting);
    message += std::to_string(text.size());
    message += '\n';
    message += text;
    HandOver result = HandOver::NoAnswer;
    if (WriteAll(fd, message)) {
        std::string answer;
        const auto end = std::chrono::steady_clock::now() + patience;
        while (answer.size() < kAnswer.size()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd wait{fd, POLLIN, 0};
            const int ready = poll(&wait, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            char buffer[16];
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            answer.append(buffer, static_cast<size_t>(got));
        }
        if (answer.substr(0, kAnswer.size()) == kAnswer) result = HandOver::Delivered;
    }
    close(fd);
    return result;
}

// One later start talking to this Lumo: its socket, what it has said so far,
// and the time it is given to say the rest.
class InstanceServer::Connection : public QObject {
public:
    Connection(int fd, QObject* parent) : QObject(parent), fd(fd), readable(new QSocketNotifier(fd, QSocketNotifier::Read, this)) {}
    ~Connection() override {
        readable->setEnabled(false);
        close(fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const int fd;
    QSocketNotifier* const readable;
    QByteArray buffer;
};

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() {
    if (listening_ < 0) return;
    delete incoming_;
    close(listening_);
    // Ours: the next start need not take it for a crash's leftover.
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

bool InstanceServer::Listen(const std::filesystem::path& socketPath, std::string* error) {
    if (listening_ >= 0) {
        if (error) *error = "already listening at " + path_.string();
        return false;
    }
    if (!FitsSocketAddress(socketPath)) {
        if (error) *error = socketPath.string() + " is too long for a socket";
        return false;
    }
    if (const int live = ConnectTo(socketPath); live >= 0) {
        close(live);
        if (error) *error = socketPath.string() + " belongs to a running Lumo";
        return false;
    }
    // Nobody answers there: what is left is a dead Lumo's socket.
    std::error_code ignored;
    std::filesystem::remove(socketPath, ignored);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        if (error) *error = std::string("cannot make a socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.native().size() + 1);
    // Only the user may connect; the directory is closed to others as well.
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        chmod(socketPath.c_str(), 0600) != 0 || listen(fd, 8) != 0) {
        if (error) *error = "cannot listen at " + socketPath.string() + ": " + std::strerror(errno);
        close(fd);
        std::filesystem::remove(socketPath, ignored);
        return false;
    }
    listening_ = fd;
    path_ = socketPath;
    incoming_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(incoming_, &QSocketNotifier::activated, this, &InstanceServer::Accept);
    return true;
}

bool InstanceServer::IsListening() const { return listening_ >= 0; }

void InstanceServer::Accept() {
    for (;;) {
        const int fd = accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;  // none left (or a connection that went before it was taken)
        }
        auto* connection = new Connection(fd, this);
        connect(connection->readable, &QSocketNotifier::activated, connection, [this, connection] { ReadFrom(connection); });
        // A start that connects and says nothing is not kept waiting for.
        QTimer::singleShot(kReadPatienceMs, connection, [this, connection] { Drop(connection); });
        ReadFrom(connection);
    }
}

void InstanceServer::Drop(Connection* connection) {
    connection->readable->setEnabled(false);
    connection->deleteLater();
}

void InstanceServer::ReadFrom(Connection* connection) {
    if (!connection->readable->isEnabled()) return;
    QByteArray& buffer = connection->buffer;
    for (;;) {
        char chunk[4096];
        const ssize_t got = recv(connection->fd, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // Gone before it said everything.
        if (got <= 0) return Drop(connection);
        buffer.append(chunk, got);
        if (buffer.size() > kMostBytes + 64) return Drop(connection);
    }
    const QByteArray greeting = QByteArray::fromRawData(kGreeting.data(), static_cast<qsizetype>(kGreeting.size()));
    if (!buffer.startsWith(greeting.left(std::min<qsizetype>(buffer.size(), greeting.size())))) return Drop(connection);
    const qsizetype lengthEnd = buffer.indexOf('\n', greeting.size());
    if (lengthEnd < 0) {
        if (buffer.size() > greeting.size() + 20) return Drop(connection);
        return;
    }
    bool number = false;
    const qint64 length = buffer.mid(greeting.size(), lengthEnd - greeting.size()).toLongLong(&number);
    if (!number || length < 0 || length > kMostBytes) return Drop(connection);
    const QByteArray text = buffer.mid(lengthEnd + 1);
    if (text.size() < length) return;
    WriteAll(connection->fd, kAnswer);
    Drop(connection);
    emit TextHandedOver(QString::fromUtf8(text.left(length)));
}

}  // namespace lumo::app
