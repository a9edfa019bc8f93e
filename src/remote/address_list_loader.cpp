#include "remote/address_list_loader.h"

#include <QTimer>

#include <cstdlib>
#include <utility>

#include "flow/gui_channel.h"
#include "flow/worker_threads.h"
#include "net/http_request.h"
#include "remote/remote_address_list.h"

namespace lumo::remote {
namespace {

// Only a complete answer with a 2xx status is the page: an error page of a
// server that is down for maintenance would otherwise pass for a list with
// every address empty, and the update check would then declare the release
// withdrawn.
bool IsCompleteSuccess(const net::HttpResult& result) {
    if (result.failure != 0) return false;
    const int code = std::atoi(result.status.c_str());
    return code >= 200 && code < 300;
}

}  // namespace

AddressListLoader::AddressListLoader(flow::AppState& state, flow::FlowUi& ui, ServiceHosts hosts, QObject* parent)
    : QObject(parent), state_(state), ui_(ui), hosts_(std::move(hosts)), post_(flow::GuiChannel::Open(this)) {}

AddressListLoader::~AddressListLoader() { post_->Close(); }

bool AddressListLoader::LoadRemoteAddresses() {
    if (phase_ == Phase::Reading || phase_ == Phase::GaveUp) return false;
    phase_ = Phase::Reading;
    failures_ = 0;
    StartAttempt();
    return true;
}

void AddressListLoader::StartAttempt() {
    ++attempts_;
    const uint64_t serial = ++serial_;
    net::HttpRequestArgs args;
    args.url = RemoteAddressList::Address(hosts_.WebsiteHost());
    args.timeoutSeconds = timeoutSeconds_;
    auto post = post_;
    const bool started = flow::WorkerThreads::Start([this, post, serial, args] {
        const net::HttpResult result = net::HttpRequest(args);
        Attempt attempt;
        attempt.ok = IsCompleteSuccess(result) && !result.pageText.empty();
        attempt.page = result.pageText;
        post->Post([this, serial, attempt] { Finish(serial, attempt); });
    });
    // Without a thread the attempt counts as failed, so the chain goes on.
    if (!started) {
        QTimer::singleShot(0, this, [this, serial] { Finish(serial, Attempt{}); });
    }
}

void AddressListLoader::Finish(uint64_t serial, const Attempt& attempt) {
    if (serial != serial_ || phase_ != Phase::Reading) return;

    // Every attempt replaces all values; a failed one leaves them empty.
    state_.ReplaceRemoteAddresses(attempt.ok ? RemoteAddressList::Parse(attempt.page) : RemoteAddressList::Empty());

    if (attempt.ok) {
        phase_ = Phase::Read;
        if (hooks_.startUpdateCheck) hooks_.startUpdateCheck();
        if (hooks_.startCodeLibrary) hooks_.startCodeLibrary();
        if (hooks_.startKeywordLibrary) hooks_.startKeywordLibrary();
        QTimer::singleShot(noticeDelay_, Qt::PreciseTimer, this, [this] { ShowNotice(); });
        emit AddressesRead();
        return;
    }

    if (failures_ > kMostFailures) {
        phase_ = Phase::GaveUp;
        ui_.Inform(GiveUpMessage(), "Lumo", true);
        emit GaveUp();
        ui_.EndProgram();
        return;
    }
    // A coarse timer may fire up to 5% early; the pause is a minimum.
    QTimer::singleShot(retryPause_, Qt::PreciseTimer, this, [this, serial] {
        if (serial != serial_ || phase_ != Phase::Reading) return;
        ++failures_;
        StartAttempt();
    });
}

void AddressListLoader::ShowNotice() {
    if (phase_ != Phase::Read) return;
    ui_.ShowWindow(flow::WindowCode::NOTICE);
}

std::string AddressListLoader::AnnouncementText(const flow::AppState& state, const ServiceHosts& hosts) {
    const std::string published = state.RemoteAddress(kAnnouncementKey);
    if (!published.empty()) return published;
    return "Lumo官网：" + hosts.WebsiteAddress();
}

std::string AddressListLoader::GiveUpMessage() const {
    return "连接服务器失败,无法获取Lumo云播的服务地址。\n请通过客服QQ:" + hosts_.OperatorQq() + " 或官网 " +
           hosts_.WebsiteAddress() + " 联系我们。";
}

}  // namespace lumo::remote
