#include "account/login_controller.h"

#include <QTimer>

#include <utility>

#include "account/login_names.h"
#include "flow/gui_channel.h"
#include "flow/worker_threads.h"
#include "remote/remote_address_list.h"
#include "store/ini_file.h"
#include "store/settings_keys.h"

namespace lumo::account {

LoginController::LoginController(flow::AppState& state, flow::FlowUi& ui, remote::ServiceHosts hosts,
                                 std::filesystem::path configIni, QObject* parent)
    : QObject(parent),
      state_(state),
      ui_(ui),
      hosts_(std::move(hosts)),
      configIni_(std::move(configIni)),
      post_(flow::GuiChannel::Open(this)) {}

LoginController::~LoginController() {
    CancelLogin();
    post_->Close();
}

void LoginController::PrefillLogin() {
    const store::IniFile config(configIni_);
    ui_.SetText(kAccountBox, config.Read(store::kConfigSection, store::kAccountKey));
    ui_.SetText(kPasswordBox, config.Read(store::kConfigSection, store::kPasswordKey));
}

bool LoginController::PasswordKeyDown(int key) {
    if (key != 13) return false;
    StartLogin();
    return true;
}

void LoginController::StartLogin() {
    const std::string account = ui_.Text(kAccountBox);
    const std::string password = ui_.Text(kPasswordBox);
    if (account.empty()) {
        ui_.Inform("请输入账号！", kLoginTitle);
        return;
    }
    if (password.empty()) {
        ui_.Inform("请输入密码！", kLoginTitle);
        return;
    }

    // Enter in the password box still works while the button is disabled;
    // the newer login then owns the window and the older one is dropped.
    CancelLogin();

    ui_.SetText(kLoginButton, kRetryCaption);
    ui_.SetEnabled(kLoginButton, false);
    ui_.SetText(kLoginTip, "登录中...");
    ui_.SetVisible(kLoginLoading, true);
    state_.userLabel.clear();

    const uint64_t serial = ++serial_;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    cancelled_ = cancelled;
    running_ = true;
    const std::string forumHost = state_.RemoteAddress(remote::kForumHostKey);
    const int timeout = timeoutSeconds_;
    auto post = post_;
    const bool started = flow::WorkerThreads::Start([this, post, serial, cancelled, forumHost, account, password,
                                                    timeout] {
        const LoginOutcome outcome = LoginRequest(forumHost, account, password, cancelled.get(), timeout);
        if (cancelled->load()) return;
        post->Post([this, serial, account, password, outcome] { Finish(serial, account, password, outcome); });
    });
    if (!started) {
        QTimer::singleShot(0, this, [this, serial, account, password] {
            Finish(serial, account, password, LoginOutcome{});
        });
    }
}

void LoginController::Finish(uint64_t serial, const std::string& account, const std::string& password,
                             const LoginOutcome& outcome) {
    // A cancelled login, or one whose window has gone by any road, changes
    // nothing.
    if (serial != serial_ || !running_ || outcome.cancelled) return;
    if (!ui_.IsWindowLoaded(flow::WindowCode::LOGIN)) {
        CancelLogin();
        return;
    }
    running_ = false;
    cancelled_.reset();

    if (state_.isFullscreen == 1 && leaveFullscreen_) leaveFullscreen_();

    if (outcome.Succeeded()) {
        state_.loggedIn = 1;
        // What was sent is what the forum accepted, even if the boxes were
        // edited while the login ran.
        if (ui_.IsChecked(kRememberBox)) {
            store::IniFile(configIni_).WriteKeys(store::kConfigSection,
                                                 {{std::string(store::kAccountKey), account},
                                                  {std::string(store::kPasswordKey), password}});
        }
        state_.userLabel = account;
        userId_ = outcome.userId;
        groupText_ = outcome.groupText;
        sessionCookies_ = outcome.sessionCookies;
        OpenProfilePage();
        ui_.SetText(kLoginTip, "");
        ui_.SetText(kMainLoginButton, "(" + state_.userLabel + ")退出登录");
        ui_.SetVisible(kLoginLoading, false);
        ui_.Inform("登录成功,欢迎您:" + state_.userLabel, kLoginTitle);
        ui_.SetEnabled(kLoginButton, true);
        ui_.CloseWindow(flow::WindowCode::LOGIN);
        emit LoginFinished(true);
        return;
    }

    ui_.SetVisible(kLoginLoading, false);
    if (!outcome.loginAnswer.empty()) {
        ui_.Inform("登录失败,请重新登录," + outcome.forumMessage, kLoginTitle);
    } else {
        ui_.Inform("登录失败,请从新登录！", kLoginTitle);
    }
    ui_.SetText(kLoginButton, kLoginCaption);
    ui_.SetText(kLoginTip, "");
    ui_.SetEnabled(kLoginButton, true);
    emit LoginFinished(false);
}

void LoginController::CloseLoginWindow() {
    ui_.CloseWindow(flow::WindowCode::LOGIN);
    CancelLogin();
}

void LoginController::CancelLogin() {
    if (!running_) return;
    if (cancelled_) cancelled_->store(true);
    cancelled_.reset();
    ++serial_;
    running_ = false;
}

void LoginController::OpenRegistrationPage() { ui_.OpenInBrowser(state_.RemoteAddress(remote::kRegistrationKey)); }

void LoginController::OpenForgotPasswordPage() { ui_.OpenInBrowser(hosts_.ForumHomeAddress()); }

void LoginController::OpenProfilePage() {
    ui_.NavigateBrowser(kProfileBrowser, hosts_.ProfileBase() + "/home.php?mod=space&uid=" + userId_);
    ui_.SetCurrentPage(kLibraryTabs, kProfilePage);
}

void LoginController::Logout() {
    state_.loggedIn = 0;
    sessionCookies_.clear();
    state_.userLabel.clear();
    ui_.SetText(kMainLoginButton, kLoggedOutCaption);
}

void LoginController::MainLoginButtonClicked() {
    if (ui_.Text(kMainLoginButton) != kLoginCaption) Logout();
    ui_.ShowWindow(flow::WindowCode::LOGIN);
}

}  // namespace lumo::account
