// The terminal as the ui needs it: keys one at a time without echo, on the alternate screen.
// It is put back as it was on every way out: the destructor (a return or an exception), and
// a handler for the signals that end the process, which restores it before the signal acts.
#pragma once

#include <string>

namespace qsearch {

class RawTerminal {
  public:
    // Throws Failure when standard input or output is not a terminal.
    RawTerminal();
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    int rows() const;
    int columns() const;
    // The whole text at once, so a screen is never seen half drawn.
    void write(const std::string& text) const;
    // Puts the terminal back now (before printing the chosen path); the destructor then does
    // nothing.
    void restore();
};

}  // namespace qsearch
