#pragma once

#include <optional>
#include <string>
#include <string_view>

// How the texts of the configuration numbers become libmpv settings, and
// back. All parsing is strict: a value that does not fit is refused and the
// setting keeps what it had.
namespace lumo::engine {

// "1" or "0" (surrounding spaces allowed).
std::optional<bool> ParseSwitch(std::string_view text);
// A decimal integer, optionally signed.
std::optional<long long> ParseInteger(std::string_view text);

// Sound channel 0 stereo, 1 left, 2 right, 3 both mixed.
std::optional<int> ParseChannel(std::string_view text);
// The audio filter chain for a channel; empty for plain stereo.
std::string ChannelFilter(int channel);

// The video filter chain for picture enhancement and the 3D view.
std::string VideoFilters(bool enhance, bool stereo3d);

// "1;50;" followed by the position from 1 (top) to 100 (bottom); the result
// is the subtitle position on the player's scale, clamped to 0..100.
std::optional<int> ParseSubtitlePosition(std::string_view text);
std::string FormatSubtitlePosition(int position);

// Milliseconds (decimals and a sign allowed) followed by ";1000;1000".
std::optional<double> ParseSubtitleDelayMs(std::string_view text);
std::string FormatSubtitleDelay(double seconds);

// The value of configuration 1105, such as "FTN5K=abc": refused when it
// holds line breaks or other control characters, which would let it forge
// further request headers.
std::optional<std::string> ParseCookie(std::string_view text);

// The on-screen text as the player's message line: shown as typed, with no
// property expansion and no control characters.
std::string OverlayMessage(std::string_view text);

// Font size and margins of the on-screen text are given in pixels of the
// normal video area, which is 512 pixels high; the player scales its text
// to a 720-pixel-high reference.
double ScaleToPlayer(double pixels);

bool IsHttpAddress(std::string_view address);

}  // namespace lumo::engine
