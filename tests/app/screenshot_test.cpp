// Lumo's window on a real X server with the real engine playing a generated
// colour-bar clip: the video area must show the clip's frames, and the
// on-screen text must be drawn over them.
#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QOpenGLContext>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/main_on_screen.h"
#include "app/main_window.h"
#include "app/scripted_prompter.h"
#include "app/test_application.h"
#include "app/web_browser.h"
#include "app/x_session.h"
#include "app/xvfb_server.h"
#include "flow/app_state.h"
#include "player/player_engine.h"

using namespace lumo::app;
namespace flow = lumo::flow;

namespace {

struct Swatch {
    const char* name;
    int r, g, b;
};

// The six bars of the clip.
constexpr Swatch kBars[] = {
    {"red", 255, 0, 0},  {"green", 0, 255, 0},   {"yellow", 255, 255, 0},
    {"blue", 0, 0, 255}, {"magenta", 255, 0, 255}, {"cyan", 0, 255, 255},
};

bool Near(QRgb pixel, const Swatch& swatch, int tolerance) {
    return std::abs(qRed(pixel) - swatch.r) <= tolerance && std::abs(qGreen(pixel) - swatch.g) <= tolerance &&
           std::abs(qBlue(pixel) - swatch.b) <= tolerance;
}

double Share(const QImage& image, const std::function<bool(QRgb)>& test) {
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) hits += test(line[x]) ? 1 : 0;
    }
    return static_cast<double>(hits) / (static_cast<double>(image.width()) * image.height());
}

// Pixels that differ noticeably between two grabs of the same place, and
// the rectangle around them.
int Difference(const QImage& a, const QImage& b, QRect* around = nullptr) {
    int count = 0;
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            int d = std::abs(qRed(la[x]) - qRed(lb[x])) + std::abs(qGreen(la[x]) - qGreen(lb[x])) +
                    std::abs(qBlue(la[x]) - qBlue(lb[x]));
            if (d > 60) {
                ++count;
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    if (around) *around = box;
    return count;
}

class ScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        std::string error;
        if (!StartXSession(server, home, &error)) GTEST_SKIP() << "no X server for the screenshot: " << error;
    }

    void TearDown() override {
        if (main) {
            state.player.Destroy();
            delete main.data();
        }
    }

    // LUMO_SCREENSHOT_DIR keeps the grabs for a look by eye.
    static void Keep(const QImage& shot, const char* name) {
        QByteArray dir = qgetenv("LUMO_SCREENSHOT_DIR");
        if (!dir.isEmpty()) shot.save(QString::fromUtf8(dir) + "/" + name + ".png");
    }

    QImage GrabVideo() {
        QWidget* video = main->Control("图片框1");
        QPoint at = video->mapToGlobal(QPoint(0, 0));
        QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), video->width(), video->height());
        return shot.toImage().convertToFormat(QImage::Format_RGB32);
    }

    // Grabs until `done` holds for a grab, for up to `seconds`.
    QImage GrabUntil(const std::function<bool(const QImage&)>& done, int seconds) {
        QImage shot;
        for (int i = 0; i < seconds * 10; ++i) {
            QTest::qWait(100);
            shot = GrabVideo();
            if (done(shot)) break;
        }
        return shot;
    }

    XvfbServer server;
    QTemporaryDir home;
    flow::AppState state;
    ScriptedPrompter prompter;
    QPointer<MainWindow> main;
};

}  // namespace

