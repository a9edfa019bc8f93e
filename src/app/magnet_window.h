#pragma once

#include <QWidget>

class QLineEdit;

namespace lumo::app {

class ListView;
class SkinnedButton;

// MAGNETWIN: the window where a magnet link or info-hash is parsed into the
// torrent's files, 400 × 470 and frameless, loaded on demand without an
// owner. Its close button only hides it; the main window destroys it.
class MagnetWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 470;
    static constexpr int kRowHeight = 30;
    static constexpr const char* kHint = "输入磁力链接然后点击解析";

    MagnetWindow();

    ListView* List() const { return list_; }
    QLineEdit* Input() const { return input_; }
    SkinnedButton* ParseButton() const { return parse_; }
    SkinnedButton* OpenTorrentButton() const { return openTorrent_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowHint(bool shown);

    QLineEdit* input_;
    SkinnedButton* parse_;
    SkinnedButton* openTorrent_;
    ListView* list_;
};

}  // namespace lumo::app
