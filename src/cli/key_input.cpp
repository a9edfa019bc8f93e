#include "cli/key_input.h"

#include <unistd.h>

#include <cerrno>

namespace lumo::cli {

KeyInput::KeyInput(QObject* parent) : QObject(parent) {
    notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &KeyInput::ReadKeys);
}

KeyInput::~KeyInput() = default;

void KeyInput::ReadKeys() {
    char keys[64];
    const ssize_t count = read(STDIN_FILENO, keys, sizeof keys);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (count <= 0) {
        // End of input (or a broken one): nothing more will come.
        notifier_->setEnabled(false);
        return;
    }
    for (ssize_t i = 0; i < count; ++i) emit Key(keys[i]);
}

}  // namespace lumo::cli
