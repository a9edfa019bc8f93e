#pragma once

#include <QWidget>

class QLineEdit;

namespace lumo::app {

class PictureButton;
class SkinnedButton;

// URLINPUT: asks for an address or path to play, 400 × 185 and frameless,
// owned by the main window but not modal. Each of its buttons destroys it.
class UrlInputWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 185;

    explicit UrlInputWindow(QWidget* owner);

    QLineEdit* Input() const { return input_; }

signals:
    // OK with an address in the box, just before the window goes.
    void OpenRequested(const QString& address);

private:
    void Accept();

    QLineEdit* input_;
};

}  // namespace lumo::app
