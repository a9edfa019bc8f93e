#pragma once

#include "flow/prompter.h"

namespace lumo::app {

// The prompter the program uses: modal message boxes for the person at the
// screen.
class MessageBoxPrompter : public flow::Prompter {
public:
    bool AskYesNo(QWidget* owner, const QString& text, const QString& title) override;
    void Inform(QWidget* owner, const QString& text, const QString& title) override;
    QString ChooseOpenFile(QWidget* owner, const QString& title, const QString& filter) override;
};

}  // namespace lumo::app
