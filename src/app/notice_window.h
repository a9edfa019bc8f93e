#pragma once

#include <QWidget>

namespace lumo::app {

// NOTICE: the operators' announcement, 380 × 250, owned by the main window
// and modal to it. Its close button destroys it.
class NoticeWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 250;

    NoticeWindow(QWidget* owner, const QString& text);
};

}  // namespace lumo::app
