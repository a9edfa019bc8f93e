#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "account/login_controller.h"
#include "account/login_names.h"
#include "remote/remote_address_list.h"
#include "remote/sim_fixture.h"
#include "store/data_directory.h"

namespace lumo::account {

// The simulator, a fresh data directory, the published forum addresses and
// a login controller on the default settings file, with the login window
// open.
class LoginFixture : public lumo::testing::SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        char pattern[] = "/tmp/lumo_login_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        home = pattern;
        ::setenv("LUMO_HOME", home.c_str(), 1);
        state.SetRemoteAddress(remote::kForumHostKey, sim.HostPort(sim::Service::Forum));
        state.SetRemoteAddress(remote::kRegistrationKey,
                               sim.BaseAddress(sim::Service::Forum) + "/member.php?mod=register");
        controller = std::make_unique<LoginController>(state, ui, hosts, store::ConfigIniPath());
        controller->SetRequestTimeout(5);
        QObject::connect(controller.get(), &LoginController::LoginFinished, [this](bool ok) {
            ++finished;
            lastResult = ok;
        });
        ui.ShowWindow(flow::WindowCode::LOGIN);
    }

    void TearDown() override {
        controller.reset();
        SimFixture::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
        ::unsetenv("LUMO_HOME");
    }

    void Type(const std::string& account, const std::string& password) {
        ui.texts[kAccountBox] = account;
        ui.texts[kPasswordBox] = password;
    }

    // Starts a login with the boxes as they are and waits for its end.
    bool LogIn(const std::string& account, const std::string& password) {
        Type(account, password);
        const int before = finished;
        controller->StartLogin();
        return lumo::testing::WaitFor([&] { return finished > before; }) && lastResult;
    }

    const sim::ForumUser& User(const std::string& name) const {
        const sim::ForumUser* user = sim.catalogue().FindUser(name);
        if (user == nullptr) throw std::runtime_error("no forum user " + name);
        return *user;
    }

    std::vector<sim::RequestRecord> ForumRequests() const { return sim.Requests(sim::Service::Forum); }

    std::filesystem::path home;
    std::unique_ptr<LoginController> controller;
    int finished = 0;
    bool lastResult = false;
};

}  // namespace lumo::account
