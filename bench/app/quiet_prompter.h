#pragma once
// A prompter for the start-up benchmarks: it asks nothing and answers No.
#include "flow/prompter.h"

namespace lumo::bench {

class QuietPrompter : public lumo::flow::Prompter {
public:
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void Inform(QWidget*, const QString&, const QString&) override {}
    QString ChooseOpenFile(QWidget*, const QString&, const QString&) override { return {}; }
};

}  // namespace lumo::bench
