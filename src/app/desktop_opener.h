#pragma once

#include <QObject>
#include <QString>

#include <optional>

#include "app/launch_request.h"

namespace lumo::app {

class MainWindow;

// Opens what Lumo was handed from the desktop (the command line, a later
// start, a drop on MAIN) through the same flows as the windows: magnet
// links and .torrent files end in MAGNETWIN's file list, media files and
// addresses play, a subtitle file goes into the film playing. Also takes
// the drops on MAIN. Lives on the GUI thread, inside MAIN's life.
class DesktopOpener : public QObject {
    Q_OBJECT
public:
    explicit DesktopOpener(MainWindow& main);

    // A file list can only be asked for once the operators' address list is
    // in: until then a magnet link or .torrent file waits (the latest one).
    void Open(const LaunchRequest& request);

    // A text a later start handed over: MAIN comes to the front, then the
    // text is opened once the hand-over has been answered.
    void OpenHandedOver(const QString& text);

    void BringToFront();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FileListReady() const;
    void OpenNow(const LaunchRequest& request);

    MainWindow& main_;
    std::optional<LaunchRequest> waiting_;
};

}  // namespace lumo::app
