#pragma once

#include <QWidget>

namespace lumo::app {

class SkinnedButton;

// OPENMENU: the small drop-down under the player view's open button, 203 × 74
// and frameless, loaded on demand without an owner. It behaves like a menu:
// it hides itself as soon as it loses activation.
class OpenMenuWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 203;
    static constexpr int kHeight = 74;

    OpenMenuWindow();

    SkinnedButton* OpenTorrentButton() const { return openTorrent_; }
    SkinnedButton* OpenAddressButton() const { return openAddress_; }

protected:
    bool event(QEvent* event) override;

private:
    SkinnedButton* openTorrent_;
    SkinnedButton* openAddress_;
};

}  // namespace lumo::app
