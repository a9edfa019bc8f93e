#include "account/login_request.h"

#include <gtest/gtest.h>

#include "account/login_fixture.h"

namespace lumo::account {
namespace {

TEST(LoginBody, EncodesTheAccountAndThePasswordAsUtf8) {
    EXPECT_EQ(LoginBody("中文", "x"),
              "fastloginfield=username&username=%E4%B8%AD%E6%96%87&password=x&quickforward=yes&handlekey=ls");
    EXPECT_EQ(LoginBody("a b.c-d", "p@ss word"),
              "fastloginfield=username&username=a%20b.c-d&password=p%40ss%20word&quickforward=yes&handlekey=ls");
    EXPECT_EQ(LoginBody("Az09_~", "a&b+c%20d"),
              "fastloginfield=username&username=Az09%5F%7E&password=a%26b%2Bc%2520d&quickforward=yes&handlekey=ls");
}

using LoginRequestTest = LoginFixture;

TEST_F(LoginRequestTest, CarriesTheSessionFromTheLoginToTheProfile) {
    const auto& user = User("vip");
    const LoginOutcome outcome = LoginRequest(sim.HostPort(sim::Service::Forum), user.name, user.password);
    ASSERT_TRUE(outcome.Succeeded()) << outcome.loginAnswer;
    EXPECT_EQ(outcome.userId, user.uid);
    // The group text runs from the label to the end of its link.
    EXPECT_EQ(outcome.groupText.substr(outcome.groupText.size() - user.group.size()), user.group);
    EXPECT_NE(outcome.sessionCookies.find("lumo_auth="), std::string::npos);

    const auto requests = ForumRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("Cookie"), "") << "a login starts with no cookies";
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].target, "/home.php?mod=space&uid=");
    EXPECT_EQ(requests[1].Header("Cookie"), outcome.sessionCookies);
}

TEST_F(LoginRequestTest, AFailedLoginSendsNoDeletedCookieToTheProfile) {
    const LoginOutcome outcome = LoginRequest(sim.HostPort(sim::Service::Forum), "lumo", "wrong");
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.forumMessage, "登录失败，您还可以尝试 4 次");
    EXPECT_EQ(outcome.sessionCookies.find("lumo_auth"), std::string::npos) << outcome.sessionCookies;
    EXPECT_EQ(outcome.sessionCookies.find("deleted"), std::string::npos) << outcome.sessionCookies;
    EXPECT_NE(outcome.sessionCookies.find("lumo_saltkey="), std::string::npos) << outcome.sessionCookies;
    EXPECT_EQ(outcome.groupText, "");
}

TEST_F(LoginRequestTest, ACancelledLoginSkipsTheProfileRequest) {
    sim::Fault slow;
    slow.kind = sim::FaultKind::Delay;
    slow.ms = 200;
    sim.SetFault(sim::Service::Forum, slow);
    std::atomic<bool> cancelled{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cancelled = true;
    });
    const LoginOutcome outcome = LoginRequest(sim.HostPort(sim::Service::Forum), "lumo", "lumo2016", &cancelled);
    canceller.join();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.Succeeded());
    ASSERT_TRUE(sim.WaitIdle());
    EXPECT_EQ(Requests(sim::Service::Forum), 1u);
}

}  // namespace
}  // namespace lumo::account
