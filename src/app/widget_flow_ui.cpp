#include "app/widget_flow_ui.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QUrl>

#include <utility>

#include "app/codec_download_window.h"
#include "app/list_binder.h"
#include "app/list_view.h"
#include "app/login_window.h"
#include "app/magnet_window.h"
#include "app/main_window.h"
#include "app/notice_window.h"
#include "app/open_menu_window.h"
#include "app/picture_button.h"
#include "app/skinned_button.h"
#include "app/subtitle_window.h"
#include "app/url_input_window.h"
#include "app/web_browser.h"
#include "app/win_color.h"
#include "flow/list_model.h"
#include "flow/prompter.h"

namespace lumo::app {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

using flow::WindowCode;

struct NamedWindow {
    const char* name;
    flow::WindowCode code;
};
constexpr NamedWindow kWindows[] = {
    {"MAIN", WindowCode::MAIN},       {"PLAYQUEUE", WindowCode::PLAYQUEUE}, {"OPENMENU", WindowCode::OPENMENU},
    {"URLINPUT", WindowCode::URLINPUT}, {"SUBTITLE", WindowCode::SUBTITLE}, {"MAGNETWIN", WindowCode::MAGNETWIN},
    {"LOGIN", WindowCode::LOGIN},     {"CODECDL", WindowCode::CODECDL},     {"NOTICE", WindowCode::NOTICE},
};

// The nearest window above `widget` (itself when it is one).
const QWidget* WindowOf(const QWidget* widget) {
    while (widget != nullptr && !widget->isWindow()) widget = widget->parentWidget();
    return widget;
}

// A control of `window` itself, not of a window it owns.
QWidget* ChildOf(QWidget* window, const QString& name) {
    if (window == nullptr) return nullptr;
    for (QWidget* found : window->findChildren<QWidget*>(name)) {
        if (WindowOf(found) == window) return found;
    }
    return nullptr;
}

// The window a menu item belongs to: the first window above it that is not
// itself a popup menu.
const QWidget* MenuOwner(const QObject* object) {
    for (const QObject* up = object->parent(); up != nullptr; up = up->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(up);
        if (widget != nullptr && widget->isWindow() && qobject_cast<const QMenu*>(widget) == nullptr) return widget;
    }
    return nullptr;
}

// "caption|patterns|caption|patterns" as Qt's dialog filter, one entry a
// line: "caption (patterns)".
QString DialogFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString caption = parts[i];
        caption.remove(QStringLiteral("()"));
        entries << caption + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace

WidgetFlowUi::WidgetFlowUi(MainWindow& main, QObject* parent) : QObject(parent), main_(main) {}

WidgetFlowUi::~WidgetFlowUi() {
    // The binders go before the models they watch.
    for (auto& [name, list] : lists_) delete list.binder;
}

QWidget* WidgetFlowUi::Find(const std::string& name) const {
    const QString full = Q(name);
    const qsizetype dot = full.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString prefix = full.left(dot);
        for (const auto& window : kWindows) {
            if (prefix == QLatin1String(window.name)) return ChildOf(main_.LoadedWindow(window.code), full.mid(dot + 1));
        }
    }
    if (QWidget* own = ChildOf(&main_, full)) return own;
    // Names only one auxiliary window uses come without its code.
    for (const auto& window : kWindows) {
        if (window.code == flow::WindowCode::MAIN) continue;
        if (QWidget* found = ChildOf(main_.LoadedWindow(window.code), full)) return found;
    }
    return nullptr;
}

QWidget* WidgetFlowUi::FindWindow(const std::string& code) const {
    for (const auto& window : kWindows) {
        if (code == window.name) return main_.LoadedWindow(window.code);
    }
    return nullptr;
}

QAction* WidgetFlowUi::FindAction(const std::string& name) const {
    QString full = Q(name);
    const QWidget* owner = &main_;
    const qsizetype dot = full.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        owner = FindWindow(full.left(dot).toStdString());
        full = full.mid(dot + 1);
    }
    if (owner == nullptr) return nullptr;
    for (QAction* action : owner->findChildren<QAction*>(full)) {
        if (MenuOwner(action) == owner) return action;
    }
    return nullptr;
}

// ---- lists -------------------------------------------------------------------

flow::ListModel* WidgetFlowUi::List(const std::string& name) {
    auto it = lists_.find(name);
    if (it != lists_.end()) {
        if (it->second.binder == nullptr || it->second.binder->View() == nullptr) Bind(name, it->second);
        return it->second.model.get();
    }
    auto* view = qobject_cast<ListView*>(Find(name));
    if (view == nullptr) return nullptr;
    BoundList& list = lists_[name];
    list.model = std::make_unique<flow::ListModel>(name, view->columnCount());
    Bind(name, list);
    return list.model.get();
}

