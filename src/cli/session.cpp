#include "cli/session.h"

#include <QEventLoop>
#include <QTimer>

#include <iostream>

#include "remote/address_list_loader.h"
#include "resolve/resolution.h"
#include "resolve/ui_names.h"
#include "sources/sources.h"
#include "store/data_directory.h"
#include "store/history.h"
#include "store/ini_file.h"

namespace lumo::cli {
namespace {

// A terminal user waits for an answer: a dead website is given up on after
// the same twelve attempts as in the window, but without the long pauses.
constexpr std::chrono::milliseconds kRetryPause{300};
constexpr int kRequestTimeoutSeconds = 10;

remote::ServiceHosts HostsFromEnvironment() {
    std::string error;
    remote::ServiceHosts hosts = remote::ServiceHosts::FromEnvironment(&error);
    if (!error.empty()) std::cerr << "lumo-cli: " << error << " (the built-in addresses are used)\n";
    return hosts;
}

}  // namespace

Session::Session() : hosts_(HostsFromEnvironment()) {}

Session::~Session() = default;

resolve::Resolution& Session::Resolution() {
    if (!resolution_) resolution_ = std::make_unique<resolve::Resolution>(state_, ui_, hosts_);
    return *resolution_;
}

sources::Sources& Session::Sources() {
    if (!sources_) sources_ = std::make_unique<sources::Sources>(state_, ui_, Resolution().Checker(), hosts_);
    return *sources_;
}

bool Session::ReadAddressList() {
    remote::AddressListLoader loader(state_, ui_, hosts_);
    loader.SetRetryPause(kRetryPause);
    loader.SetRequestTimeout(kRequestTimeoutSeconds);
    // Nothing waits for the announcement on a terminal.
    loader.SetNoticeDelay(std::chrono::hours(24));
    if (!loader.LoadRemoteAddresses()) return false;
    using Phase = remote::AddressListLoader::Phase;
    WaitFor([&] { return loader.CurrentPhase() != Phase::Reading; }, std::chrono::minutes(10));
    return loader.CurrentPhase() == Phase::Read;
}

void Session::LoadPlayQueue() {
    flow::ListModel* queue = ui_.List(resolve::kPlayQueueList);
    if (queue == nullptr || queue->RowCount() > 0) return;
    for (const store::HistoryRow& row : store::LoadHistory(store::IniFile(store::HistoryIniPath())))
        queue->AppendRow({"", "", row.name, row.size, row.sha1, row.infoHash});
}

bool Session::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (done()) return true;
    const auto end = std::chrono::steady_clock::now() + timeout;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || std::chrono::steady_clock::now() >= end) loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

}  // namespace lumo::cli
