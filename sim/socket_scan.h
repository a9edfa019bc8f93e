#pragma once

namespace lumo::sim {

// The HTTP library hands a handler no socket, so the connections of a
// listening port are found among the process's descriptors by their
// addresses: a socket whose local port is `localPort` and that has a peer
// (the listening socket has none).

// Shuts down (both ways) the connection from `peerPort` to `localPort`;
// false when there is none.
bool ShutdownConnection(int localPort, int peerPort);

// Shuts down every accepted connection of `localPort`; returns how many.
int ShutdownConnections(int localPort);

}  // namespace lumo::sim
