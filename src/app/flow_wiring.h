#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "flow/window_code.h"
#include "remote/service_hosts.h"

class QLineEdit;
class QPoint;
class QUrl;

namespace lumo::account {
class LoginController;
}
namespace lumo::remote {
class AddressListLoader;
class UpdateChecker;
}  // namespace lumo::remote
namespace lumo::resolve {
class Resolution;
}
namespace lumo::sources {
class Sources;
}

namespace lumo::flow {
struct AppState;
}  // namespace lumo::flow

namespace lumo::app {

class MainWindow;
class PlayerWiring;
class WidgetFlowUi;

// Puts the flows behind the windows: makes the resolution, the list sources,
// the address-list loader and the update check once, on the windows of
// `main`, and connects the buttons, boxes and list clicks of the library
// view, the open menu and address box, MAGNETWIN and the play queue to them. Lives on the GUI thread and
// must go before `main` does.
class FlowWiring : public QObject {
    Q_OBJECT
public:
    FlowWiring(MainWindow& main, flow::AppState& state, remote::ServiceHosts hosts);
    ~FlowWiring() override;

    // Reads the operators' address list; what depends on it (the update
    // check, the word libraries, the announcement) starts once it is in.
    void StartAddressList();

    WidgetFlowUi& Ui() { return *ui_; }
    resolve::Resolution& Resolution() { return *resolution_; }
    sources::Sources& Sources() { return *sources_; }
    remote::AddressListLoader& AddressList() { return *addressList_; }
    remote::UpdateChecker& Updates() { return *updates_; }
    PlayerWiring& Player() { return *player_; }
    account::LoginController& Login() { return *login_; }

    // Names the desktop file of the program that opens magnet links; by
    // default asks xdg-mime. Tests put their own answer here.
    void SetMagnetHandlerQuery(std::function<QString()> query) { magnetHandlerQuery_ = std::move(query); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BindLists();
    void ConnectLibraryView();
    void ConnectMagnetWindow(QWidget* window);
    void ConnectOpenControls();
    void ConnectOpenMenu(QWidget* window);
    void ConnectUrlInput(QWidget* window);
    void ConnectPlayQueue();
    void ShowOpenMenu();
    // The torrent file dialog, then the torrent's files in MAGNETWIN.
    void OpenTorrentFile(QWidget* dialogOwner);
    void CopyQueueHash();
    void DeleteQueueRow();
    void OnRowClicked(const std::string& list, int row);
    void OnRowDoubleClicked(const std::string& list, int row);
    void OpenSharedResources();
    void ConnectListMenu();
    void ConnectLogin();
    void ConnectHomePage();
    // A magnet or .torrent link followed in a page: its files in MAGNETWIN.
    void OpenTorrentLink(const QUrl& link);
    void ConnectLoginWindow(QWidget* window);
    void ShowUserCentre();
    void ShowListMenu(const char* list, const QPoint& at);
    void DeleteFavouriteRow();
    // The selected row's magnet link to the desktop's own magnet handler.
    void DownloadWithDesktop();

    MainWindow& main_;
    flow::AppState& state_;
    const remote::ServiceHosts hosts_;
    QLineEdit* searchBox_ = nullptr;
    std::unique_ptr<WidgetFlowUi> ui_;
    std::unique_ptr<resolve::Resolution> resolution_;
    std::unique_ptr<sources::Sources> sources_;
    std::unique_ptr<remote::UpdateChecker> updates_;
    std::unique_ptr<remote::AddressListLoader> addressList_;
    std::unique_ptr<PlayerWiring> player_;
    std::unique_ptr<account::LoginController> login_;
    std::string menuList_;  // the list the list menu was last opened on
    std::function<QString()> magnetHandlerQuery_;
};

}  // namespace lumo::app
