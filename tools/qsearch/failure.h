// How commands report problems: a Failure ends the command (main prints it as one line and
// exits with its code); warn() reports one that does not.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

namespace qsearch {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

class Failure : public std::runtime_error {
  public:
    explicit Failure(const std::string& message, int exit_code = kExitFailure)
        : std::runtime_error(message), exit_code_(exit_code) {}
    int exit_code() const { return exit_code_; }

  private:
    int exit_code_;
};

// A problem that does not stop the command, as one line on stderr.
inline void warn(const std::string& message) {
    std::fprintf(stderr, "qsearch: %s\n", message.c_str());
}

}  // namespace qsearch
