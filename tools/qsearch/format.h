// Plain-text renderings of durations, sizes and store times for the commands' output.
#pragma once

#include <cstdint>
#include <string>

namespace qsearch {

std::string format_seconds(double seconds);     // "850 us", "12.3 ms", "1.23 s"
std::string format_bytes(std::uint64_t bytes);  // "512 B", "12.3 MiB"
std::string format_ticks(std::int64_t ticks);   // local time, "2024-05-01 12:34:56"
// UTC in ISO 8601, with the fraction of a second when it is not zero: "2020-01-02T03:04:05.5Z"
std::string format_iso_utc(std::int64_t ticks);
std::string format_rate(std::size_t count, double seconds);  // "123456/s"

}  // namespace qsearch
