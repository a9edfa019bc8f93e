// The web-engine page view, built as the plugin `lumo-webview`.
#include <QNetworkCookie>
#include <QObject>
#include <QPointer>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include "app/web_view_plugin.h"

namespace lumo::app {

namespace {

bool IsTorrentLink(const QUrl& url) {
    return url.scheme().compare(QStringLiteral("magnet"), Qt::CaseInsensitive) == 0 ||
           url.path().endsWith(QStringLiteral(".torrent"), Qt::CaseInsensitive);
}

// Keeps torrent links out of the web engine, which can do nothing with
// them, and keeps pages' scripts from raising dialogs of their own.
class BrowserPage : public QWebEnginePage {
public:
    BrowserPage(std::function<void(const QUrl&)> torrentLink, QObject* parent)
        : QWebEnginePage(parent), torrentLink_(std::move(torrentLink)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (IsTorrentLink(url)) {
            torrentLink_(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}

private:
    std::function<void(const QUrl&)> torrentLink_;
};

// Takes the magnet links that pages lead to; the profile, and so this
// handler, is shared by every view.
class MagnetLinkHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override {
        emit Followed(job->requestUrl());
        // Aborted, the view stays on the page the link was in.
        job->fail(QWebEngineUrlRequestJob::RequestAborted);
    }
signals:
    void Followed(const QUrl& link);
};

class EngineWebView : public WebView {
public:
    EngineWebView(QWidget* parent, WebViewHooks hooks) : view_(new QWebEngineView(parent)), hooks_(std::move(hooks)) {
        // A link counts only from a view on screen.
        auto torrentLink = [this](const QUrl& link) {
            if (view_->isVisible() && hooks_.torrentLink) hooks_.torrentLink(link);
        };
        view_->setPage(new BrowserPage(torrentLink, view_));
        QWebEngineProfile* profile = view_->page()->profile();
        auto* handler = qobject_cast<MagnetLinkHandler*>(
            const_cast<QWebEngineUrlSchemeHandler*>(profile->urlSchemeHandler("magnet")));
        if (handler == nullptr) {
            handler = new MagnetLinkHandler(profile);
            profile->installUrlSchemeHandler("magnet", handler);
        }
        QObject::connect(handler, &MagnetLinkHandler::Followed, view_, torrentLink);
        QObject::connect(view_->page(), &QWebEnginePage::loadFinished, view_, [this](bool) {
            if (hooks_.loaded) hooks_.loaded();
        });
    }

    ~EngineWebView() override { delete view_; }

    QWidget* Widget() override { return view_; }
    void Load(const QUrl& address) override { view_->setUrl(address); }
    QUrl Address() const override { return view_->url(); }
    void SetCookie(const QUrl& site, const QByteArray& name, const QByteArray& value) override {
        QNetworkCookie cookie(name, value);
        cookie.setPath(QStringLiteral("/"));
        view_->page()->profile()->cookieStore()->setCookie(cookie, site);
    }

private:
    QPointer<QWebEngineView> view_;  // gone already when its parent went first
    WebViewHooks hooks_;
};

class EngineWebViewFactory : public QObject, public WebViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LUMO_WEB_VIEW_FACTORY_IID)
    Q_INTERFACES(lumo::app::WebViewFactory)
public:
    EngineWebViewFactory() {
        // Known to the engine, magnet links are navigations that the page
        // can turn down; unknown, the engine would pass them to the desktop,
        // which may well hand them back to Lumo as a program of its own. The
        // engine takes schemes only before it starts: no view exists yet.
        if (QWebEngineUrlScheme::schemeByName("magnet").name().isEmpty()) {
            QWebEngineUrlScheme magnet("magnet");
            magnet.setSyntax(QWebEngineUrlScheme::Syntax::Path);
            QWebEngineUrlScheme::registerScheme(magnet);
        }
    }
    std::unique_ptr<WebView> Make(QWidget* parent, WebViewHooks hooks) override {
        return std::make_unique<EngineWebView>(parent, std::move(hooks));
    }
};

}  // namespace

}  // namespace lumo::app

#include "web_view_engine.moc"
