#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

class QSocketNotifier;

namespace lumo::app {

// Lumo runs once per user and data directory: a later start hands its
// argument to the running Lumo over a local socket and ends.
//
// The socket lives in a directory only the user can enter: $XDG_RUNTIME_DIR
// when it is the user's own and closed to others, otherwise "lumo-<uid>" in
// the temporary directory, made so. Its name follows the data directory
// ($LUMO_HOME), so two Lumos on different data never meet. nullopt, with the
// reason in `why`, when no such directory can be had; Lumo then runs alone.
std::optional<std::filesystem::path> InstanceSocketPath(std::string* why = nullptr);

// Held while a start decides whether it is the first: two starts at the same
// moment must not both take the socket. The kernel lets go of it when the
// process dies, so a crash leaves no stale lock.
class InstanceStartLock {
public:
    InstanceStartLock(const std::filesystem::path& socket, std::chrono::milliseconds patience);
    ~InstanceStartLock();
    InstanceStartLock(const InstanceStartLock&) = delete;
    InstanceStartLock& operator=(const InstanceStartLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    void Release();

private:
    int fd_ = -1;
};

enum class HandOver {
    Delivered,   // the running Lumo took the text
    NoInstance,  // nobody listens: no socket, or one left by a Lumo that died
    NoAnswer,    // something listens but did not take the text in time
};

// The later start's side. Needs no Qt application, so it runs before any
// window or service.
HandOver HandOverToRunning(const std::filesystem::path& socket, const std::string& text,
                           std::chrono::milliseconds patience);

// The running Lumo's side.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    // Texts longer than this are no argument anyone types.
    static constexpr qint64 kMostBytes = 1 << 20;

    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    // Listens at `socket`. A socket file nobody answers on (left by a Lumo
    // that crashed) is replaced; a live one is left alone and false returned.
    bool Listen(const std::filesystem::path& socket, std::string* error = nullptr);
    bool IsListening() const;

signals:
    // A later start handed this text over (empty: it only asks for the window).
    void TextHandedOver(const QString& text);

private:
    class Connection;

    void Accept();
    void ReadFrom(Connection* connection);
    void Drop(Connection* connection);

    int listening_ = -1;
    QSocketNotifier* incoming_ = nullptr;
    std::filesystem::path path_;
};

}  // namespace lumo::app
