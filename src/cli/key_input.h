#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace lumo::cli {

// The keys typed on standard input, one signal per byte, read as they come
// without blocking the event loop. Stops at the end of input.
class KeyInput : public QObject {
    Q_OBJECT
public:
    explicit KeyInput(QObject* parent = nullptr);
    ~KeyInput() override;

signals:
    void Key(char key);

private:
    void ReadKeys();

    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace lumo::cli
