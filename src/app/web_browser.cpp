#include "app/web_browser.h"

#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineView>

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
    BrowserPage(WebBrowser* browser, QObject* parent) : QWebEnginePage(parent), browser_(browser) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (IsTorrentLink(url)) {
            emit browser_->TorrentLinkClicked(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}

private:
    WebBrowser* browser_;
};

}  // namespace

void MagnetLinkHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    emit Followed(job->requestUrl());
    // Aborted, the view stays on the page the link was in.
    job->fail(QWebEngineUrlRequestJob::RequestAborted);
}

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent) {
    // Known to the engine, magnet links are navigations that the page can
    // turn down; unknown, the engine would pass them to the desktop, which
    // may well hand them back to Lumo as a program of its own. The engine
    // takes schemes only before it starts, which no view has made it do yet.
    if (QWebEngineUrlScheme::schemeByName("magnet").name().isEmpty()) {
        QWebEngineUrlScheme magnet("magnet");
        magnet.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        QWebEngineUrlScheme::registerScheme(magnet);
    }
}

void WebBrowser::Navigate(const QString& address) {
    address_ = address;
    if (view_ != nullptr) view_->setUrl(QUrl(address));
}

void WebBrowser::SetCookies(const QUrl& site, const QString& cookies) {
    cookieSite_ = site;
    cookies_ = cookies;
    if (view_ != nullptr) StoreCookies();
}

void WebBrowser::StoreCookies() {
    QWebEngineCookieStore* store = view_->page()->profile()->cookieStore();
    for (const QString& item : cookies_.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        QNetworkCookie cookie(item.left(equals).trimmed().toUtf8(), item.mid(equals + 1).trimmed().toUtf8());
        cookie.setPath(QStringLiteral("/"));
        store->setCookie(cookie, cookieSite_);
    }
}

void WebBrowser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (view_ == nullptr) MakeView();
}

void WebBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (view_ != nullptr) view_->setGeometry(rect());
}

void WebBrowser::MakeView() {
    view_ = new QWebEngineView(this);
    view_->setPage(new BrowserPage(this, view_));
    QWebEngineProfile* profile = view_->page()->profile();
    auto* handler = qobject_cast<MagnetLinkHandler*>(
        const_cast<QWebEngineUrlSchemeHandler*>(profile->urlSchemeHandler("magnet")));
    if (handler == nullptr) {
        handler = new MagnetLinkHandler(profile);
        profile->installUrlSchemeHandler("magnet", handler);
    }
    // The profile is shared: the link belongs to the browser on screen.
    connect(handler, &MagnetLinkHandler::Followed, this, [this](const QUrl& link) {
        if (isVisible()) emit TorrentLinkClicked(link);
    });
    view_->setGeometry(rect());
    connect(view_->page(), &QWebEnginePage::loadFinished, this,
            [this](bool) { emit PageLoaded(view_->url().toString()); });
    view_->show();
    if (!cookies_.isEmpty()) StoreCookies();
    if (!address_.isEmpty()) view_->setUrl(QUrl(address_));
}

}  // namespace lumo::app