void WidgetFlowUi::Bind(const std::string& name, BoundList& list) {
    auto* view = qobject_cast<ListView*>(Find(name));
    if (view == nullptr) return;
    delete list.binder;
    list.binder = new ListBinder(*list.model, *view, this);
    connect(list.binder, &ListBinder::RowClicked, this, [this, name](int row) { emit RowClicked(name, row); });
    connect(list.binder, &ListBinder::RowDoubleClicked, this,
            [this, name](int row) { emit RowDoubleClicked(name, row); });
}

// ---- controls ----------------------------------------------------------------

std::string WidgetFlowUi::Text(const std::string& control) {
    QWidget* widget = Find(control);
    if (widget == nullptr) {
        if (QAction* action = FindAction(control)) return action->text().toStdString();
    }
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        text = edit->text();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        text = plain->toPlainText();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        text = combo->currentText();
    } else if (widget != nullptr && widget->isWindow()) {
        text = widget->windowTitle();
    }
    return text.toStdString();
}

void WidgetFlowUi::SetText(const std::string& control, const std::string& text) {
    QWidget* widget = Find(control);
    const QString value = Q(text);
    if (widget == nullptr) {
        if (QAction* action = FindAction(control)) action->setText(value);
        return;
    }
    if (auto* picture = qobject_cast<PictureButton*>(widget)) {
        // A picture button's caption names its picture pair.
        picture->setText(value);
        picture->SetGlyphForCaption(value);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        plain->setPlainText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        const int index = combo->findText(value);
        if (index >= 0) combo->setCurrentIndex(index);
    } else if (widget != nullptr && widget->isWindow()) {
        widget->setWindowTitle(value);
    }
}

void WidgetFlowUi::SetVisible(const std::string& control, bool visible) {
    QWidget* widget = Find(control);
    if (widget == nullptr) widget = FindWindow(control);
    if (widget != nullptr) {
        widget->setVisible(visible);
        if (visible) widget->raise();
    } else if (QAction* action = FindAction(control)) {
        action->setVisible(visible);
    }
}

// A control counts as shown when it is not hidden itself, even while its
// page is not the current one; a window when it is on the screen.
bool WidgetFlowUi::IsVisible(const std::string& control) {
    if (QWidget* window = FindWindow(control)) return window->isVisible();
    if (QWidget* widget = Find(control)) return !widget->isHidden();
    if (QAction* action = FindAction(control)) return action->isVisible();
    return false;
}

void WidgetFlowUi::SetChecked(const std::string& control, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Find(control))) {
        button->setChecked(checked);
    } else if (QAction* action = FindAction(control)) {
        action->setChecked(checked);
    }
}

int WidgetFlowUi::Value(const std::string& control) {
    QWidget* widget = Find(control);
    if (auto* bar = qobject_cast<QProgressBar*>(widget)) return bar->value();
    auto* slider = qobject_cast<QAbstractSlider*>(widget);
    return slider != nullptr ? slider->value() : 0;
}

void WidgetFlowUi::SetValue(const std::string& control, int value) {
    QWidget* widget = Find(control);
    if (auto* bar = qobject_cast<QProgressBar*>(widget)) bar->setValue(value);
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) slider->setValue(value);
}

int WidgetFlowUi::Maximum(const std::string& control) {
    auto* slider = qobject_cast<QAbstractSlider*>(Find(control));
    return slider != nullptr ? slider->maximum() : 0;
}

void WidgetFlowUi::SetMaximum(const std::string& control, int maximum) {
    if (auto* slider = qobject_cast<QAbstractSlider*>(Find(control))) slider->setMaximum(maximum);
}

flow::Rect WidgetFlowUi::Geometry(const std::string& control) {
    if (QWidget* window = FindWindow(control)) {
        const QRect frame = window->geometry();
        return {frame.x(), frame.y(), frame.width(), frame.height()};
    }
    QWidget* widget = Find(control);
    if (widget == nullptr) return {};
    const QRect place = widget->geometry();
    return {place.x(), place.y(), place.width(), place.height()};
}

void WidgetFlowUi::SetGeometry(const std::string& control, const flow::Rect& rect) {
    QWidget* widget = FindWindow(control);
    if (widget != nullptr) {
        // Lumo's windows have fixed sizes; full screen changes MAIN's.
        widget->setFixedSize(rect.width, rect.height);
        widget->move(rect.left, rect.top);
        return;
    }
    if ((widget = Find(control)) != nullptr) widget->setGeometry(rect.left, rect.top, rect.width, rect.height);
}

