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

    // The next open-file dialog picks `path`; without one it is cancelled.
    void ChooseNext(QString path) { files_.push_back(std::move(path)); }
    QString ChooseOpenFile(QWidget*, const QString&, const QString& filter) override {
        lastFilter_ = filter;
        if (files_.empty()) return {};
        QString path = files_.front();
        files_.pop_front();
        return path;
    }
    const QString& LastFilter() const { return lastFilter_; }

private:
    std::deque<bool> answers_;
    std::deque<QString> files_;
    QString lastFilter_;
    std::vector<Asked> asked_;
};
