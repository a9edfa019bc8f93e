#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

namespace lumo::app {

// CODECDL: the codec pack download, 354 × 142, titled "解码器下载". Owned by
// MAIN and modeless from the start-up check; without owner and modal from
// the missing-decoder question. It refuses to close unless `mayClose` says
// so (after a failed download); it goes by itself after a good one.
class CodecDownloadWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 354;
    static constexpr int kHeight = 142;

    CodecDownloadWindow(QWidget* owner, bool modal);

    void SetCloseCheck(std::function<bool()> mayClose) { mayClose_ = std::move(mayClose); }

signals:
    // "手动下载" was pressed.
    void ManualDownloadRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* manual_;
    std::function<bool()> mayClose_;
};

}  // namespace lumo::app
