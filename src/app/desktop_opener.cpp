#include "app/desktop_opener.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/flow_wiring.h"
#include "app/main_window.h"
#include "app/player_wiring.h"
#include "app/widget_flow_ui.h"
#include "flow/app_state.h"
#include "playback/playback_controller.h"
#include "playback/subtitle_controller.h"
#include "player/player_engine.h"
#include "remote/address_list_loader.h"
#include "resolve/magnet_window_flows.h"
#include "resolve/resolution.h"
#include "resolve/resolve_endpoints.h"
#include "resolve/ui_names.h"

namespace lumo::app {

namespace {

using Kind = LaunchRequest::Kind;

// What a drop holds, read as one launch text: the first file or link, or
// the first line of a dropped text. Nothing Lumo opens gives Nothing, so
// the drop is not taken.
LaunchRequest DroppedRequest(const QMimeData* data) {
    if (data == nullptr) return {};
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            const QString text = url.isLocalFile() ? url.toLocalFile() : url.toString();
            LaunchRequest request = ClassifyLaunchText(text.toStdString(), "/");
            if (request.kind != Kind::Nothing && request.kind != Kind::Refused) return request;
        }
        return {};
    }
    if (data->hasText()) {
        const QString text = data->text().trimmed().section(QLatin1Char('\n'), 0, 0);
        LaunchRequest request = ClassifyLaunchText(text.toStdString(), "/");
        // Loose text is taken only as a link: a word that happens to name a
        // file under / is no drop of that file.
        if (request.kind == Kind::Magnet || request.kind == Kind::Address) return request;
    }
    return {};
}

}  // namespace

DesktopOpener::DesktopOpener(MainWindow& main) : QObject(&main), main_(main) {
    main_.setAcceptDrops(true);
    main_.installEventFilter(this);
    if (FlowWiring* flows = main_.Flows()) {
        connect(&flows->AddressList(), &remote::AddressListLoader::AddressesRead, this, [this] {
            if (!waiting_) return;
            const LaunchRequest request = *waiting_;
            waiting_.reset();
            OpenNow(request);
        });
    }
}

bool DesktopOpener::FileListReady() const {
    return !main_.State().RemoteAddress(resolve::ResolveEndpoints::kFileListKey).empty();
}

void DesktopOpener::Open(const LaunchRequest& request) {
    if ((request.kind == Kind::Magnet || request.kind == Kind::TorrentFile) && !FileListReady()) {
        waiting_ = request;
        return;
    }
    OpenNow(request);
}

void DesktopOpener::OpenNow(const LaunchRequest& request) {
    FlowWiring* flows = main_.Flows();
    if (flows == nullptr) return;
    WidgetFlowUi& ui = flows->Ui();
    switch (request.kind) {
    case Kind::Magnet:
        // As a link typed into MAGNETWIN and "解析" pressed.
        ui.ShowWindow(flow::WindowCode::MAGNETWIN);
        ui.SetText(resolve::kMagnetInputBox, request.value);
        flows->Resolution().Magnet().ParseMagnetInput();
        break;
    case Kind::TorrentFile:
        flows->Resolution().Magnet().OpenTorrentFile(request.value);
        break;
    case Kind::MediaFile:
        flows->Player().Controller().OpenLocalPath(request.value);
        break;
    case Kind::Address:
        flows->Player().Controller().OpenMedia(request.value);
        break;
    case Kind::SubtitleFile: {
        const int state = main_.State().player.GetState();
        if (state == player::kStateReady || state == player::kStateClosing) {
            ui.Inform("没有正在播放的影片，字幕没有载入：\n" + request.value, resolve::kNoticeTitle);
            break;
        }
        flows->Player().Subtitles().LoadFile(request.value);
        break;
    }
    case Kind::Refused:
        ui.Inform(request.message, resolve::kNoticeTitle);
        break;
    case Kind::Nothing:
    case Kind::Help:
    case Kind::Version:
        break;
    }
}

void DesktopOpener::OpenHandedOver(const QString& text) {
    BringToFront();
    // Paths come absolute from the later start.
    const LaunchRequest request = ClassifyLaunchText(text.toStdString(), "/");
    // The hand-over is answered first; the parse waits on the network.
    QTimer::singleShot(0, this, [this, request] { Open(request); });
}

void DesktopOpener::BringToFront() {
    main_.setWindowState(main_.windowState() & ~Qt::WindowMinimized);
    main_.show();
    main_.raise();
    main_.activateWindow();
}

bool DesktopOpener::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &main_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (DroppedRequest(drag->mimeData()).kind == Kind::Nothing) return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const LaunchRequest request = DroppedRequest(drop->mimeData());
        if (request.kind == Kind::Nothing) return false;
        drop->acceptProposedAction();
        // The drag source waits for the drop to end; the parse may take long.
        QTimer::singleShot(0, this, [this, request] { Open(request); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

}  // namespace lumo::app
