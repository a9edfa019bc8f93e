// The home page's web view on a private X server against the simulator: made
// only when first shown, the channel pages of the address list, and a magnet
// link clicked in a page ending in MAGNETWIN with the torrent's files.
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QSet>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/list_view.h"
#include "app/login_window.h"
#include "app/skinned_button.h"
#include "sim/operator_forum.h"
#include "app/magnet_window.h"
#include "app/main_job_fixture.h"
#include "app/skinned_button.h"
#include "app/web_browser.h"
#include "app/win_color.h"
#include "app/xvfb_server.h"

using namespace lumo::app;
namespace flow = lumo::flow;

namespace {

class WebViewTest : public MainJobTest {
protected:
    static void SetUpTestSuite() {
        std::string error;
        server_ = new XvfbServer;
        if (!server_->Start(&error)) GTEST_SKIP() << "no X server: " << error;
        qputenv("DISPLAY", QByteArray::fromStdString(server_->Display()));
        qputenv("QT_QPA_PLATFORM", "xcb");
        MainJobTest::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        MainJobTest::TearDownTestSuite();
        delete server_;
        server_ = nullptr;
    }
    static inline XvfbServer* server_ = nullptr;

    // The colours on the X server's screen where `window` is: a page that
    // is drawn has many, a view left unpainted one or two.
    static int ColoursOnScreen(QWidget* window) {
        const QRect area = window->geometry();
        const QImage shot =
            QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 2)
            for (int x = 0; x < shot.width(); x += 2) colours.insert(shot.pixel(x, y));
        return static_cast<int>(colours.size());
    }

    static QWebEngineView* Engine(WebBrowser* browser) { return qobject_cast<QWebEngineView*>(browser->View()); }
    QString Title(WebBrowser* browser) { return Engine(browser) != nullptr ? Engine(browser)->title() : QString(); }
    uint32_t TextColour(const char* button) { return main->Control<SkinnedButton>(button)->TextColor(); }
};

