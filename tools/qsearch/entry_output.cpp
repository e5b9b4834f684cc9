#include "entry_output.h"

#include <quorven/search_core.h>

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace qsearch {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
// The walk ends every folder path in this separator; a name may hold the other one.
constexpr auto kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

void append_json_string(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out.push_back(c);  // the paths are valid UTF-8 already
        }
    }
    out.push_back('"');
}

}  // namespace

void print_null_terminated(std::string_view path) {
    std::fwrite(path.data(), 1, path.size(), stdout);
    std::fputc('\0', stdout);
}

std::string_view last_component(std::string_view path) {
    while (path.size() > 1 && path.back() == kSeparator) {
        path.remove_suffix(1);
    }
    const std::size_t cut = path.find_last_of(kSeparator);
    return cut == std::string_view::npos || path.size() == 1 ? path : path.substr(cut + 1);
}

std::string iso_utc(std::int64_t ticks) {
    const std::int64_t since_epoch = ticks - static_cast<std::int64_t>(QUORVEN_SC_UNIX_EPOCH_TICKS);
    std::int64_t seconds = since_epoch / kTicksPerSecond;
    std::int64_t fraction = since_epoch % kTicksPerSecond;
    if (fraction < 0) {
        fraction += kTicksPerSecond;
        --seconds;
    }
    const auto moment = static_cast<std::time_t>(seconds);
    std::tm utc{};
#if defined(_WIN32)
    const bool converted = gmtime_s(&utc, &moment) == 0;
#else
    const bool converted = gmtime_r(&moment, &utc) != nullptr;
#endif
    char text[48];
    if (!converted || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc) == 0) {
        return "";
    }
    std::string result = text;
    if (fraction != 0) {
        std::snprintf(text, sizeof text, ".%07lld", static_cast<long long>(fraction));
        std::string digits = text;
        digits.erase(digits.find_last_not_of('0') + 1);
        result += digits;
    }
    return result + "Z";
}

void print_json(const EntryRecord& entry) {
    std::string line = "{\"path\":";
    append_json_string(line, entry.path);
    line += ",\"name\":";
    append_json_string(line, last_component(entry.path));
    line += entry.is_folder ? ",\"folder\":true" : ",\"folder\":false";
    line += ",\"modified\":";
    append_json_string(line, iso_utc(entry.ticks));
    if (entry.score) {
        line += ",\"score\":" + std::to_string(*entry.score);
    }
    if (entry.file_count) {
        line += ",\"files\":" + std::to_string(*entry.file_count);
    }
    line += "}\n";
    std::fputs(line.c_str(), stdout);
}

}  // namespace qsearch
