#include "playback/subtitle_controller.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "flow/app_state.h"
#include "flow/flow_ui.h"
#include "flow/timer_interval.h"
#include "playback/playback_controller.h"
#include "playback/player_names.h"
#include "player/player_engine.h"

namespace lumo::playback {

namespace {

constexpr int kMaxDelaySeconds = 600;
constexpr int kAutoHideInterval = 500;
constexpr const char* kSubtitleExtensions[] = {".srt", ".sub", ".ssa", ".ass", ".smi", ".psb",
                                               ".txt", ".idx", ".usf", ".xss", ".ssf"};

// A number as short decimal text: no float noise from repeated ±0.1 steps,
// and never "-0".
std::string DecimalText(double value) {
    value = std::round(value * 1e6) / 1e6;
    if (value == 0) value = 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return buffer;
}

}  // namespace

SubtitleController::SubtitleController(flow::AppState& state, flow::FlowUi& ui, PlaybackController& playback,
                                       std::string searchSite)
    : state_(state), ui_(ui), playback_(playback), searchSite_(std::move(searchSite)) {}

std::string SubtitleController::SubtitleFilter() {
    return "所有字幕文件（*.sup）;（*.srt）;(*.sub);(*.ssa);（*.ass）;(*.smi);(*.psb);（*.txt）;(*.idx);(*.usf);（*.xss）;("
           "*.ssf)|*.srt;*.sub;*.ssa;*.ass;*.smi;*.psb;*.txt;*.idx;*.usf;*.xss;*.ssf|所有文件|*.*";
}

bool SubtitleController::IsSubtitleFile(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* known : kSubtitleExtensions) {
        if (extension == known) return true;
    }
    return false;
}

double SubtitleController::LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    double sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') sign = -1;
        ++i;
    }
    double value = 0;
    bool digits = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        digits = true;
        // Beyond any bound the box checks; stop before it overflows.
        if (value > 1e12) return sign * value;
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            value += (text[i] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    return digits ? sign * value : 0;
}

// ---- the window ----------------------------------------------------------------

void SubtitleController::Open() {
    if (!ui_.IsWindowLoaded(flow::WindowCode::SUBTITLE)) ui_.ShowWindow(flow::WindowCode::SUBTITLE);
    const flow::Rect main = ui_.Geometry(kMainWindow);
    const flow::Rect bar = ui_.Geometry(kControlBar);
    flow::Rect window = ui_.Geometry(kSubtitleWindow);
    if (playback_.IsFullscreen()) {
        window.left = main.left + main.width - 745;
        window.top = main.top + bar.top - window.height;
    } else {
        window.left = main.left + main.width - window.width - 6;
        window.top = main.top + bar.top - window.height + 26;
    }
    ui_.SetGeometry(kSubtitleWindow, window);
    ui_.ShowWindow(flow::WindowCode::SUBTITLE);
}

void SubtitleController::Activated() {
    playback_.AutoHideTimer().stop();
    if (!ui_.IsVisible(kControlBar)) ui_.SetVisible(kControlBar, true);
}

void SubtitleController::Deactivated() {
    Hide();
    // The full-screen bar hides again once the pointer has left it.
    if (playback_.IsFullscreen()) flow::SetTimerInterval(playback_.AutoHideTimer(), kAutoHideInterval);
}

void SubtitleController::Hide() { ui_.CloseWindow(flow::WindowCode::SUBTITLE); }

// ---- the settings ----------------------------------------------------------------

void SubtitleController::ChooseFile() {
    const std::string path = ui_.AskOpenFile("", SubtitleFilter());
    if (!path.empty()) LoadFile(path);
}

void SubtitleController::LoadFile(const std::string& path) {
    if (path.empty()) return;
    state_.player.SetConfigA(503, path);
    // The subtitle stands where the slider says from the start, not at the
    // engine's own default until the slider is first moved.
    if (const int position = ui_.Value(kSubtitlePositionSlider); position > 0) PositionChanged(position);
}

std::string SubtitleController::SearchPageAddress() const {
    // The term goes in as it is: an IMDb text needs no encoding.
    return searchSite_ + "/search?ad=1&q=" + state_.subtitleSearchTerm;
}

void SubtitleController::WebSearch() { ui_.OpenInBrowser(SearchPageAddress());
}

void SubtitleController::ShowSubtitles(bool shown) { state_.player.SetConfigA(504, shown ? "1" : "0"); }

void SubtitleController::DelayTextChanged(const std::string& text) {
    const double seconds = LeadingNumber(text);
    const double whole = std::trunc(seconds);
    if (whole > kMaxDelaySeconds || whole < -kMaxDelaySeconds) {
        // Emptying the box runs this again with no text, which sends 0.
        ui_.SetText(kStatus, "最大输入为600");
        ui_.SetText(kSubtitleDelayBox, "");
        return;
    }
    state_.player.SetConfigA(509, DecimalText(seconds * 1000) + ";1000;1000");
}

void SubtitleController::StepDelay(bool forward) {
    const double seconds = LeadingNumber(ui_.Text(kSubtitleDelayBox)) + (forward ? 0.1 : -0.1);
    ui_.SetText(kSubtitleDelayBox, DecimalText(seconds));
}

void SubtitleController::DefaultDelay() { ui_.SetText(kSubtitleDelayBox, "0"); }

void SubtitleController::PositionChanged(int position) {
    state_.player.SetConfigA(507, "1;50;" + std::to_string(position));
}

}  // namespace lumo::playback
