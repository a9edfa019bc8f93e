#include "cli/raw_terminal.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace lumo::cli {
namespace {

// Read by the signal handlers, so plain statics set before they are installed.
struct termios saved;
struct termios raw;
volatile sig_atomic_t rawOn = 0;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void PutBack() {
    if (rawOn) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        rawOn = 0;
    }
}

void Install(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// Only async-signal-safe calls from here on.
void OnEndingSignal(int signal) {
    PutBack();
    const char newline = '\n';
    (void)!write(STDERR_FILENO, &newline, 1);
    Install(signal, SIG_DFL);
    raise(signal);
}

void OnContinue(int);

void OnStop(int) {
    const bool wasRaw = rawOn != 0;
    PutBack();
    Install(SIGTSTP, SIG_DFL);
    // The signal is blocked while its handler runs: let it through so the
    // process stops here, with the terminal given back.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP);
    // Continued.
    Install(SIGTSTP, OnStop);
    if (wasRaw) {
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        rawOn = 1;
    }
}

void OnContinue(int) {}

void PutBackAtExit() { PutBack(); }

}  // namespace

RawTerminal::RawTerminal() {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return;
    raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    static bool hooked = false;
    if (!hooked) {
        hooked = true;
        std::atexit(PutBackAtExit);
        std::at_quick_exit(PutBackAtExit);
        for (int signal : kEndingSignals) Install(signal, OnEndingSignal);
        Install(SIGTSTP, OnStop);
        Install(SIGCONT, OnContinue);
    }
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
    rawOn = 1;
    active_ = true;
}

RawTerminal::~RawTerminal() { Restore(); }

void RawTerminal::Restore() {
    if (!active_) return;
    PutBack();
    active_ = false;
}

}  // namespace lumo::cli
