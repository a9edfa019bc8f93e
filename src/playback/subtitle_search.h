#pragma once

#include <QObject>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lumo::flow {
struct AppState;
class FlowUi;
class GuiChannel;
}  // namespace lumo::flow

namespace lumo::playback {

class SubtitleController;

// One subtitle the site lists: its file name, "language/format", and the
// address of the file.
struct SubtitleHit {
    std::string name;
    std::string tag;
    std::string address;
};

// The subtitle search inside the panel: asks the subtitle site for the last
// film's IMDb text (or the current film's title), lists what it finds, and
// on a double-click downloads the file into the data directory's subtitles/
// and loads it. Every bad answer ends in the panel's status text. The
// requests run on workers; the results come back through a channel that
// this object closes when it goes.
class SubtitleSearch : public QObject {
    Q_OBJECT
public:
    SubtitleSearch(flow::AppState& state, flow::FlowUi& ui, SubtitleController& subtitles, std::string site,
                   std::filesystem::path dataDirectory, QObject* parent = nullptr);
    ~SubtitleSearch() override;

    void Search();
    void Download(int row);

    // The hits of a result page; the site's base address makes the links
    // absolute.
    static std::vector<SubtitleHit> ParsePage(const std::string& html, const std::string& site);
    // Whether downloaded bytes are a subtitle text (SubRip, SSA/ASS, WebVTT,
    // SAMI or MicroDVD) rather than a page or garbage.
    static bool LooksLikeSubtitle(const std::string& bytes);
    // A file name that stays inside the folder it is written to.
    static std::string SafeFileName(const std::string& name);

    static constexpr const char* kList = "超级列表框字幕";
    static constexpr const char* kStatus = "SUBTITLE.透明标签字幕状态";

signals:
    // A search or a download has ended (for tests).
    void Done();

private:
    void ShowHits(uint64_t generation, bool reached, std::vector<SubtitleHit> hits);
    void Loaded(const std::string& path, const std::string& name, const std::string& failure);

    flow::AppState& state_;
    flow::FlowUi& ui_;
    SubtitleController& subtitles_;
    std::string site_;
    std::filesystem::path dataDirectory_;
    std::shared_ptr<flow::GuiChannel> channel_;
    std::vector<SubtitleHit> hits_;
};

}  // namespace lumo::playback
