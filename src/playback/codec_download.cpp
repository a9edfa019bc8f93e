#include "playback/codec_download.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <system_error>
#include <utility>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/timer_interval.h"
#include "net/download_job.h"
#include "playback/codec_pack.h"
#include "player/player_engine.h"

namespace lumo::playback {

namespace {

constexpr int kDisplayInterval = 1000;
constexpr int kSettleMs = 500;

}  // namespace

CodecDownload::CodecDownload(flow::AppState& state, flow::FlowUi& ui, std::string packAddress,
                             std::filesystem::path dataDirectory, QObject* parent)
    : QObject(parent),
      state_(state),
      ui_(ui),
      packAddress_(std::move(packAddress)),
      dataDirectory_(std::move(dataDirectory)) {
    displayTimer_.setObjectName(QStringLiteral("时钟1"));
    connect(&displayTimer_, &QTimer::timeout, this, &CodecDownload::Tick);
}

CodecDownload::~CodecDownload() {
    // Cancelling waits for the worker, so no event can arrive for this object
    // once it is gone; the job removes its partial file itself.
    if (job_) job_->Cancel();
    job_.reset();
    RemoveArchive();
}

std::string CodecDownload::Kilobytes(double bytes) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", std::round(bytes / 1024 * 100) / 100);
    std::string text(buffer);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string CodecDownload::Part(int n) { return "CODECDL.状态条1_" + std::to_string(n); }

void CodecDownload::Start() {
    std::error_code error;
    std::filesystem::create_directories(dataDirectory_ / "codecs", error);
    std::mt19937 random(std::random_device{}());
    archive_ = TemporaryArchivePath(dataDirectory_, random);
    flow::SetTimerInterval(displayTimer_, kDisplayInterval);
    // The handler runs on the job's worker: it only posts to this object.
    job_ = net::StartDownload(packAddress_, archive_.string(), [this](net::DownloadEvent event, int64_t value) {
        switch (event) {
        case net::DownloadEvent::SizeKnown:
            QMetaObject::invokeMethod(this, [this, value] { OnSizeKnown(value); }, Qt::QueuedConnection);
            return 0;
        case net::DownloadEvent::Finished:
            QMetaObject::invokeMethod(this, [this] { OnFinished(); }, Qt::QueuedConnection);
            return 0;
        case net::DownloadEvent::Failed:
            QMetaObject::invokeMethod(
                this, [this] { Fail("下载失败：" + (job_ ? job_->FailureText() : std::string())); }, Qt::QueuedConnection);
            return 0;
        case net::DownloadEvent::ReplaceTarget:
            return 1;
        }
        return 0;
    }, UnpackedAtOnce());
}

// The archive is unpacked and deleted right after it arrives: it need not
// reach the disk first.
net::DownloadOptions CodecDownload::UnpackedAtOnce() {
    net::DownloadOptions options;
    options.durable = false;
    return options;
}

void CodecDownload::Tick() {
    if (!job_) return;
    const double speed = job_->CurrentSpeed();
    const double received = static_cast<double>(job_->BytesReceived());
    ui_.SetText(Part(1), Kilobytes(speed) + "kb/秒");
    // Until the size is known there is no share to show.
    int percent = 0;
    if (totalSize_ > 0) percent = static_cast<int>(std::clamp(received / totalSize_ * 100, 0.0, 100.0));
    ui_.SetValue(kProgress, percent);
    ui_.SetText(Part(2), Kilobytes(received) + "KB");
    ui_.SetText(Part(3), std::to_string(ui_.Value(kProgress)) + "%");
}

void CodecDownload::OnSizeKnown(int64_t bytes) {
    totalSize_ = static_cast<double>(bytes);
    ui_.SetText(Part(0), Kilobytes(totalSize_) + "KB");
}

void CodecDownload::OnFinished() {
    emit Downloaded();
    const ExtractResult result = ExtractZip(archive_, dataDirectory_ / "codecs");
    for (const std::string& entry : result.refused) qWarning() << "codec pack entry refused:" << entry.c_str();
    if (!result.Ok()) {
        Fail("解压失败：" + result.error);
        return;
    }
    // A moment for the window to show the last progress before it goes.
    QTimer::singleShot(kSettleMs, this, &CodecDownload::Complete);
}

void CodecDownload::Complete() {
    ui_.SetText(kHeadline, "下载完毕");
    displayTimer_.stop();
    for (int n = 0; n < 4; ++n) ui_.SetText(Part(n), "");
    ui_.SetValue(kProgress, 0);
    RemoveArchive();
    emit Ended(true);
    ui_.SetVisible("CODECDL", false);
    if (!state_.currentInfoHash.empty()) {
        // The torrent's film plays on.
    } else if (!state_.lastLocalMediaPath.empty()) {
        state_.player.OpenA(state_.lastLocalMediaPath);
    } else {
        ui_.Inform("解码器下载完毕,欢迎使用！", "Lumo提示:", true);
    }
    ui_.CloseWindow(flow::WindowCode::CODECDL);
}

void CodecDownload::Fail(const std::string& headline) {
    if (failed_) return;
    failed_ = true;
    displayTimer_.stop();
    job_.reset();
    RemoveArchive();
    ui_.SetText(kHeadline, headline);
    emit Ended(false);
}

void CodecDownload::RemoveArchive() {
    if (archive_.empty()) return;
    std::error_code error;
    std::filesystem::remove(archive_, error);
}

void CodecDownload::ManualDownload() {
    ui_.OpenInBrowser(packAddress_);
    ui_.Inform("手动下载完后，解压在播放器当前目录即可", "Lumo提示：", false);
}

}  // namespace lumo::playback
