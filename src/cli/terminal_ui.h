#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "flow/flow_ui.h"
#include "flow/list_model.h"

namespace lumo::cli {

// The flows' window side for a terminal: lists, texts and check boxes are
// kept in memory for the commands to read back, windows are only noted as
// shown, and message boxes are collected (the commands tell the user in
// their own words). A yes/no question goes to `asker`, or is answered no.
class TerminalUi : public flow::FlowUi {
public:
    TerminalUi();
    ~TerminalUi() override;

    flow::ListModel* List(const std::string& name) override;
    std::string Text(const std::string& control) override;
    void SetText(const std::string& control, const std::string& text) override;
    void SetVisible(const std::string& control, bool visible) override;
    bool IsVisible(const std::string& control) override;
    bool IsChecked(const std::string& control) override;
    void SetChecked(const std::string& control, bool checked) override;
    void SetImage(const std::string& control, const std::string& bytes) override;

    bool AskYesNo(const std::string& text, const std::string& title, bool ownedByMain = true) override;
    void Inform(const std::string& text, const std::string& title, bool ownedByMain = true) override;

    void ShowWindow(flow::WindowCode window) override;
    void CloseWindow(flow::WindowCode window) override;
    bool IsWindowLoaded(flow::WindowCode window) override;

    int CurrentPage(const std::string& control) override;
    void SetCurrentPage(const std::string& control, int page) override;

    void OpenInBrowser(const std::string& address) override;
    void SetClipboardText(const std::string& text) override;
    void EndProgram() override;

    // Answers the flows' yes/no questions.
    void SetAsker(std::function<bool(const std::string& question)> asker) { asker_ = std::move(asker); }

    // The message boxes shown so far, oldest first.
    const std::vector<std::string>& Messages() const { return messages_; }
    bool EndRequested() const { return endRequested_; }

private:
    std::map<std::string, std::unique_ptr<flow::ListModel>> lists_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, bool> visible_;
    std::set<std::string> checked_;
    std::set<flow::WindowCode> windows_;
    std::map<std::string, int> pages_;
    std::vector<std::string> messages_;
    std::function<bool(const std::string&)> asker_;
    bool endRequested_ = false;
};

}  // namespace lumo::cli
