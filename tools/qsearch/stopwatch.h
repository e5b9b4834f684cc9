// Wall-clock timing of the steps a command reports.
#pragma once

#include <chrono>

namespace qsearch {

class Stopwatch {
  public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    // Seconds since the last lap (or the start).
    double lap() {
        const auto now = std::chrono::steady_clock::now();
        const double elapsed = std::chrono::duration<double>(now - lap_start_).count();
        lap_start_ = now;
        return elapsed;
    }

  private:
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lap_start_ = start_;
};

}  // namespace qsearch
