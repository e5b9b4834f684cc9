// What goes to the terminal only: the progress line and match highlighting. Neither appears
// when the output is a pipe or a file, so scripts see plain lines.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace qsearch {

bool stdout_is_terminal();
bool stderr_is_terminal();

// One self-overwriting line on stderr, shown only when stderr is a terminal.
class StatusLine {
  public:
    StatusLine();
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;
    bool enabled() const { return enabled_; }
    void show(const std::string& text);
    // Takes the line away, before other output or at the end.
    void clear();

  private:
    bool enabled_;
    bool shown_ = false;
};

// A status line telling "label: N entries, R entries/s".
class ProgressLine {
  public:
    explicit ProgressLine(std::string label);
    void update(std::size_t entries);
    void finish() { line_.clear(); }

  private:
    std::string label_;
    StatusLine line_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_;
};

// `before`, `match` and `after` joined, the match emphasised when stdout is a terminal (and
// NO_COLOR is not set).
std::string highlight(std::string_view before, std::string_view match, std::string_view after);

}  // namespace qsearch
