#include "entry_output.h"

#include "format.h"

#include <cstdio>
#include <filesystem>

namespace qsearch {
namespace {

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

void print_json(const EntryRecord& entry) {
    std::string line = "{\"path\":";
    append_json_string(line, entry.path);
    line += ",\"name\":";
    append_json_string(line, last_component(entry.path));
    line += entry.is_folder ? ",\"folder\":true" : ",\"folder\":false";
    line += ",\"modified\":";
    append_json_string(line, format_iso_utc(entry.ticks));
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