TEST_F(ScreenshotTest, TheVideoAreaShowsTheClipWithTheOnScreenTextOverIt) {
    MainWindowOptions options;
    options.prompter = &prompter;
    options.endProcess = [](int) {};
    main = new MainWindow(state, options);
    main->move(40, 40);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    ASSERT_TRUE(state.player.HasLibrary()) << "liblumo-engine.so beside the test program";
    ASSERT_NE(state.player.Handle(), 0);

    state.player.OpenA(LUMO_TEST_CLIP);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetState() == lumo::player::kStatePlaying; }, 20000))
        << "state " << state.player.GetState();
    // Opening brought the player view forward.
    EXPECT_EQ(main->Control<QTabWidget>("选择夹1")->currentIndex(), MainWindow::kPlayerPage);

    // Every bar of the clip shows up in the video area.
    auto allBars = [](const QImage& shot) {
        for (const Swatch& bar : kBars) {
            if (Share(shot, [&bar](QRgb p) { return Near(p, bar, 70); }) < 0.04) return false;
        }
        return true;
    };
    QImage first = GrabUntil(allBars, 10);
    Keep(first, "playing");
    Keep(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), "screen");
    for (const Swatch& bar : kBars) {
        EXPECT_GT(Share(first, [&bar](QRgb p) { return Near(p, bar, 70); }), 0.04) << bar.name;
    }
    EXPECT_GT(Share(first, [](QRgb p) { return qRed(p) + qGreen(p) + qBlue(p) > 90; }), 0.6) << "mostly not black";

    // And the picture moves: it is the playing clip, not a still.
    QImage later = GrabUntil([&first](const QImage& shot) { return Difference(first, shot) > 500; }, 5);
    EXPECT_GT(Difference(first, later), 500);

    // Paused, the picture holds still; the on-screen text then changes only
    // where it is drawn.
    state.player.Pause();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetState() == lumo::player::kStatePaused; }, 10000));
    QImage still = GrabUntil([this](const QImage& shot) { return Difference(shot, GrabVideo()) == 0; }, 5);
    ASSERT_EQ(Difference(still, GrabVideo()), 0) << "the paused picture still changes";

    for (auto [number, value] : {std::pair{602, "1"}, {606, "20"}, {607, "10"}, {621, "1"}}) {
        state.player.SetConfigA(number, value);
    }
    state.player.SetConfigA(612, "音量:80");
    QImage withText = GrabUntil([&still](const QImage& shot) { return Difference(still, shot) > 150; }, 10);
    Keep(still, "paused");
    Keep(withText, "text");
    QRect textArea;
    int changed = Difference(still, withText, &textArea);
    EXPECT_GT(changed, 150) << "no on-screen text appeared";
    // The text is a small part of the picture; the rest stays as it was.
    EXPECT_LT(changed, withText.width() * withText.height() / 10);
    EXPECT_LT(textArea.width(), withText.width() / 2);
    EXPECT_LT(textArea.height(), withText.height() / 3);

    state.player.SetConfigA(612, "");
    QImage cleared = GrabUntil([&still](const QImage& shot) { return Difference(still, shot) < 20; }, 10);
    EXPECT_LT(Difference(still, cleared), 20) << "the on-screen text stayed after it was cleared";

    // Ending through the close button while the film plays: the engine is
    // closed, the windows go, and the engine then ends cleanly.
    state.player.Play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.player.GetState() == lumo::player::kStatePlaying; }, 10000));
    prompter.AnswerNext(true);
    main->Control<QAbstractButton>("超级按钮结束")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isNull(); }, 5000));
    QTest::qWait(500);
    state.player.Destroy();
    EXPECT_EQ(state.player.GetState(), 0);
}

// The web views' GL is set up only when the first view is made, yet the page
// is drawn on the screen over its control. (This program links no web
// engine, so nothing but Lumo's own code makes the shared context.)
TEST_F(ScreenshotTest, APageIsDrawnOverItsControlOnceItsViewIsMade) {
    main = lumo::app::testing::ShowMainWindow(state, prompter);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    EXPECT_EQ(QOpenGLContext::globalShareContext(), nullptr) << "start-up paid for the web views' GL";

    auto* browser = main->Control<WebBrowser>("互联网浏览器1");
    ASSERT_NE(browser, nullptr);
    QString loaded;
    QObject::connect(browser, &WebBrowser::PageLoaded, [&](const QString& address) { loaded = address; });
    main->Control<QAbstractButton>("左边首页")->click();
    ASSERT_NE(browser->View(), nullptr);
    ASSERT_NE(QOpenGLContext::globalShareContext(), nullptr);
    browser->Navigate(QStringLiteral("data:text/html,<body style='margin:0;background:rgb(200,40,40)'>"
                                     "<div style='height:120px;background:rgb(40,40,200)'></div></body>"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.startsWith(QStringLiteral("data:")); }, 60000));

    const Swatch page{"page", 200, 40, 40}, block{"block", 40, 40, 200};
    const QPoint at = browser->mapToGlobal(QPoint(0, 0));
    QImage shot;
    auto drawn = [&] {
        shot = QGuiApplication::primaryScreen()
                   ->grabWindow(0, at.x(), at.y(), browser->width(), browser->height())
                   .toImage()
                   .convertToFormat(QImage::Format_RGB32);
        return Share(shot, [&](QRgb p) { return Near(p, page, 30); }) > 0.4 &&
               Share(shot, [&](QRgb p) { return Near(p, block, 30); }) > 0.05;
    };
    const bool ok = QTest::qWaitFor(drawn, 20000);
    Keep(shot, "web_page");
    EXPECT_TRUE(ok) << "the page is not on the screen: page colour "
                    << Share(shot, [&](QRgb p) { return Near(p, page, 30); }) << ", block "
                    << Share(shot, [&](QRgb p) { return Near(p, block, 30); });
}
