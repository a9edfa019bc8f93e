#pragma once

#include <QPointer>
#include <QThread>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "player/player_engine.h"

namespace lumo::flow {

// The main window's geometry at start-up, for the return from full screen.
struct SavedWindowGeometry {
    int height = 0;
    int width = 0;
    int left = 0;
    int top = 0;
    int controlBarTop = 0;
};

// The program-wide record: every value that more than one part of Lumo
// uses, alive for the whole process. Texts are UTF-8.
//
// The fields are written and read on the GUI thread, except the remote
// addresses, which the address-list worker writes while others read them;
// those sit behind a lock and are reached only through the accessors.
struct AppState {
    player::PlayerEngine player;
    uintptr_t playerVideoWindow = 0;
    int isFullscreen = 0;
    SavedWindowGeometry savedWindowGeometry;
    int loggedIn = 0;
    int resourcePage = 1;
    std::string lastLocalMediaPath;
    std::string cacheProgressText;
    std::string currentInfoHash;
    std::string currentTitle;
    std::string currentSha1;
    std::string currentSize;
    QPointer<QThread> resolveWorker;
    std::string userLabel;
    std::string subtitleSearchTerm;
    std::string homeBrowserAddress;
    int cacheBlockTotal = 0;

    // The value published under `key` in the remote address list; empty
    // until the list has been read or when the key is missing.
    std::string RemoteAddress(const std::string& key) const;
    void SetRemoteAddress(const std::string& key, const std::string& value);
    // Replaces every value at once, as each read of the list does.
    void ReplaceRemoteAddresses(std::map<std::string, std::string> values);
    std::map<std::string, std::string> RemoteAddresses() const;

private:
    mutable std::mutex remoteLock_;
    std::map<std::string, std::string> remoteAddresses_;
};

}  // namespace lumo::flow
