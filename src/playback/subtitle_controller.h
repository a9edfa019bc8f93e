#pragma once

#include <string>

namespace lumo::flow {
struct AppState;
class FlowUi;
}  // namespace lumo::flow

namespace lumo::playback {

class PlaybackController;

// The subtitle panel SUBTITLE and the menu item "手动载入字幕": loads a
// subtitle file into the engine, shows or hides subtitles, shifts them in
// time and moves them up or down. Every setting goes straight to the
// running engine; nothing is saved. GUI thread only.
class SubtitleController {
public:
    // `searchSite` is the subtitle site's base address ("http://host:port").
    SubtitleController(flow::AppState& state, flow::FlowUi& ui, PlaybackController& playback,
                       std::string searchSite);

    // The control bar's "字幕调节": loads the window when needed, places it
    // above the right end of the control bar and shows it.
    void Open();
    // The window became active / lost activation (the window wiring gives
    // MAIN the activation back).
    void Activated();
    void Deactivated();
    // "×".
    void Hide();

    // "手动载入" and the menu item: the open dialog, then engine 503. Also the
    // path dropped on the video area.
    void ChooseFile();
    void LoadFile(const std::string& path);
    // "搜索字幕": the search page in the browser.
    void WebSearch();
    // "隐藏字幕" / "显示字幕".
    void ShowSubtitles(bool shown);
    // The delay box's text changed (by the user or by the buttons).
    void DelayTextChanged(const std::string& text);
    // "-0.1" / "+0.1" and "默认".
    void StepDelay(bool forward);
    void DefaultDelay();
    // The position slider moved.
    void PositionChanged(int position);

    // The address the search button opens for the current term.
    std::string SearchPageAddress() const;

    static std::string SubtitleFilter();
    // Whether a dropped file's name looks like a subtitle file.
    static bool IsSubtitleFile(const std::string& path);
    // The leading number of a text ("1.5", "-0.1", "600.5s"); 0 when the
    // text does not start with one. Exponents, "inf" and "nan" are not
    // numbers here.
    static double LeadingNumber(const std::string& text);

private:
    flow::AppState& state_;
    flow::FlowUi& ui_;
    PlaybackController& playback_;
    std::string searchSite_;
};

// Names of the panel's controls.
inline constexpr const char* kSubtitleWindow = "SUBTITLE";
inline constexpr const char* kSubtitleDelayBox = "编辑框调节字幕同步";
inline constexpr const char* kSubtitlePositionSlider = "滑块条字幕位置";

}  // namespace lumo::playback
