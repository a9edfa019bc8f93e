#include "app/web_browser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPluginLoader>
#include <QWindow>

#include "app/gl_sharing.h"
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
    // The engine checks for the shared context as it loads.
    ShareGlContextsForWebViews();
    QPluginLoader loader(path);
    factory = qobject_cast<WebViewFactory*>(loader.instance());
    if (factory != nullptr) return factory;
    failure = QFileInfo::exists(path) ? loader.errorString() : path + QStringLiteral(" not found");
    *error = failure;
    return nullptr;
}

}  // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent) {}

WebBrowser::~WebBrowser() {
    view_.reset();
    delete host_;
}

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
    FollowControl();
}

void WebBrowser::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FollowControl();
}

void WebBrowser::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    FollowControl();
}

void WebBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (failure_ != nullptr) failure_->setGeometry(rect());
    FollowControl();
}

bool WebBrowser::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
        case QEvent::WindowActivate:
            FollowControl();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

// The part of the control its ancestors leave on screen, in its own
// coordinates: a control moved partly out of its page shows only the rest.
QRect WebBrowser::ShownPart() const {
    QRect part = rect();
    for (const QWidget* w = this; !w->isWindow() && w->parentWidget() != nullptr; w = w->parentWidget()) {
        const QWidget* parent = w->parentWidget();
        part = part.intersected(QRect(mapFrom(parent, QPoint(0, 0)), parent->size()));
    }
    return part;
}

void WebBrowser::FollowControl() {
    if (host_ == nullptr) return;
    const QWidget* top = window();
    const QRect part = ShownPart();
    if (!isVisible() || !top->isVisible() || top->isMinimized() || part.isEmpty()) {
        host_->hide();
        return;
    }
    host_->setGeometry(QRect(mapToGlobal(part.topLeft()), part.size()));
    view_->Widget()->setGeometry(QRect(-part.topLeft(), size()));
    if (!host_->isVisible()) host_->show();
    host_->raise();
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
    // The view draws through GL. Inside MAIN it would make all of MAIN draw
    // that way, which Qt does by recreating MAIN's native windows (the
    // engine's video window among them) and then leaves them unpainted. So
    // the view lives in a window of its own, kept over the control.
    host_ = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    host_->setAttribute(Qt::WA_ShowWithoutActivating);
    host_->winId();
    if (window()->windowHandle() != nullptr) host_->windowHandle()->setTransientParent(window()->windowHandle());
    view_ = factory->Make(host_, std::move(hooks));
    view_->Widget()->show();
    window()->installEventFilter(this);
    if (!cookies_.isEmpty()) StoreCookies();
    if (!address_.isEmpty()) view_->Load(QUrl(address_));
}

}  // namespace lumo::app
