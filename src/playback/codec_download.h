#pragma once

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <string>

namespace lumo::flow {
struct AppState;
class FlowUi;
}  // namespace lumo::flow

namespace lumo::net {
class DownloadJob;
struct DownloadOptions;
}  // namespace lumo::net

namespace lumo::playback {

// The codec pack download behind CODECDL: downloads the pack on a worker
// into a temporary archive in the data directory, shows size, speed,
// received and percent, extracts the archive into codecs/, removes it, and
// ends by playing on, reopening the last local file, or saying it is done.
// A failed download or extraction is shown in the window, which may then be
// closed; the temporary archive goes on every end. Lives as long as the
// window (its parent there); GUI thread only.
class CodecDownload : public QObject {
    Q_OBJECT
public:
    CodecDownload(flow::AppState& state, flow::FlowUi& ui, std::string packAddress,
                  std::filesystem::path dataDirectory, QObject* parent = nullptr);
    ~CodecDownload() override;

    // The window was created: start the download.
    void Start();
    // "手动下载": the pack address in the browser, and how to use it.
    void ManualDownload();
    // Whether the window may close now: only once the download has failed.
    bool MayClose() const { return failed_; }

    QTimer& DisplayTimer() { return displayTimer_; }  // 时钟1
    const std::filesystem::path& ArchivePath() const { return archive_; }
    double TotalSize() const { return totalSize_; }

    // Bytes as kilobytes rounded to two decimals, without trailing zeros:
    // 10240 → "10", 1536 → "1.5".
    static std::string Kilobytes(double bytes);

    // Control names in CODECDL; the status bar's parts are 状态条1_0 … _3.
    static std::string Part(int n);
    static constexpr const char* kHeadline = "CODECDL.透明标签1";
    static constexpr const char* kProgress = "CODECDL.进度条1";

signals:
    // The archive is complete, before its extraction (for the benchmark).
    void Downloaded();
    // The download has ended, either way (for tests and the benchmark).
    void Ended(bool succeeded);

private:
    static net::DownloadOptions UnpackedAtOnce();
    void Tick();
    void OnSizeKnown(int64_t bytes);
    void OnFinished();
    void Complete();
    void Fail(const std::string& headline);
    void RemoveArchive();

    flow::AppState& state_;
    flow::FlowUi& ui_;
    std::string packAddress_;
    std::filesystem::path dataDirectory_;
    std::filesystem::path archive_;
    double totalSize_ = 0;
    bool failed_ = false;
    QTimer displayTimer_;
    std::shared_ptr<net::DownloadJob> job_;
};

}  // namespace lumo::playback
