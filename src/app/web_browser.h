#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

namespace lumo::app {

class WebView;

// A web-browser control of MAIN. The web engine is costly to load and start,
// so the view inside is made only when the control is first shown; an
// address sent before that is loaded then. The view has a window of its own
// that follows the control.
class WebBrowser : public QWidget {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent);
    ~WebBrowser() override;

    void Navigate(const QString& address);
    // Cookies ("name=value; name=value") the pages of `site` are to be sent.
    void SetCookies(const QUrl& site, const QString& cookies);
    // The address last sent, loaded or not.
    QString Address() const { return address_; }
    // The engine's page view; null until the control has been shown.
    QWidget* View() const;

signals:
    // A page finished loading at `address`.
    void PageLoaded(const QString& address);
    // A magnet or .torrent link was followed in a page; the view stays
    // where it is.
    void TorrentLinkClicked(const QUrl& link);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MakeView();
    void StoreCookies();
    QRect ShownPart() const;
    // Puts the view's window over the control, or hides it with the control.
    void FollowControl();

    QString address_;
    QWidget* host_ = nullptr;  // the view's own window
    std::unique_ptr<WebView> view_;
    QWidget* failure_ = nullptr;  // says why there is no view
    QUrl cookieSite_;
    QString cookies_;
};

}  // namespace lumo::app
