#include "app/web_browser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPluginLoader>

#include "app/web_view_plugin.h"

namespace lumo::app {

namespace {

// The engine plugin sits next to the program, built or installed.
WebViewFactory* LoadFactory(QString* error) {
    static WebViewFactory* factory = nullptr;
    static QString failure;
    if (factory != nullptr || !failure.isEmpty()) {
        *error = failure;
        return factory;
    }
    const QDir program(QCoreApplication::applicationDirPath());
    const QString path = program.filePath(QStringLiteral("lumo-webview.so"));
    QPluginLoader loader(path);
    factory = qobject_cast<WebViewFactory*>(loader.instance());
    if (factory != nullptr) return factory;
    failure = QFileInfo::exists(path) ? loader.errorString() : path + QStringLiteral(" not found");
    *error = failure;
    return nullptr;
}

}  // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent) {}

WebBrowser::~WebBrowser() = default;

QWidget* WebBrowser::View() const { return view_ ? view_->Widget() : nullptr; }

void WebBrowser::Navigate(const QString& address) {
    address_ = address;
    if (view_) view_->Load(QUrl(address));
}

void WebBrowser::SetCookies(const QUrl& site, const QString& cookies) {
    cookieSite_ = site;
    cookies_ = cookies;
    if (view_) StoreCookies();
}

void WebBrowser::StoreCookies() {
    for (const QString& item : cookies_.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        view_->SetCookie(cookieSite_, item.left(equals).trimmed().toUtf8(), item.mid(equals + 1).trimmed().toUtf8());
    }
}

void WebBrowser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!view_ && failure_ == nullptr) MakeView();
}

void WebBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (view_) view_->Widget()->setGeometry(rect());
    if (failure_ != nullptr) failure_->setGeometry(rect());
}

void WebBrowser::MakeView() {
    QString error;
    WebViewFactory* factory = LoadFactory(&error);
    if (factory == nullptr) {
        auto* label = new QLabel(QStringLiteral("网页无法显示：%1").arg(error), this);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setGeometry(rect());
        label->show();
        failure_ = label;
        return;
    }
    WebViewHooks hooks;
    hooks.loaded = [this] { emit PageLoaded(view_->Address().toString()); };
    hooks.torrentLink = [this](const QUrl& link) { emit TorrentLinkClicked(link); };
    view_ = factory->Make(this, std::move(hooks));
    view_->Widget()->setGeometry(rect());
    view_->Widget()->show();
    if (!cookies_.isEmpty()) StoreCookies();
    if (!address_.isEmpty()) view_->Load(QUrl(address_));
}

}  // namespace lumo::app
