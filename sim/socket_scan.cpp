#include "sim/socket_scan.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace lumo::sim {
namespace {

int PortOf(const sockaddr_storage& addr) {
    if (addr.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(addr).sin_port);
    if (addr.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(addr).sin6_port);
    return -1;
}

std::vector<int> OpenDescriptors() {
    std::vector<int> fds;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return fds;
    const int own = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd != own) fds.push_back(static_cast<int>(fd));
    }
    closedir(dir);
    return fds;
}

// Shuts down the accepted connections of localPort, all of them or the one
// from peerPort; returns how many.
int ShutdownMatching(int localPort, int peerPort) {
    int count = 0;
    for (int fd : OpenDescriptors()) {
        sockaddr_storage local{};
        socklen_t len = sizeof(local);
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) continue;
        if (PortOf(local) != localPort) continue;
        sockaddr_storage peer{};
        len = sizeof(peer);
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) continue;
        if (peerPort >= 0 && PortOf(peer) != peerPort) continue;
        if (shutdown(fd, SHUT_RDWR) == 0) ++count;
    }
    return count;
}

}  // namespace

bool ShutdownConnection(int localPort, int peerPort) {
    return peerPort >= 0 && ShutdownMatching(localPort, peerPort) > 0;
}

int ShutdownConnections(int localPort) { return ShutdownMatching(localPort, -1); }

}  // namespace lumo::sim
