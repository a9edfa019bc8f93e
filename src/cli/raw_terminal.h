#pragma once

namespace lumo::cli {

// Puts the terminal on standard input into single-key mode (no line
// buffering, no echo; Ctrl-C still interrupts) for as long as it lives, and
// gives the terminal back its settings on every way out: destruction, exit,
// and the signals that end or stop the process (a stopped process takes the
// single-key mode up again when it is continued). Does nothing when
// standard input is not a terminal. One at a time.
class RawTerminal {
public:
    RawTerminal();
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    bool Active() const { return active_; }
    // Gives the terminal back its settings now (idempotent).
    void Restore();

private:
    bool active_ = false;
};

}  // namespace lumo::cli
