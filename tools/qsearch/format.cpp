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

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;

// A time given in seconds since the Unix epoch, as ISO 8601 in UTC or as plain local time;
// empty when it cannot be shown.
std::string format_unix_seconds(std::int64_t unix_seconds, bool utc) {
    const auto moment = static_cast<std::time_t>(unix_seconds);
    std::tm parts{};
#if defined(_WIN32)
    const bool converted = (utc ? gmtime_s(&parts, &moment) : localtime_s(&parts, &moment)) == 0;
#else
    const bool converted =
        (utc ? gmtime_r(&moment, &parts) : localtime_r(&moment, &parts)) != nullptr;
#endif
    char text[48];
    const std::size_t length = utc ? std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts)
                                   : std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    if (!converted || length == 0) {
        return "";
    }
    return text;
}

}  // namespace

std::string format_ticks(std::int64_t ticks) {
    const std::int64_t unix_seconds =
        (ticks - static_cast<std::int64_t>(QUORVEN_SC_UNIX_EPOCH_TICKS)) / kTicksPerSecond;
    const std::string text = format_unix_seconds(unix_seconds, false);
    return text.empty() ? "(time out of range) " : text;
}

std::string format_iso_utc(std::int64_t ticks) {
    const std::int64_t since_epoch = ticks - static_cast<std::int64_t>(QUORVEN_SC_UNIX_EPOCH_TICKS);
    std::int64_t seconds = since_epoch / kTicksPerSecond;
    std::int64_t fraction = since_epoch % kTicksPerSecond;
    if (fraction < 0) {
        fraction += kTicksPerSecond;
        --seconds;
    }
    std::string text = format_unix_seconds(seconds, true);
    if (text.empty()) {
        return text;
    }
    if (fraction != 0) {
        char digits[16];
        std::snprintf(digits, sizeof digits, ".%07lld", static_cast<long long>(fraction));
        text += digits;
        text.erase(text.find_last_not_of('0') + 1);
    }
    return text + "Z";
}

std::string format_rate(std::size_t count, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f/s",
                  seconds > 0 ? static_cast<double>(count) / seconds : 0.0);
    return text;
}

}  // namespace qsearch