void WidgetFlowUi::SetMainPinned(bool pinned) { main_.SetPinned(pinned); }

flow::Rect WidgetFlowUi::ScreenSize() {
    QScreen* screen = main_.screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    const QRect whole = screen->geometry();
    return {whole.x(), whole.y(), whole.width(), whole.height()};
}

int WidgetFlowUi::CursorScreenY() { return QCursor::pos().y(); }

void WidgetFlowUi::PopupMenu(const std::string& menu) {
    for (QMenu* popup : main_.findChildren<QMenu*>(Q(menu))) {
        if (MenuOwner(popup) == &main_) {
            popup->popup(QCursor::pos());
            return;
        }
    }
}

std::string WidgetFlowUi::AskOpenFile(const std::string& title, const std::string& filter) {
    return main_.Ask().ChooseOpenFile(&main_, Q(title), DialogFilter(filter)).toStdString();
}

void WidgetFlowUi::ShowPlayerView() { main_.ShowPlayerView(); }

bool WidgetFlowUi::IsChecked(const std::string& control) {
    if (auto* button = qobject_cast<QAbstractButton*>(Find(control))) return button->isChecked();
    QAction* action = FindAction(control);
    return action != nullptr && action->isChecked();
}

void WidgetFlowUi::SetColours(const std::string& control, uint32_t text, uint32_t background) {
    QWidget* widget = Find(control);
    if (widget == nullptr) return;
    if (auto* skinned = qobject_cast<SkinnedButton*>(widget)) {
        skinned->SetColors(text, background);
        return;
    }
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, WinColor(text));
    palette.setColor(QPalette::ButtonText, WinColor(text));
    palette.setColor(QPalette::Text, WinColor(text));
    palette.setColor(QPalette::Window, WinColor(background));
    palette.setColor(QPalette::Button, WinColor(background));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void WidgetFlowUi::SetEnabled(const std::string& control, bool enabled) {
    if (QWidget* widget = Find(control)) {
        widget->setEnabled(enabled);
    } else if (QAction* action = FindAction(control)) {
        action->setEnabled(enabled);
    }
}

void WidgetFlowUi::NavigateBrowser(const std::string& control, const std::string& address) {
    if (auto* browser = qobject_cast<WebBrowser*>(Find(control))) browser->Navigate(Q(address));
}

