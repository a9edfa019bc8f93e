#pragma once

class QString;
class QWidget;

namespace lumo::flow {

// Every message box of Lumo goes through a Prompter, so tests can answer
// them. An owner of nullptr means a box without owner window.
class Prompter {
public:
    virtual ~Prompter() = default;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& title) = 0;
    // A notice with an OK button.
    virtual void Inform(QWidget* owner, const QString& text, const QString& title) = 0;
    // An open-file dialog with Qt's filter text; empty when the user cancels.
    virtual QString ChooseOpenFile(QWidget* owner, const QString& title, const QString& filter) = 0;
};

}  // namespace lumo::flow
