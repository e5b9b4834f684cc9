#include "raw_terminal.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

#include "failure.h"

namespace qsearch {
namespace {

constexpr char kEnterScreen[] = "\033[?1049h\033[H";
constexpr char kLeaveScreen[] = "\033[?1049l";
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// What the signal handler needs, set before it is installed.
struct termios g_saved;
volatile std::sig_atomic_t g_raw = 0;

void put_back() {
    if (g_raw != 0) {
        g_raw = 0;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
        [[maybe_unused]] const auto written =
            ::write(STDOUT_FILENO, kLeaveScreen, sizeof kLeaveScreen - 1);
    }
}

// Only async-signal-safe calls: restore, then let the signal do what it would have done.
extern "C" void on_ending_signal(int signal) {
    put_back();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

RawTerminal::RawTerminal() {
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0) {
        throw Failure(
            "ui needs a terminal: run it with standard input and output on one (for scripts, "
            "use 'qsearch find')");
    }
    if (tcgetattr(STDIN_FILENO, &g_saved) != 0) {
        throw Failure("cannot read the terminal's settings");
    }
    struct termios raw = g_saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    for (const int signal : kEndingSignals) {
        std::signal(signal, on_ending_signal);
    }
    g_raw = 1;
    // Keys typed before the ui started are kept: they are the start of the query.
    if (tcsetattr(STDIN_FILENO, TCSADRAIN, &raw) != 0) {
        restore();
        throw Failure("cannot set the terminal up for the ui");
    }
    write(kEnterScreen);
}

RawTerminal::~RawTerminal() {
    restore();
}

void RawTerminal::restore() {
    put_back();
    for (const int signal : kEndingSignals) {
        std::signal(signal, SIG_DFL);
    }
}

int RawTerminal::rows() const {
    winsize size{};
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 ? size.ws_row : 24;
}

int RawTerminal::columns() const {
    winsize size{};
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

void RawTerminal::write(const std::string& text) const {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace qsearch
