#include "app/launch_request.h"

#include <QUrl>

#include <system_error>

#include "playback/subtitle_controller.h"
#include "torrent/magnet_input.h"

namespace lumo::app {

namespace {

using Kind = LaunchRequest::Kind;

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// The schemes the address box names; the engine streams them directly.
bool IsStreamAddress(const std::string& lowered) {
    for (const char* scheme : {"http://", "https://", "rtsp://", "rtmp://", "ftp://", "mms://", "mmsh://"}) {
        if (StartsWith(lowered, scheme)) return true;
    }
    return false;
}

LaunchRequest Refuse(std::string value, std::string message) {
    return {Kind::Refused, std::move(value), std::move(message)};
}

LaunchRequest ClassifyPath(const std::filesystem::path& given, const std::filesystem::path& base) {
    std::filesystem::path path = given.is_absolute() ? given : base / given;
    path = path.lexically_normal();
    const std::string shown = path.string();
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        return Refuse(shown, "找不到文件：" + shown);
    }
    if (!std::filesystem::is_regular_file(status)) {
        return Refuse(shown, "Lumo 打不开这个：" + shown + "\n它不是文件。");
    }
    const std::string extension = Lowered(path.extension().string());
    if (extension == ".torrent") return {Kind::TorrentFile, shown, {}};
    if (playback::SubtitleController::IsSubtitleFile(shown)) return {Kind::SubtitleFile, shown, {}};
    // The open-file dialog lets any file through to the engine; so does this.
    return {Kind::MediaFile, shown, {}};
}

}  // namespace

LaunchRequest ClassifyLaunchText(std::string_view text, const std::filesystem::path& base) {
    const std::string_view trimmed = Trimmed(text);
    if (trimmed.empty()) return {};
    const std::string lowered = Lowered(trimmed);
    if (StartsWith(lowered, "magnet:")) return {Kind::Magnet, std::string(trimmed), {}};
    if (StartsWith(lowered, "file:")) {
        const QUrl url(QString::fromStdString(std::string(trimmed)));
        if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty()) {
            return Refuse(std::string(trimmed), "Lumo 打不开这个地址：" + std::string(trimmed));
        }
        return ClassifyPath(std::filesystem::path(url.toLocalFile().toStdString()), base);
    }
    if (IsStreamAddress(lowered)) return {Kind::Address, std::string(trimmed), {}};
    if (StartsWith(trimmed, "-")) {
        return Refuse(std::string(trimmed), "Lumo 不认识这个选项：" + std::string(trimmed) + "\n（lumo --help 列出用法）");
    }
    // A bare info-hash is what MAGNETWIN's box takes, unless a file of that
    // name is meant.
    std::error_code error;
    const std::filesystem::path path(std::string{trimmed});
    const bool exists = std::filesystem::exists(path.is_absolute() ? path : base / path, error);
    if (!exists && torrent::UsableInfoHash(trimmed)) return {Kind::Magnet, std::string(trimmed), {}};
    const size_t colon = trimmed.find(':');
    const size_t slash = trimmed.find('/');
    if (!exists && colon != std::string_view::npos && colon > 1 && (slash == std::string_view::npos || colon < slash)) {
        return Refuse(std::string(trimmed), "Lumo 打不开这个地址：" + std::string(trimmed) +
                                                "\n能打开的有磁力链接、种子文件、媒体文件和 http 等网络地址。");
    }
    return ClassifyPath(path, base);
}

LaunchRequest ClassifyCommandLine(const std::vector<std::string>& words, const std::filesystem::path& base) {
    for (const std::string& word : words) {
        if (word == "--help" || word == "-h") return {Kind::Help, {}, {}};
        if (word == "--version" || word == "-v") return {Kind::Version, {}, {}};
    }
    std::vector<std::string> things;
    bool optionsEnd = false;
    for (const std::string& word : words) {
        if (!optionsEnd && word == "--") {
            optionsEnd = true;
            continue;
        }
        things.push_back(word);
    }
    if (things.empty()) return {};
    if (things.size() > 1) {
        return Refuse(std::string(), "Lumo 一次只打开一个磁力链接、种子文件、媒体文件或地址；这次给了 " +
                                         std::to_string(things.size()) + " 个。");
    }
    if (optionsEnd && StartsWith(things.front(), "-")) return ClassifyPath(things.front(), base);
    return ClassifyLaunchText(things.front(), base);
}

std::string HandOverText(const LaunchRequest& request) {
    if (request.kind == Kind::Help || request.kind == Kind::Version) return {};
    return request.value;
}

std::string UsageText(std::string_view program) {
    std::string usage = "用法 / Usage: ";
    usage.append(program);
    usage +=
        " [磁力链接 | 种子文件 | 媒体文件 | 网络地址]\n"
        "\n"
        "  magnet:?xt=urn:btih:...   在磁力解析窗口中解析 / parse the link in the magnet window\n"
        "  FILE.torrent              列出种子中的文件 / list the torrent's files\n"
        "  FILE                      播放本地媒体文件 / play a local media file\n"
        "  http://...                播放网络地址 / play an address (also https, rtsp, rtmp, ftp, mms)\n"
        "\n"
        "Lumo 已经在运行时，参数交给正在运行的 Lumo，它的窗口会来到最前。\n"
        "When Lumo already runs, the argument goes to the running Lumo, whose window comes to the front.\n"
        "\n"
        "  -h, --help     显示此帮助 / show this help\n"
        "  -v, --version  显示版本 / show the version\n"
        "\n"
        "Environment: LUMO_HOME (data directory), LUMO_SERVICES (service hosts file).\n";
    return usage;
}

std::string VersionText() { return std::string("Lumo ") + LUMO_VERSION + "\n"; }

}  // namespace lumo::app
