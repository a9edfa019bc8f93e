#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "account/login_request.h"
#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/gui_channel.h"
#include "remote/service_hosts.h"

namespace lumo::account {

// The forum login: the login window's handlers, the login on a worker, what
// a login leaves behind (the session flag, the user's name and id, the
// remembered account) and the user-centre page; and the logout of the main
// window's login button.
//
// A login belongs to the window it was started from. Closing the window, or
// starting another login, cancels it: its result is dropped on the GUI
// thread and changes nothing, and its worker skips the profile request when
// it learns of the cancel in time.
class LoginController : public QObject {
    Q_OBJECT
public:
    // `state` and `ui` must outlive the controller. `configIni` is the
    // settings file that remembers the account.
    LoginController(flow::AppState& state, flow::FlowUi& ui, remote::ServiceHosts hosts,
                    std::filesystem::path configIni, QObject* parent = nullptr);
    ~LoginController() override;

    // Leaves the full-screen layout so the result can be seen; wired by the
    // program to the playback controller's full-screen switch.
    void SetLeaveFullscreen(std::function<void()> leave) { leaveFullscreen_ = std::move(leave); }
    void SetRequestTimeout(int seconds) { timeoutSeconds_ = seconds; }

    // The login window was created: fill in the remembered account.
    void PrefillLogin();
    // The login button, or Enter in the password box.
    void StartLogin();
    // A key pressed in the password box; Enter (13) starts the login.
    // Returns whether the key was taken.
    bool PasswordKeyDown(int key);
    // "注册账号" and "忘记密码".
    void OpenRegistrationPage();
    void OpenForgotPasswordPage();
    // The window's close button: the window goes at once, then the login is
    // cancelled.
    void CloseLoginWindow();
    // Cancels the running login, if any, without touching the window.
    void CancelLogin();

    // Shows the logged-in user's forum space on the user-centre page.
    void OpenProfilePage();
    // Drops the session: not logged in, no user name, the main window's
    // button offers the login again.
    void Logout();
    // The main window's login button: unless it reads exactly "登录", the
    // session is dropped first; then the login window opens.
    void MainLoginButtonClicked();

    bool LoginRunning() const { return running_; }
    const std::string& UserId() const { return userId_; }
    // The group text of the last successful login.
    const std::string& GroupText() const { return groupText_; }
    // The cookies of the forum session the last successful login opened
    // ("name=value; name=value").
    const std::string& SessionCookies() const { return sessionCookies_; }

signals:
    // A login reached its end (not sent for cancelled ones).
    void LoginFinished(bool succeeded);

private:
    void Finish(uint64_t serial, const std::string& account, const std::string& password,
                const LoginOutcome& outcome);

    flow::AppState& state_;
    flow::FlowUi& ui_;
    remote::ServiceHosts hosts_;
    std::filesystem::path configIni_;
    std::shared_ptr<flow::GuiChannel> post_;
    std::function<void()> leaveFullscreen_;
    int timeoutSeconds_ = 60;
    uint64_t serial_ = 0;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    bool running_ = false;
    std::string userId_;
    std::string groupText_;
    std::string sessionCookies_;
};

}  // namespace lumo::account
