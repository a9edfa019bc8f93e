// Lumo on the desktop: what its command line and a drop on MAIN open, a later
// start handing its argument to the running Lumo (the real program started
// as that later start), the socket's safety, and the desktop entry that
// xdg-open follows. Against the in-process simulator with the stand-in engine.
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QUrl>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "app/desktop_opener.h"
#include "app/launch_request.h"
#include "app/list_view.h"
#include "app/magnet_window.h"
#include "app/main_job_fixture.h"
#include "app/single_instance.h"
#include "remote/address_list_loader.h"

namespace lumo::app {
namespace {

using Kind = LaunchRequest::Kind;

constexpr const char* kBase32Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

// The base32 form of a 40-digit hash, as some sites write it.
std::string Base32(const std::string& hex) {
    std::string out;
    uint32_t buffer = 0;
    int bits = 0;
    for (char c : hex) {
        buffer = (buffer << 4) | static_cast<uint32_t>(std::stoi(std::string(1, c), nullptr, 16));
        bits += 4;
        if (bits >= 5) {
            bits -= 5;
            out.push_back(kBase32Alphabet[(buffer >> bits) & 31]);
        }
    }
    return out;
}

class DesktopTest : public MainJobTest {
protected:
    void SetUp() override {
        MainJobTest::SetUp();
        ASSERT_TRUE(runtime.isValid());
        chmod(runtime.path().toUtf8().constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void TearDown() override {
        MainJobTest::TearDown();
        qunsetenv("XDG_RUNTIME_DIR");
    }

    // What a start of the real program sees: this test's data and runtime
    // directories, and no display to fall back on.
    QProcessEnvironment ProgramEnvironment() const {
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("HOME", home.path());
        env.insert("LUMO_HOME", home.path());
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        return env;
    }

    // Runs `program` to its end; its exit code, or -1 when it had to be killed.
    int Run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
            QByteArray* output = nullptr, const QString& workingDir = {}) {
        QProcess process;
        process.setProcessEnvironment(env);
        if (!workingDir.isEmpty()) process.setWorkingDirectory(workingDir);
        process.start(program, arguments);
        // The running Lumo answers from this event loop.
        const bool ended = WaitFor([&] { return process.state() == QProcess::NotRunning; }, std::chrono::seconds(30));
        if (!ended) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        if (output) *output = process.readAllStandardOutput() + process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // MAIN as the program runs it: listening for later starts and opening
    // what comes in and what is dropped on it.
    void StartListening() {
        StartRead();
        opener = new DesktopOpener(*main);
        const auto socket = InstanceSocketPath();
        ASSERT_TRUE(socket.has_value());
        ASSERT_EQ(socket->parent_path(), std::filesystem::path(runtime.path().toStdString()));
        std::string error;
        ASSERT_TRUE(server.Listen(*socket, &error)) << error;
        QObject::connect(&server, &InstanceServer::TextHandedOver, opener, &DesktopOpener::OpenHandedOver);
    }

    MagnetWindow* Magnet() { return qobject_cast<MagnetWindow*>(main->LoadedWindow(flow::WindowCode::MAGNETWIN)); }

    // MAGNETWIN lists the files of `entry`, each row checked.
    bool ListsFilesOf(const lumo::sim::CatalogueEntry& entry) {
        return WaitFor([&] {
            MagnetWindow* magnet = Magnet();
            if (magnet == nullptr || magnet->List()->RowCount() != static_cast<int>(entry.files.size())) return false;
            for (int row = 0; row < magnet->List()->RowCount(); ++row)
                if (magnet->List()->StateValue(row) < 0 || magnet->List()->StateValue(row) == 3) return false;
            return true;
        });
    }

    bool Informed(const QString& part) const {
        for (const auto& asked : prompter.History())
            if (asked.text.contains(part)) return true;
        return false;
    }

    // A torrent other than entry 2's, so its list tells itself apart.
    static const lumo::sim::CatalogueEntry& WithTorrentFile() {
        for (const auto& entry : sim_->catalogue().entries())
            if (!entry.torrent.empty() && entry.id != 2) return entry;
        throw std::runtime_error("no entry with a .torrent file");
    }

    void Drop(QMimeData& data) {
        const QPoint at(main->width() / 2, main->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(main.data(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(main.data(), &drop);
        ASSERT_TRUE(drop.isAccepted());
    }

    QTemporaryDir runtime;
    InstanceServer server;
    QPointer<DesktopOpener> opener;
};

TEST(LaunchRequest, EachWordIsTakenTheWayTheWindowsWouldTakeIt) {
    QTemporaryDir dir;
    const std::filesystem::path base = dir.path().toStdString();
    for (const char* name : {"film.MKV", "a.Torrent", "film.chs.srt", "notes"}) std::ofstream(base / name) << "x";
    std::filesystem::create_directory(base / "folder");
    auto classify = [&](std::vector<std::string> words) { return ClassifyCommandLine(words, base); };

    EXPECT_EQ(classify({"magnet:?dn=x&xt=urn:btih:ABC"}).kind, Kind::Magnet);
    EXPECT_EQ(classify({"0123456789abcdef0123456789abcdef01234567"}).kind, Kind::Magnet);
    const LaunchRequest torrent = classify({"a.Torrent"});
    EXPECT_EQ(torrent.kind, Kind::TorrentFile);
    EXPECT_EQ(torrent.value, (base / "a.Torrent").string()) << "the running Lumo has another working directory";
    EXPECT_EQ(classify({"./folder/../film.MKV"}).value, (base / "film.MKV").string());
    EXPECT_EQ(classify({"notes"}).kind, Kind::MediaFile) << "the open-file dialog lets any file through too";
    EXPECT_EQ(classify({"film.chs.srt"}).kind, Kind::SubtitleFile);
    const LaunchRequest fileUrl = classify({"file://" + (base / "film.MKV").string()});
    EXPECT_EQ(fileUrl.kind, Kind::MediaFile);
    EXPECT_EQ(fileUrl.value, (base / "film.MKV").string());
    EXPECT_EQ(classify({"HTTP://example.com/a.mp4"}).kind, Kind::Address);
    EXPECT_EQ(classify({"--", "-film.mkv"}).kind, Kind::Refused) << "after --, a dash starts a file name";
    EXPECT_EQ(classify({"x.mkv", "--version"}).kind, Kind::Version);
    EXPECT_EQ(classify({"--help"}).kind, Kind::Help);
    EXPECT_EQ(classify({}).kind, Kind::Nothing);

    // Everything else is refused with a message that names it.
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"missing.mkv"}, {"folder"}, {"--fullscreen"}, {"gopher:x"},
                                               {"film.MKV", "a.Torrent"}, {"file://otherhost/x.mkv"}}) {
        const LaunchRequest refused = classify(words);
        EXPECT_EQ(refused.kind, Kind::Refused) << words.front();
        EXPECT_FALSE(refused.message.empty());
    }
    EXPECT_NE(classify({"missing.mkv"}).message.find((base / "missing.mkv").string()), std::string::npos);
}

TEST_F(DesktopTest, ALaterStartHandsItsLinkToTheRunningLumoWhichListsTheFiles) {
    StartListening();
    main->showMinimized();
    const auto& series = *sim_->catalogue().EntryById(2);
    // A link the way sites write it: name first, hash in base32, trackers.
    const std::string link = "magnet:?dn=The%20Series&xt=urn:btih:" + Base32(series.infoHash) +
                             "&tr=udp%3A%2F%2Ftracker.example%3A6969";
    ASSERT_EQ(Run(LUMO_PROGRAM, {QString::fromStdString(link)}, ProgramEnvironment()), 0);
    ASSERT_TRUE(ListsFilesOf(series)) << "the handed-over link was not parsed in MAGNETWIN";
    EXPECT_EQ(Magnet()->Input()->text().toStdString(), link) << "the box shows what was handed over";
    EXPECT_FALSE(main->isMinimized()) << "the running window comes to the front";

    // A media file named relative to the later start's own directory plays
    // in the running Lumo.
    QTemporaryDir elsewhere;
    std::ofstream(elsewhere.filePath("clip.mp4").toStdString()) << "x";
    const int opens = engine.Calls("OpenA");
    ASSERT_EQ(Run(LUMO_PROGRAM, {"clip.mp4"}, ProgramEnvironment(), nullptr, elsewhere.path()), 0);
    ASSERT_TRUE(WaitFor([&] { return engine.Calls("OpenA") > opens; })) << engine.Log();
    EXPECT_NE(engine.Log().find(elsewhere.filePath("clip.mp4").toStdString()), std::string::npos) << engine.Log();

    // Something Lumo cannot open is said, in the running window.
    ASSERT_EQ(Run(LUMO_PROGRAM, {"no-such-film.mkv"}, ProgramEnvironment(), nullptr, elsewhere.path()), 0);
    EXPECT_TRUE(WaitFor([&] { return Informed(QStringLiteral("no-such-film.mkv")); }));

    // --help and --version answer at once, without reaching the running Lumo.
    QByteArray output;
    EXPECT_EQ(Run(LUMO_PROGRAM, {"--version"}, ProgramEnvironment(), &output), 0);
    EXPECT_TRUE(output.startsWith("Lumo ")) << output.constData();
    EXPECT_EQ(Run(LUMO_PROGRAM, {"--help"}, ProgramEnvironment(), &output), 0);
    EXPECT_TRUE(output.contains("magnet:")) << output.constData();
}

TEST_F(DesktopTest, AMagnetOnTheCommandLineWaitsForTheAddressListThenLists) {
    // As StartUp does: the window is made, the request follows at once,
    // before the operators' address list (with the file-list address) is in.
    Start(true);
    auto* opener = new DesktopOpener(*main);
    const auto& series = *sim_->catalogue().EntryById(2);
    opener->Open(ClassifyCommandLine({"magnet:?xt=urn:btih:" + series.infoHash + "&dn=x"}, "/"));
    ASSERT_TRUE(WaitFor([&] { return !state.RemoteAddress(resolve::ResolveEndpoints::kFileListKey).empty(); }));
    EXPECT_TRUE(ListsFilesOf(series));
    EXPECT_FALSE(Informed(QString::fromUtf8("未能成功解析"))) << "parsed before the file-list address was known";
}

TEST_F(DesktopTest, DropsOnTheMainWindowOpenLinksTorrentsFilmsAndSubtitles) {
    StartListening();
    // Magnet text, lower-case hash, as dragged from a page.
    const auto& series = *sim_->catalogue().EntryById(2);
    std::string lower = series.infoHash;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    QMimeData text;
    text.setText(QString::fromStdString("magnet:?xt=urn:btih:" + lower + "&dn=x\nsecond line"));
    Drop(text);
    ASSERT_TRUE(ListsFilesOf(series));

    // A .torrent file: its files in MAGNETWIN.
    const auto& withTorrent = WithTorrentFile();
    const QString torrentPath = home.filePath("dropped.torrent");
    std::ofstream(torrentPath.toStdString(), std::ios::binary) << withTorrent.torrent;
    QMimeData torrent;
    torrent.setUrls({QUrl::fromLocalFile(torrentPath)});
    Drop(torrent);
    ASSERT_TRUE(WaitFor([&] { return Magnet()->Input()->text().toStdString() == withTorrent.infoHash; }));
    ASSERT_TRUE(ListsFilesOf(withTorrent));

    // A subtitle with nothing playing is not loaded, and the user is told.
    const QString subtitle = home.filePath("film.srt");
    std::ofstream(subtitle.toStdString()) << "1\n00:00:01,000 --> 00:00:02,000\nhi\n";
    QMimeData sub;
    sub.setUrls({QUrl::fromLocalFile(subtitle)});
    Drop(sub);
    EXPECT_TRUE(WaitFor([&] { return Informed(QString::fromUtf8("字幕没有载入")); }));

    // A film plays; then the subtitle goes into it.
    const QString film = home.filePath("film.mkv");
    std::ofstream(film.toStdString()) << "x";
    QMimeData media;
    media.setUrls({QUrl::fromLocalFile(film)});
    Drop(media);
    ASSERT_TRUE(WaitFor([&] { return engine.Calls("OpenA") > 0; })) << engine.Log();
    EXPECT_EQ(state.lastLocalMediaPath, film.toStdString());
    engine.SetState(player::kStatePlaying);
    const int configs = engine.Calls("SetConfigA");
    Drop(sub);
    ASSERT_TRUE(WaitFor([&] { return engine.Calls("SetConfigA") > configs; })) << engine.Log();
    EXPECT_NE(engine.Log().find(subtitle.toStdString()), std::string::npos) << engine.Log();

    // A drop of nothing Lumo opens is not taken.
    QMimeData words;
    words.setText(QStringLiteral("just some words"));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(main.data(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(DesktopTest, ADeadLumosSocketIsReplacedAndALiveOneIsNot) {
    const auto socket = InstanceSocketPath();
    ASSERT_TRUE(socket.has_value());
    {
        // What a crash leaves: the socket file, nobody listening.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, socket->c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(fd, 1), 0);
        close(fd);
    }
    ASSERT_TRUE(std::filesystem::exists(*socket));
    EXPECT_EQ(HandOverToRunning(*socket, "x", std::chrono::seconds(1)), HandOver::NoInstance);
    std::string error;
    ASSERT_TRUE(server.Listen(*socket, &error)) << error;
    struct stat info {};
    ASSERT_EQ(stat(socket->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "other users may not connect";

    InstanceServer second;
    EXPECT_FALSE(second.Listen(*socket, &error)) << "a live Lumo's socket was taken over";
    QSignalSpy handed(&server, &InstanceServer::TextHandedOver);
    std::optional<HandOver> result;
    std::thread later([&] { result = HandOverToRunning(*socket, "magnet:?xt=urn:btih:AB", std::chrono::seconds(10)); });
    ASSERT_TRUE(WaitFor([&] { return handed.count() == 1; }));
    later.join();
    EXPECT_EQ(result, HandOver::Delivered);
    EXPECT_EQ(handed.at(0).at(0).toString(), QStringLiteral("magnet:?xt=urn:btih:AB"));

    // A different data directory is a different Lumo.
    QTemporaryDir other;
    qputenv("LUMO_HOME", other.path().toUtf8());
    EXPECT_NE(InstanceSocketPath(), socket);
    qputenv("LUMO_HOME", home.path().toUtf8());
}

// A start talking to the running Lumo by hand: what it sends, in pieces, and
// what comes back before the running Lumo closes the connection.
class RawStart {
public:
    explicit RawStart(const std::filesystem::path& socketPath) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, socketPath.c_str());
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawStart() { close(fd_); }
    bool Connected() const { return connected_; }
    void Say(const std::string& text) { ASSERT_EQ(send(fd_, text.data(), text.size(), MSG_NOSIGNAL), ssize_t(text.size())); }
    // True once the running Lumo has closed the connection; what it answered
    // is in `heard`.
    bool Closed() {
        char buffer[64];
        const ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) heard.append(buffer, size_t(got));
        return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }
    std::string heard;

private:
    int fd_ = -1;
    bool connected_ = false;
};

TEST_F(DesktopTest, TheRunningLumoTakesAnArgumentInPiecesAndClosesOnWhatIsNoHandOver) {
    const auto socket = InstanceSocketPath();
    ASSERT_TRUE(socket.has_value());
    std::string error;
    ASSERT_TRUE(server.Listen(*socket, &error)) << error;
    QSignalSpy handed(&server, &InstanceServer::TextHandedOver);

    RawStart slow(*socket);
    ASSERT_TRUE(slow.Connected());
    slow.Say("LU");
    QTest::qWait(50);
    slow.Say("MO1\n1");
    QTest::qWait(50);
    slow.Say("2\nmagnet:");
    QTest::qWait(50);
    EXPECT_EQ(handed.count(), 0) << "taken before the whole argument was in";
    slow.Say("?xt=A");
    ASSERT_TRUE(WaitFor([&] { return slow.Closed(); }));
    EXPECT_EQ(slow.heard, "OK\n");
    ASSERT_EQ(handed.count(), 1);
    EXPECT_EQ(handed.at(0).at(0).toString(), QStringLiteral("magnet:?xt=A"));

    // Another program on the socket, a length no argument has, and a start
    // that goes away mid-sentence: each is closed with no answer.
    for (const std::string& said : {std::string("GET / HTTP/1.0\r\n\r\n"), std::string("LUMO1\n99999999999\n"),
                                    std::string("LUMO1\n-4\nabcd")}) {
        RawStart other(*socket);
        other.Say(said);
        EXPECT_TRUE(WaitFor([&] { return other.Closed(); }, std::chrono::seconds(3))) << said;
        EXPECT_EQ(other.heard, "") << said;
    }
    {
        RawStart gone(*socket);
        gone.Say("LUMO1\n40\nmagnet:");
    }
    QTest::qWait(100);
    EXPECT_EQ(handed.count(), 1);

    // The server still takes the next start.
    std::optional<HandOver> result;
    std::thread later([&] { result = HandOverToRunning(*socket, "", std::chrono::seconds(10)); });
    EXPECT_TRUE(WaitFor([&] { return handed.count() == 2; }));
    later.join();
    EXPECT_EQ(result, HandOver::Delivered);
    ASSERT_EQ(handed.count(), 2);
    EXPECT_EQ(handed.at(1).at(0).toString(), QString());
}

TEST_F(DesktopTest, ARuntimeDirectoryOthersCanEnterIsNeverUsed) {
    QTemporaryDir tmp;
    qputenv("TMPDIR", tmp.path().toUtf8());
    chmod(runtime.path().toUtf8().constData(), 0755);
    const auto socket = InstanceSocketPath();
    ASSERT_TRUE(socket.has_value());
    const std::filesystem::path fallback = std::filesystem::path(tmp.path().toStdString()) / ("lumo-" + std::to_string(geteuid()));
    EXPECT_EQ(socket->parent_path(), fallback);
    struct stat info {};
    ASSERT_EQ(stat(fallback.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);

    // Another user's directory in its place: no socket rather than theirs.
    if (geteuid() == 0) {
        std::filesystem::remove_all(fallback);
        ASSERT_EQ(mkdir(fallback.c_str(), 0700), 0);
        ASSERT_EQ(chown(fallback.c_str(), 65534, 65534), 0);
        std::string why;
        EXPECT_FALSE(InstanceSocketPath(&why).has_value());
        EXPECT_NE(why.find("another user"), std::string::npos) << why;
    }
    qunsetenv("TMPDIR");
}

TEST_F(DesktopTest, XdgOpenOfAMagnetLinkReachesTheRunningLumo) {
    StartListening();
    QTemporaryDir xdg;
    QProcessEnvironment env = ProgramEnvironment();
    env.insert("HOME", xdg.path());
    env.insert("XDG_DATA_HOME", xdg.filePath("data"));
    env.insert("XDG_CONFIG_HOME", xdg.filePath("config"));
    env.insert("XDG_DATA_DIRS", xdg.filePath("system"));
    env.insert("LUMO_BIN", LUMO_PROGRAM);
    QByteArray output;
    ASSERT_EQ(Run("bash", {LUMO_SOURCE_DIR "/scripts/install-desktop.sh"}, env, &output), 0) << output.constData();
    EXPECT_TRUE(QFile::exists(xdg.filePath("data/icons/hicolor/scalable/apps/lumo.svg")));
    EXPECT_EQ(Run("desktop-file-validate", {xdg.filePath("data/applications/lumo.desktop")}, env, &output), 0)
        << output.constData();
    ASSERT_EQ(Run("xdg-mime", {"query", "default", "x-scheme-handler/magnet"}, env, &output), 0);
    EXPECT_EQ(output.trimmed(), "lumo.desktop");
    ASSERT_EQ(Run("xdg-mime", {"query", "default", "application/x-bittorrent"}, env, &output), 0);
    EXPECT_EQ(output.trimmed(), "lumo.desktop");

    // xdg-open asks for a display before it looks for a handler; the later
    // start hands over before it would ever connect to one.
    env.insert("DISPLAY", ":97");
    const auto& series = *sim_->catalogue().EntryById(2);
    ASSERT_EQ(Run("xdg-open", {QString::fromStdString("magnet:?xt=urn:btih:" + series.infoHash + "&dn=film")}, env,
                  &output),
              0)
        << output.constData();
    EXPECT_TRUE(ListsFilesOf(series));
}

TEST_F(DesktopTest, CmakeInstallGivesACommandThatFindsItsEngineAndTheDesktopFiles) {
    QTemporaryDir prefix;
    QByteArray output;
    ASSERT_EQ(Run(LUMO_CMAKE, {"--install", LUMO_BUILD_DIR, "--prefix", prefix.path()}, ProgramEnvironment(), &output), 0)
        << output.constData();
    const QString command = prefix.filePath("bin/lumo");
    EXPECT_TRUE(QFile::exists(prefix.filePath("lib/lumo/liblumo-engine.so"))) << "the engine is looked up beside the program";
    EXPECT_TRUE(QFile::exists(prefix.filePath("lib/lumo/lumo-webview.so"))) << "and so is the web view";
    EXPECT_TRUE(QFile::exists(prefix.filePath("share/icons/hicolor/scalable/apps/lumo.svg")));
    QFile entry(prefix.filePath("share/applications/lumo.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    EXPECT_TRUE(text.contains("\nExec=lumo %u\n"));
    EXPECT_TRUE(text.contains("MimeType=x-scheme-handler/magnet;application/x-bittorrent;video/mp4;"));
    ASSERT_EQ(Run(command, {"--version"}, ProgramEnvironment(), &output), 0);
    EXPECT_TRUE(output.startsWith("Lumo "));

    // The installed command is a later start like any other.
    StartListening();
    const auto& film = *sim_->catalogue().EntryById(3);
    ASSERT_EQ(Run(command, {QString::fromStdString(film.infoHash)}, ProgramEnvironment()), 0);
    EXPECT_TRUE(ListsFilesOf(film));
}

}  // namespace
}  // namespace lumo::app