TEST_F(WebViewTest, TheHomePageShowsTheChannelsAndAMagnetLinkInAPageOpensItsFiles) {
    StartRead();
    auto* home = main->Control<WebBrowser>("互联网浏览器1");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->View(), nullptr) << "start-up must not pay for the web engine";

    QWidget* video = main->Control<QWidget>("图片框1");
    const WId videoWindow = video->winId();
    main->Control<QAbstractButton>("左边首页")->click();
    ASSERT_NE(home->View(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return Title(home) == QString::fromUtf8("最新大片 - Lumo云播"); }, std::chrono::seconds(60)))
        << Title(home).toStdString();
    EXPECT_TRUE(WaitFor([&] { return state.homeBrowserAddress == state.RemoteAddress("TJDZ"); }))
        << state.homeBrowserAddress << " / " << state.RemoteAddress("TJDZ");

    // The page sits over the control in a window of its own, which leaves
    // MAIN and the engine's video window as they were, and it goes and comes
    // back with the control.
    QWidget* page = Engine(home)->window();
    EXPECT_NE(page, main.data());
    EXPECT_TRUE(WaitFor([&] { return ColoursOnScreen(page) > 20; }))
        << "the page is not drawn on the screen: " << ColoursOnScreen(page) << " colours";
    EXPECT_EQ(video->winId(), videoWindow) << "the video's window was made anew";
    EXPECT_TRUE(WaitFor([&] { return page->geometry() == QRect(home->mapToGlobal(QPoint(0, 0)), home->size()); }));
    main->Control<QAbstractButton>("超级按钮播放器")->click();
    EXPECT_TRUE(WaitFor([&] { return !page->isVisible(); })) << "the page stays over the player";
    EXPECT_TRUE(video->isVisible());
    main->Control<QAbstractButton>("超级按钮片库")->click();
    EXPECT_TRUE(WaitFor([&] { return page->isVisible(); }));
    main->move(main->pos() + QPoint(30, 20));
    EXPECT_TRUE(WaitFor([&] { return page->geometry().topLeft() == home->mapToGlobal(QPoint(0, 0)); }))
        << "the page does not follow MAIN";
    EXPECT_EQ(TextColour("超级按钮推荐"), colors::kChannelSelectedText);
    EXPECT_EQ(TextColour("超级按钮其他"), colors::kChannelOtherText);

    // From a film of the channel to one of its torrents, whose file the user
    // clicks: the torrent is fetched and its files listed.
    auto clickFirst = [&](const char* selector) {
        QString href;
        bool done = false;
        Engine(home)->page()->runJavaScript(
            QStringLiteral("(function(){var a=document.querySelector('%1'); if(!a) return ''; a.click(); return a.href;})()")
                .arg(QString::fromUtf8(selector)),
            [&](const QVariant& value) {
                href = value.toString();
                done = true;
            });
        EXPECT_TRUE(WaitFor([&] { return done; }));
        return href;
    };
    ASSERT_FALSE(clickFirst(".card a").isEmpty()) << "the channel lists no films";
    ASSERT_TRUE(WaitFor([&] { return Engine(home)->url().path().contains(QStringLiteral("/subject/")); }));
    ASSERT_TRUE(WaitFor([&] { return !clickFirst("a.ico_bt").isEmpty(); }, std::chrono::seconds(20)));
    ASSERT_TRUE(WaitFor([&] { return Engine(home)->url().path().startsWith(QStringLiteral("/bt/")); }));
    QString torrent;
    ASSERT_TRUE(WaitFor([&] { return !(torrent = clickFirst("a[href$=\".torrent\"]")).isEmpty(); }, std::chrono::seconds(20)));
    const QString torrentHash = QUrl(torrent).fileName().section(QLatin1Char('.'), 0, 0);
    ASSERT_TRUE(WaitFor([&] { return main->LoadedWindow(flow::WindowCode::MAGNETWIN) != nullptr; }))
        << "the torrent link did not reach MAGNETWIN";
    auto* fromTorrent = qobject_cast<MagnetWindow*>(main->LoadedWindow(flow::WindowCode::MAGNETWIN));
    ASSERT_NE(fromTorrent, nullptr);
    EXPECT_TRUE(WaitFor([&] {
        return fromTorrent->Input()->text().contains(torrentHash, Qt::CaseInsensitive) && fromTorrent->List()->RowCount() > 0;
    })) << fromTorrent->Input()->text().toStdString() << " / " << torrentHash.toStdString();
    EXPECT_TRUE(Engine(home)->url().path().startsWith(QStringLiteral("/bt/"))) << "the view stays on its page";
    fromTorrent->hide();
    main->activateWindow();

    main->Control<QAbstractButton>("超级按钮其他")->click();
    ASSERT_TRUE(WaitFor([&] { return Title(home) == QString::fromUtf8("其他 - Lumo云播"); }, std::chrono::seconds(30)));
    EXPECT_EQ(TextColour("超级按钮其他"), colors::kChannelSelectedText);
    EXPECT_EQ(TextColour("超级按钮推荐"), colors::kChannelOtherText);

    // Back on the home page after another page, nothing is loaded again.
    main->Control<QAbstractButton>("左边磁力搜索")->click();
    main->Control<QAbstractButton>("左边首页")->click();
    QTest::qWait(300);
    EXPECT_EQ(Title(home), QString::fromUtf8("其他 - Lumo云播"));

    // The user clicks a magnet link of the page.
    int links = -1;
    Engine(home)->page()->runJavaScript(QStringLiteral("document.querySelectorAll('a.magnet').length"),
                                        [&links](const QVariant& count) { links = count.toInt(); });
    ASSERT_TRUE(WaitFor([&] { return links >= 0; }));
    ASSERT_GT(links, 0) << "the page lists no magnet links";
    Engine(home)->page()->runJavaScript(QStringLiteral("document.querySelector('a.magnet').click()"));
    auto* magnet = qobject_cast<MagnetWindow*>(main->LoadedWindow(flow::WindowCode::MAGNETWIN));
    ASSERT_NE(magnet, nullptr);
    ASSERT_TRUE(WaitFor([&] { return magnet->isVisible(); })) << "the link did not reach MAGNETWIN";
    EXPECT_TRUE(magnet->Input()->text().startsWith(QStringLiteral("magnet:?xt=urn:btih:")));
    EXPECT_TRUE(WaitFor([&] { return magnet->List()->RowCount() > 0; })) << "no files listed";
    EXPECT_EQ(Title(home), QString::fromUtf8("其他 - Lumo云播")) << "the view stays on its page";
}

TEST_F(WebViewTest, TheUserCentreShowsTheProfileWithTheForumSession) {
    StartRead();
    auto* centre = main->Control<WebBrowser>("互联网浏览器个人中心");
    ASSERT_NE(centre, nullptr);
    EXPECT_EQ(centre->View(), nullptr);
    main->Control<QAbstractButton>("超级按钮登录")->click();
    auto* login = qobject_cast<LoginWindow*>(main->LoadedWindow(flow::WindowCode::LOGIN));
    ASSERT_NE(login, nullptr);
    login->Account()->setText(QStringLiteral("lumo"));
    login->Password()->setText(QStringLiteral("lumo2016"));
    login->LoginButton()->click();
    ASSERT_TRUE(WaitFor([&] { return state.loggedIn == 1; }));
    ASSERT_NE(centre->View(), nullptr) << "the user centre is on screen";
    ASSERT_TRUE(WaitFor([&] { return Title(centre).contains(QString::fromUtf8("lumo的个人资料")); },
                        std::chrono::seconds(60)))
        << Title(centre).toStdString();
    // The loaded page is shown below the forum's header, down to the page's end.
    ASSERT_TRUE(WaitFor([&] { return centre->y() == -224; }));
    EXPECT_EQ(centre->geometry().bottom(), 549);
    // The page's own cookies carry the session the login opened.
    QString cookies;
    bool read = false;
    auto ask = [&] {
        read = false;
        Engine(centre)->page()->runJavaScript(QStringLiteral("document.cookie"), [&](const QVariant& text) {
            cookies = text.toString();
            read = true;
        });
        return WaitFor([&] { return read; });
    };
    ASSERT_TRUE(WaitFor([&] { return ask() && cookies.contains(QString::fromUtf8(lumo::sim::OperatorForum::kAuthCookie)); },
                        std::chrono::seconds(20)))
        << cookies.toStdString();
}

}  // namespace
