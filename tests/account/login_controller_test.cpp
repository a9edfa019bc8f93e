#include "account/login_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "account/login_fixture.h"
#include "store/ini_file.h"
#include "text/codecs.h"
#include "store/settings_keys.h"

namespace lumo::account {
namespace {

using namespace std::chrono_literals;
using lumo::testing::RunEventsFor;
using lumo::testing::WaitFor;

class LoginTest : public LoginFixture {
protected:
    int Index(const std::string& line) const {
        const auto it = std::find(ui.log.begin(), ui.log.end(), line);
        return it == ui.log.end() ? -1 : static_cast<int>(it - ui.log.begin());
    }
    std::string Remembered(std::string_view key) const {
        return store::IniFile(store::ConfigIniPath()).Read(store::kConfigSection, key);
    }
    void Remember(const std::string& account, const std::string& password) const {
        ASSERT_TRUE(store::IniFile(store::ConfigIniPath())
                        .WriteKeys(store::kConfigSection, {{std::string(store::kAccountKey), account},
                                                           {std::string(store::kPasswordKey), password}}));
    }
    void SlowLogins(int ms, int count = 0) {
        sim::Fault slow;
        slow.kind = sim::FaultKind::Delay;
        slow.ms = ms;
        slow.count = count;
        slow.pathPrefix = "/member.php";
        sim.SetFault(sim::Service::Forum, slow);
    }
    bool LoginRequestArrived() {
        return WaitFor([&] { return Requests(sim::Service::Forum) >= 1; }, 3s);
    }
    void ExpectWindowBackToIdle() {
        EXPECT_EQ(ui.texts[kLoginButton], "登录");
        EXPECT_TRUE(ui.enabled[kLoginButton]);
        EXPECT_EQ(ui.texts[kLoginTip], "");
        EXPECT_FALSE(ui.visible[kLoginLoading]);
        EXPECT_TRUE(ui.IsWindowLoaded(flow::WindowCode::LOGIN)) << "the window stays for another try";
    }
};

TEST_F(LoginTest, ASuccessfulLoginSetsUpTheSessionAndShowsTheProfile) {
    const auto& user = User("lumo");
    state.userLabel = "earlier";
    Type(user.name, user.password);
    controller->StartLogin();

    // While it runs.
    EXPECT_EQ(ui.texts[kLoginButton], "重新登录");
    EXPECT_FALSE(ui.enabled[kLoginButton]);
    EXPECT_EQ(ui.texts[kLoginTip], "登录中...");
    EXPECT_TRUE(ui.visible[kLoginLoading]);
    EXPECT_EQ(state.userLabel, "");
    EXPECT_TRUE(controller->LoginRunning());

    ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
    EXPECT_TRUE(lastResult);
    EXPECT_EQ(state.loggedIn, 1);
    EXPECT_EQ(state.userLabel, "lumo");
    EXPECT_EQ(controller->UserId(), user.uid);
    EXPECT_EQ(ui.texts[kMainLoginButton], "(lumo)退出登录");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "登录成功,欢迎您:lumo");
    EXPECT_EQ(ui.messages[0].title, "Lumo提示:");

