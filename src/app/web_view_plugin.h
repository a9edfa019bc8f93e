#pragma once

#include <QByteArray>
#include <QUrl>
#include <QtPlugin>

#include <functional>
#include <memory>

class QWidget;

namespace lumo::app {

// What a web-browser control needs of the page view inside it. The web
// engine behind it lives in a plugin loaded at the first show, so a start-up
// that never shows a page does not even map the engine's libraries.
class WebView {
public:
    virtual ~WebView() = default;
    // The view's widget, a child of the parent it was made with.
    virtual QWidget* Widget() = 0;
    virtual void Load(const QUrl& address) = 0;
    virtual QUrl Address() const = 0;
    virtual void SetCookie(const QUrl& site, const QByteArray& name, const QByteArray& value) = 0;
};

struct WebViewHooks {
    // A page finished loading.
    std::function<void()> loaded;
    // A magnet or .torrent link was followed in a page shown on screen; the
    // view stays where it is.
    std::function<void(const QUrl& link)> torrentLink;
};

class WebViewFactory {
public:
    virtual ~WebViewFactory() = default;
    virtual std::unique_ptr<WebView> Make(QWidget* parent, WebViewHooks hooks) = 0;
};

}  // namespace lumo::app

#define LUMO_WEB_VIEW_FACTORY_IID "lumo.app.WebViewFactory/1"
Q_DECLARE_INTERFACE(lumo::app::WebViewFactory, LUMO_WEB_VIEW_FACTORY_IID)