void WidgetFlowUi::SetImage(const std::string& control, const std::string& bytes) {
    auto* label = qobject_cast<QLabel*>(Find(control));
    if (label == nullptr) return;
    QPixmap picture;
    if (bytes.empty() || !picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                                               static_cast<uint>(bytes.size()))) {
        // Bytes that are no picture clear the box rather than leave the last one.
        label->clear();
        return;
    }
    label->setPixmap(picture.scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// ---- message boxes -----------------------------------------------------------

bool WidgetFlowUi::AskYesNo(const std::string& text, const std::string& title, bool ownedByMain) {
    const QString caption = title.empty() ? main_.windowTitle() : Q(title);
    return main_.Ask().AskYesNo(ownedByMain ? &main_ : nullptr, Q(text), caption);
}

void WidgetFlowUi::Inform(const std::string& text, const std::string& title, bool ownedByMain) {
    const QString caption = title.empty() ? main_.windowTitle() : Q(title);
    main_.Ask().Inform(ownedByMain ? &main_ : nullptr, Q(text), caption);
}

// ---- windows -----------------------------------------------------------------

void WidgetFlowUi::LoadAndActivate(flow::WindowCode window, const std::function<QWidget*()>& make) {
    QWidget* widget = main_.LoadedWindow(window);
    if (widget == nullptr) {
        widget = make();
        main_.RegisterWindow(window, widget);
        emit WindowLoaded(window, widget);
    }
    widget->show();
    widget->raise();
    widget->activateWindow();
}

void WidgetFlowUi::ShowWindow(flow::WindowCode window) {
    QWidget* widget = main_.LoadedWindow(window);
    switch (window) {
    case flow::WindowCode::MAIN:
        main_.showNormal();
        main_.activateWindow();
        return;
    case flow::WindowCode::PLAYQUEUE:
        if (widget != nullptr) {
            widget->show();
            widget->raise();
        }
        return;
    case flow::WindowCode::MAGNETWIN:
        if (widget == nullptr) {
            auto* magnet = new MagnetWindow;
            widget = magnet;
            const QRect frame = main_.geometry();
            magnet->move(frame.x() + (frame.width() - magnet->width()) / 2,
                         frame.y() + (frame.height() - magnet->height()) / 2);
            main_.RegisterWindow(flow::WindowCode::MAGNETWIN, magnet);
            // A model kept from an earlier window shows in the new one.
            List("MAGNETWIN.超级列表框1");
            emit WindowLoaded(window, magnet);
        }
        widget->showNormal();
        widget->raise();
        widget->activateWindow();
        return;
    case flow::WindowCode::OPENMENU:
        // Only an active menu can lose activation, which is what hides it.
        LoadAndActivate(window, [] { return new OpenMenuWindow; });
        return;
    case flow::WindowCode::URLINPUT:
        LoadAndActivate(window, [this] { return new UrlInputWindow(&main_); });
        return;
    case flow::WindowCode::SUBTITLE:
        LoadAndActivate(window, [this] {
            auto* subtitle = new SubtitleWindow;
            // It has no owner; it follows MAIN once the event loop runs.
            connect(&main_, &QObject::destroyed, subtitle, &QObject::deleteLater);
            return subtitle;
        });
        return;
    case flow::WindowCode::CODECDL:
        // Asked for by the missing-decoder question: modal, no owner.
        ShowCodecWindow(true);
        return;
    case flow::WindowCode::NOTICE: {
        delete widget;
        auto* notice = new NoticeWindow(&main_, Q(noticeText_ ? noticeText_() : std::string()));
        main_.RegisterWindow(flow::WindowCode::NOTICE, notice);
        emit WindowLoaded(window, notice);
        notice->show();
        notice->raise();
        return;
    }
    case flow::WindowCode::LOGIN:
        LoadAndActivate(window, [this] { return new LoginWindow(&main_); });
        return;
    default:
        // The other windows are not part of this program yet.
        return;
    }
}

void WidgetFlowUi::CloseWindow(flow::WindowCode window) {
    QWidget* widget = main_.LoadedWindow(window);
    if (widget == nullptr || window == flow::WindowCode::MAIN) return;
    if (window == flow::WindowCode::PLAYQUEUE || window == flow::WindowCode::MAGNETWIN ||
        window == flow::WindowCode::OPENMENU || window == flow::WindowCode::SUBTITLE) {
        // These live until the program ends; closing them hides them.
        widget->hide();
    } else if (window == flow::WindowCode::LOGIN || window == flow::WindowCode::CODECDL) {
        // Their own handlers may be what got us here (the login window's
        // close button, the end of the download): they go once that handler
        // has returned, and count as gone from now on.
        main_.RegisterWindow(window, nullptr);
        widget->hide();
        widget->deleteLater();
    } else {
        delete widget;
    }
}

void WidgetFlowUi::ShowCodecWindow(bool modal) {
    QWidget* widget = main_.LoadedWindow(flow::WindowCode::CODECDL);
    if (widget == nullptr) {
        // One download at a time: a window already there goes on with its own.
        widget = new CodecDownloadWindow(modal ? nullptr : &main_, modal);
        main_.RegisterWindow(flow::WindowCode::CODECDL, widget);
        // The download starts with the window's wiring, so it runs while the
        // window is shown for the first time.
        emit WindowLoaded(flow::WindowCode::CODECDL, widget);
    }
    widget->show();
    widget->raise();
    widget->activateWindow();
}

bool WidgetFlowUi::IsWindowLoaded(flow::WindowCode window) { return main_.LoadedWindow(window) != nullptr; }

// ---- pages, browser, clipboard, exit ---------------------------------------------

int WidgetFlowUi::CurrentPage(const std::string& control) {
    QWidget* widget = Find(control);
    if (auto* tabs = qobject_cast<QTabWidget*>(widget)) return tabs->currentIndex();
    if (auto* stack = qobject_cast<QStackedWidget*>(widget)) return stack->currentIndex();
    return -1;
}

void WidgetFlowUi::SetCurrentPage(const std::string& control, int page) {
    QWidget* widget = Find(control);
    if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
        tabs->setCurrentIndex(page);
    } else if (auto* stack = qobject_cast<QStackedWidget*>(widget)) {
        stack->setCurrentIndex(page);
    }
}

void WidgetFlowUi::OpenInBrowser(const std::string& address) {
    if (!address.empty()) QDesktopServices::openUrl(QUrl(Q(address)));
}

void WidgetFlowUi::SetClipboardText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(Q(text));
}

void WidgetFlowUi::EndProgram() { main_.EndProgram(); }

}  // namespace lumo::app