    const std::string profile = hosts.ProfileBase() + "/home.php?mod=space&uid=" + user.uid;
    ASSERT_EQ(ui.navigations.size(), 1u);
    EXPECT_EQ(ui.navigations[0], std::make_pair(std::string(kProfileBrowser), profile));
    EXPECT_EQ(ui.pages[kLibraryTabs], 5);
    EXPECT_TRUE(ui.enabled[kLoginButton]);
    EXPECT_EQ(ui.texts[kLoginTip], "");
    EXPECT_FALSE(ui.visible[kLoginLoading]);
    EXPECT_FALSE(ui.IsWindowLoaded(flow::WindowCode::LOGIN));
    // The profile is on show before the greeting, the window goes after it.
    EXPECT_LT(Index("navigate " + std::string(kProfileBrowser) + " " + profile),
              Index("inform 登录成功,欢迎您:lumo"));
    EXPECT_LT(Index("inform 登录成功,欢迎您:lumo"), Index("window- LOGIN"));
    EXPECT_FALSE(controller->LoginRunning());
}

TEST_F(LoginTest, TheLoginRequestGoesOutByteForByte) {
    struct Case {
        const char* account;
        const char* sentAccount;
    };
    for (const Case c : {Case{"lumo", "lumo"}, Case{"中文", "%E4%B8%AD%E6%96%87"}, Case{"a b.c-d", "a%20b.c-d"}}) {
        sim.ResetCounters();
        const auto& user = User(c.account);
        ui.ShowWindow(flow::WindowCode::LOGIN);
        ASSERT_TRUE(LogIn(user.name, user.password)) << c.account;

        const auto requests = ForumRequests();
        ASSERT_GE(requests.size(), 2u);
        const auto& login = requests[requests.size() - 2];
        EXPECT_EQ(login.method, "POST");
        EXPECT_EQ(login.target,
                  "/member.php?mod=logging&action=login&loginsubmit=yes&infloat=yes&lssubmit=yes&inajax=1");
        // The password, "&", "+", "%" and blanks included, goes percent-encoded
        // so the forum's form parser gets it whole.
        EXPECT_EQ(login.body, std::string("fastloginfield=username&username=") + c.sentAccount + "&password=" +
                                  text::UrlEncode(user.password, true, true) + "&quickforward=yes&handlekey=ls");
        EXPECT_EQ(login.Header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(login.Header("Accept"), "*/*");
        EXPECT_EQ(login.Header("Accept-Language"), "zh-cn");
        EXPECT_EQ(login.Header("Referer"), "http://" + sim.HostPort(sim::Service::Forum) + login.target);
        EXPECT_EQ(login.Header("Cookie"), "");
        EXPECT_EQ(state.userLabel, user.name);
        EXPECT_EQ(controller->UserId(), user.uid);
    }
}

TEST_F(LoginTest, RememberPasswordWritesTheAccountAndOnlyWhenTicked) {
    Remember("old", "oldpw");
    ASSERT_TRUE(LogIn("lumo", "lumo2016"));
    EXPECT_EQ(Remembered(store::kAccountKey), "old") << "not ticked: what was remembered stays";
    EXPECT_EQ(Remembered(store::kPasswordKey), "oldpw");

    ui.checked.insert(kRememberBox);
    ui.ShowWindow(flow::WindowCode::LOGIN);
    ASSERT_TRUE(LogIn("中文", "密码&+%"));
    EXPECT_EQ(Remembered(store::kAccountKey), "中文");
    EXPECT_EQ(Remembered(store::kPasswordKey), "密码&+%");

    // And the next login window offers them.
    ui.texts.clear();
    controller->PrefillLogin();
    EXPECT_EQ(ui.texts[kAccountBox], "中文");
    EXPECT_EQ(ui.texts[kPasswordBox], "密码&+%");

    // A failed login writes nothing, ticked or not.
    ui.ShowWindow(flow::WindowCode::LOGIN);
    EXPECT_FALSE(LogIn("lumo", "wrong"));
    EXPECT_EQ(Remembered(store::kAccountKey), "中文");
}

TEST_F(LoginTest, AWrongPasswordShowsTheForumsMessage) {
    EXPECT_FALSE(LogIn("lumo", "wrong"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "登录失败,请重新登录,登录失败，您还可以尝试 4 次");
    EXPECT_EQ(ui.messages[0].title, "Lumo提示:");
    EXPECT_EQ(state.loggedIn, 0);
    EXPECT_EQ(state.userLabel, "");
    EXPECT_TRUE(ui.navigations.empty());
    EXPECT_EQ(ui.texts.count(kMainLoginButton), 0u);
    ExpectWindowBackToIdle();

    // The window is ready for another try, which may succeed.
    EXPECT_TRUE(LogIn("lumo", "lumo2016"));
    EXPECT_EQ(state.loggedIn, 1);
}

TEST_F(LoginTest, AnEmptyAnswerFailsWithTheFixedMessage) {
    struct Case {
        sim::FaultKind kind;
        const char* path;  // empty: every forum page
    };
    for (const Case c : {Case{sim::FaultKind::Empty, ""}, Case{sim::FaultKind::Drop, "/member.php"}}) {
        sim::Fault fault;
        fault.kind = c.kind;
        fault.pathPrefix = c.path;
        sim.SetFault(sim::Service::Forum, fault);
        ui.messages.clear();
        EXPECT_FALSE(LogIn("lumo", "lumo2016"));
        ASSERT_EQ(ui.messages.size(), 1u) << sim::FaultKindName(c.kind);
        EXPECT_EQ(ui.messages[0].text, "登录失败,请从新登录！");
        EXPECT_EQ(state.loggedIn, 0);
        ExpectWindowBackToIdle();
    }
    // A forum host that the address list did not publish fails the same way.
    sim.ClearFaults();
    state.SetRemoteAddress(remote::kForumHostKey, "");
    ui.messages.clear();
    EXPECT_FALSE(LogIn("lumo", "lumo2016"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "登录失败,请从新登录！");
}

TEST_F(LoginTest, TheProfileNotTheLoginAnswerDecides) {
    // The login answer comes back empty but its session cookie was set: the
    // profile shows the user, so the login stands.
    sim::Fault fault;
    fault.kind = sim::FaultKind::Empty;
    fault.pathPrefix = "/member.php";
    sim.SetFault(sim::Service::Forum, fault);
    EXPECT_TRUE(LogIn("lumo", "lumo2016"));
    EXPECT_EQ(state.loggedIn, 1);
    EXPECT_EQ(controller->UserId(), User("lumo").uid);
}

TEST_F(LoginTest, EmptyBoxesAreRefusedBeforeAnythingIsSent) {
    Type("", "secret");
    controller->StartLogin();
    Type("lumo", "");
    controller->StartLogin();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "请输入账号！");
    EXPECT_EQ(ui.messages[1].text, "请输入密码！");
    EXPECT_EQ(ui.messages[1].title, "Lumo提示:");
    EXPECT_FALSE(controller->LoginRunning());
    EXPECT_EQ(ui.texts.count(kLoginButton), 0u);
    RunEventsFor(50ms);
    EXPECT_EQ(Requests(sim::Service::Forum), 0u);
}

TEST_F(LoginTest, OnlyEnterInThePasswordBoxStartsTheLogin) {
    Type("lumo", "lumo2016");
    EXPECT_FALSE(controller->PasswordKeyDown('a'));
    EXPECT_FALSE(controller->PasswordKeyDown(10));
    EXPECT_FALSE(controller->LoginRunning());
    EXPECT_TRUE(controller->PasswordKeyDown(13));
    EXPECT_TRUE(controller->LoginRunning());
    ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
    EXPECT_TRUE(lastResult);
}

TEST_F(LoginTest, ClosingTheWindowMidwayLeavesNoTrace) {
    // An earlier session survives a later login that is closed.
    ASSERT_TRUE(LogIn("lumo", "lumo2016"));
    sim.ResetCounters();
    ui = lumo::testing::ScriptedFlowUi();
    ui.ShowWindow(flow::WindowCode::LOGIN);

    SlowLogins(300);
    Type("vip", "vip888");
    controller->StartLogin();
    ASSERT_TRUE(LoginRequestArrived());
    controller->CloseLoginWindow();
    EXPECT_FALSE(ui.IsWindowLoaded(flow::WindowCode::LOGIN)) << "the window goes at once";
    const size_t atClose = ui.log.size();

    ASSERT_TRUE(sim.WaitIdle(3s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(5s));
    RunEventsFor(100ms);
    EXPECT_EQ(ui.log.size(), atClose) << ui.log.back();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(state.loggedIn, 1);
    EXPECT_EQ(controller->UserId(), User("lumo").uid);
    EXPECT_FALSE(controller->LoginRunning());
    EXPECT_EQ(Requests(sim::Service::Forum), 1u) << "no profile request after the close";
}

TEST_F(LoginTest, AWindowGoneByAnotherRoadDropsTheResultToo) {
    SlowLogins(200);
    Type("lumo", "lumo2016");
    controller->StartLogin();
    ASSERT_TRUE(LoginRequestArrived());
    ui.CloseWindow(flow::WindowCode::LOGIN);  // e.g. the main window's close button
    const size_t atClose = ui.log.size();
    ASSERT_TRUE(sim.WaitIdle(3s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(5s));
    RunEventsFor(100ms);
    EXPECT_EQ(ui.log.size(), atClose);
    EXPECT_EQ(state.loggedIn, 0);
    EXPECT_FALSE(controller->LoginRunning());
}

TEST_F(LoginTest, ASecondLoginOwnsTheWindow) {
    // The first, with a wrong password, is slow; Enter starts a second one.
    SlowLogins(300, 1);
    Type("lumo", "wrong");
    controller->StartLogin();
    ASSERT_TRUE(LoginRequestArrived());
    Type("lumo", "lumo2016");
    EXPECT_TRUE(controller->PasswordKeyDown(13));
    ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
    ASSERT_TRUE(sim.WaitIdle(3s));
    ASSERT_TRUE(flow::WorkerThreads::WaitIdle(5s));
    RunEventsFor(100ms);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(lastResult);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "登录成功,欢迎您:lumo");
    EXPECT_EQ(state.loggedIn, 1);
}

TEST_F(LoginTest, WhatWasSentIsWhatIsKept) {
    // The boxes can still be edited while a login runs.
    ui.checked.insert(kRememberBox);
    SlowLogins(200);
    Type("lumo", "lumo2016");
    controller->StartLogin();
    Type("someone", "else");
    ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
    EXPECT_TRUE(lastResult);
    EXPECT_EQ(state.userLabel, "lumo");
    EXPECT_EQ(ui.texts[kMainLoginButton], "(lumo)退出登录");
    EXPECT_EQ(Remembered(store::kAccountKey), "lumo");
    EXPECT_EQ(Remembered(store::kPasswordKey), "lumo2016");
}

TEST_F(LoginTest, TheResultIsShownOutsideFullScreen) {
    int left = 0;
    controller->SetLeaveFullscreen([&] {
        ++left;
        state.isFullscreen = 0;
    });
    state.isFullscreen = 1;
    EXPECT_FALSE(LogIn("lumo", "wrong"));
    EXPECT_EQ(left, 1);
    ui.ShowWindow(flow::WindowCode::LOGIN);
    EXPECT_TRUE(LogIn("lumo", "lumo2016"));
    EXPECT_EQ(left, 1) << "not in full screen any more";
}

TEST_F(LoginTest, TheMainLoginButtonLogsOutUnlessItOffersTheLogin) {
    ASSERT_TRUE(LogIn("lumo", "lumo2016"));
    ASSERT_EQ(ui.texts[kMainLoginButton], "(lumo)退出登录");
    ui.shown.clear();
    controller->MainLoginButtonClicked();
    EXPECT_EQ(state.loggedIn, 0);
    EXPECT_EQ(state.userLabel, "");
    EXPECT_EQ(ui.texts[kMainLoginButton], "用户登录");
    EXPECT_EQ(ui.Shown(flow::WindowCode::LOGIN), 1);

    // A button that reads "登录" opens the window and keeps the session.
    state.loggedIn = 1;
    state.userLabel = "lumo";
    ui.texts[kMainLoginButton] = "登录";
    controller->MainLoginButtonClicked();
    EXPECT_EQ(state.loggedIn, 1);
    EXPECT_EQ(state.userLabel, "lumo");
    EXPECT_EQ(ui.Shown(flow::WindowCode::LOGIN), 2);
}

TEST_F(LoginTest, TheWindowsLinksOpenTheForumsPages) {
    controller->OpenRegistrationPage();
    controller->OpenForgotPasswordPage();
    ASSERT_EQ(ui.opened.size(), 2u);
    EXPECT_EQ(ui.opened[0], state.RemoteAddress(remote::kRegistrationKey));
    EXPECT_EQ(ui.opened[1], hosts.ForumHomeAddress());
}

}  // namespace
}  // namespace lumo::account
