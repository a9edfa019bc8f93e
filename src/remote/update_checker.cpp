#include "remote/update_checker.h"

#include <QTimer>

#include <utility>

#include "flow/gui_channel.h"
#include "flow/worker_threads.h"
#include "net/inet_request.h"
#include "remote/remote_address_list.h"
#include "remote/update_page.h"
#include "text/charset.h"

namespace lumo::remote {
namespace {

constexpr const char* kTitle = "Lumo提示：";

}  // namespace

UpdateChecker::UpdateChecker(flow::AppState& state, flow::FlowUi& ui, ServiceHosts hosts, QObject* parent)
    : QObject(parent), state_(state), ui_(ui), hosts_(std::move(hosts)), post_(flow::GuiChannel::Open(this)) {}

UpdateChecker::~UpdateChecker() { post_->Close(); }

bool UpdateChecker::CheckForUpdate() {
    if (phase_ == Phase::Checking || phase_ == Phase::Ended) return false;
    phase_ = Phase::Checking;
    failures_ = 0;
    StartAttempt();
    return true;
}

void UpdateChecker::StartAttempt() {
    ++attempts_;
    const uint64_t serial = ++serial_;
    net::InetRequestArgs args;
    args.url = UpdatePage::Address(state_.RemoteAddress(kForumHostKey));
    args.timeoutSeconds = timeoutSeconds_;
    auto post = post_;
    const bool started = flow::WorkerThreads::Start([this, post, serial, args] {
        // The page's bytes are GBK text up to the first zero byte.
        const std::string page = text::GbkToUtf8(text::UntilZero(net::InetRequest(args).body));
        post->Post([this, serial, page] { Finish(serial, page); });
    });
    if (!started) {
        QTimer::singleShot(0, this, [this, serial] { Finish(serial, std::string()); });
    }
}

void UpdateChecker::Finish(uint64_t serial, const std::string& page) {
    if (serial != serial_ || phase_ != Phase::Checking) return;

    const UpdatePage read = UpdatePage::Read(page);
    state_.SetRemoteAddress(kDownloadPageKey, read.downloadAddress);
    status_ = read.status;

    if (read.status.empty()) {
        if (failures_ > kMostFailures) {
            ui_.Inform(GiveUpMessage(), kTitle, true);
            ui_.OpenInBrowser(hosts_.WebsiteAddress());
            End();
            return;
        }
        ++failures_;
        StartAttempt();
        return;
    }

    phase_ = Phase::Done;
    if (read.status == UpdatePage::kNewerRelease) {
        if (ui_.AskYesNo("Lumo云播已更新到v1.7，是否打开下载页面进行更新？", kTitle, false)) {
            ui_.OpenInBrowser(state_.RemoteAddress(kDownloadPageKey));
            End();
            return;
        }
    } else if (read.status == UpdatePage::kWithdrawn) {
        if (ui_.AskYesNo("Lumo云播v1.6已停用，是否打开下载页面进行更新？", kTitle, true)) {
            ui_.OpenInBrowser(state_.RemoteAddress(kDownloadPageKey));
        }
        End();
        return;
    }
    emit CheckEnded();
}

void UpdateChecker::End() {
    phase_ = Phase::Ended;
    emit CheckEnded();
    ui_.EndProgram();
}

std::string UpdateChecker::GiveUpMessage() const {
    return "Lumo云播v1.6已停用,请到官网 " + hosts_.WebsiteAddress() + " 下载最新版本。";
}

}  // namespace lumo::remote
