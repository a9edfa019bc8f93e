#pragma once

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "flow/prompter.h"

// Answers Lumo's message boxes from a script and records what was asked. A
// question without a scripted answer fails the test (and is answered No).
class ScriptedPrompter : public lumo::flow::Prompter {
public:
    struct Asked {
        QWidget* owner;
        QString text;
        QString title;
        bool question;
    };

    void AnswerNext(bool yes) { answers_.push_back(yes); }
    const std::vector<Asked>& History() const { return asked_; }

    bool AskYesNo(QWidget* owner, const QString& text, const QString& title) override {
        asked_.push_back({owner, text, title, true});
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return false;
        }
        bool yes = answers_.front();
        answers_.pop_front();
        return yes;
    }

    void Inform(QWidget* owner, const QString& text, const QString& title) override {
        asked_.push_back({owner, text, title, false});
    }

private:
    std::deque<bool> answers_;
    std::vector<Asked> asked_;
};
