#pragma once

#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <QWidget>

class QWebEngineView;

namespace lumo::app {

// Takes the magnet links that pages lead to, for the browser showing them.
class MagnetLinkHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override;
signals:
    void Followed(const QUrl& link);
};

// A web-browser control of MAIN. The web engine is costly to start, so the
// view inside is made only when the control is first shown; an address sent
// before that is loaded then.
class WebBrowser : public QWidget {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent);

    void Navigate(const QString& address);
    // Cookies ("name=value; name=value") the pages of `site` are to be sent.
    void SetCookies(const QUrl& site, const QString& cookies);
    // The address last sent, loaded or not.
    QString Address() const { return address_; }
    // Null until the control has been shown.
    QWebEngineView* View() const { return view_; }

signals:
    // A page finished loading at `address`.
    void PageLoaded(const QString& address);
    // A magnet or .torrent link was followed in a page; the view stays
    // where it is.
    void TorrentLinkClicked(const QUrl& link);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void MakeView();

    void StoreCookies();

    QString address_;
    QWebEngineView* view_ = nullptr;
    QUrl cookieSite_;
    QString cookies_;
};

}  // namespace lumo::app
