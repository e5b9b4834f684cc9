#include "format.h"

#include <quorven/search_core.h>

#include <cstdio>
#include <ctime>

namespace qsearch {

std::string format_seconds(double seconds) {
    char text[32];
    if (seconds < 0.001) {
        std::snprintf(text, sizeof text, "%.0f us", seconds * 1e6);
    } else if (seconds < 1.0) {
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    }
    return text;
}

std::string format_bytes(std::uint64_t bytes) {
    static const char* const units[] = {"B", "KiB", "MiB", "GiB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < sizeof units / sizeof units[0]) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    } else {
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    }
    return text;
}

std::string format_ticks(std::int64_t ticks) {
    constexpr std::int64_t kTicksPerSecond = 10000000;
    const std::int64_t unix_seconds =
        (ticks - static_cast<std::int64_t>(QUORVEN_SC_UNIX_EPOCH_TICKS)) / kTicksPerSecond;
    const auto moment = static_cast<std::time_t>(unix_seconds);
    std::tm local{};
#if defined(_WIN32)
    const bool converted = localtime_s(&local, &moment) == 0;
#else
    const bool converted = localtime_r(&moment, &local) != nullptr;
#endif
    char text[32];
    if (!converted || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        return "(time out of range) ";
    }
    return text;
}

std::string format_rate(std::size_t count, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f/s",
                  seconds > 0 ? static_cast<double>(count) / seconds : 0.0);
    return text;
}

}  // namespace qsearch
