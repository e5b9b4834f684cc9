#include "terminal.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#define QSEARCH_ISATTY _isatty
#else
#include <unistd.h>
#define QSEARCH_ISATTY isatty
#endif

namespace qsearch {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

bool colour_wanted() {
    static const bool wanted = stdout_is_terminal() && std::getenv("NO_COLOR") == nullptr;
    return wanted;
}

}  // namespace

bool stdout_is_terminal() {
    return QSEARCH_ISATTY(1) != 0;
}
bool stderr_is_terminal() {
    return QSEARCH_ISATTY(2) != 0;
}

StatusLine::StatusLine() : enabled_(stderr_is_terminal()) {}

StatusLine::~StatusLine() {
    clear();
}

void StatusLine::show(const std::string& text) {
    if (enabled_) {
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
}

void StatusLine::clear() {
    if (shown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }
}

ProgressLine::ProgressLine(std::string label)
    : label_(std::move(label)), start_(std::chrono::steady_clock::now()), last_(start_) {}

void ProgressLine::update(std::size_t entries) {
    if (!line_.enabled()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < kProgressInterval) {
        return;
    }
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(entries) / seconds : 0.0;
    char text[64];
    std::snprintf(text, sizeof text, ": %zu entries, %.0f entries/s", entries, rate);
    line_.show(label_ + text);
}

std::string highlight(std::string_view before, std::string_view match, std::string_view after) {
    std::string line(before);
    if (colour_wanted() && !match.empty()) {
        line += "\033[1;31m";
        line += match;
        line += "\033[0m";
    } else {
        line += match;
    }
    line += after;
    return line;
}

}  // namespace qsearch
