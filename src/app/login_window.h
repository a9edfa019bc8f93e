#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace lumo::app {

class PictureButton;
class SkinnedButton;

// LOGIN: the forum login, 280 × 160 and frameless, owned by the main
// window. Its handlers live in the account flow; the window only reports
// what the user does.
class LoginWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 280;
    static constexpr int kHeight = 160;

    explicit LoginWindow(QWidget* owner);

    QLineEdit* Account() const { return account_; }
    QLineEdit* Password() const { return password_; }
    SkinnedButton* LoginButton() const { return login_; }
    PictureButton* CloseButton() const { return close_; }

signals:
    void RegisterClicked();
    void ForgotClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* account_;
    QLineEdit* password_;
    SkinnedButton* login_;
    PictureButton* close_;
    QLabel* register_;
    QLabel* forgot_;
};

}  // namespace lumo::app
