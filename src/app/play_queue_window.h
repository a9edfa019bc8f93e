#pragma once

#include <QWidget>

class QMenu;

namespace lumo::app {

class ListView;
class SkinnedButton;

// PLAYQUEUE: the play queue beside the video, a small frameless window owned
// by the main window, hidden until asked for. Its list 超级列表框1 holds the
// played files (and the play history at start-up).
class PlayQueueWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 266;
    static constexpr int kHeight = 422;
    static constexpr int kRowHeight = 33;
    static constexpr double kOpacity = 214.0 / 255.0;

    explicit PlayQueueWindow(QWidget* owner);

    ListView* List() const { return list_; }
    QMenu* Menu() const { return menu_; }

private:
    ListView* list_;
    SkinnedButton* title_;
    QMenu* menu_;
};

}  // namespace lumo::app
