#include "lib/path_match.h"

namespace quorven::search_core {
namespace {

using qv::u32;

bool is_separator(qv::u16 unit) {
    return unit == slash || unit == backslash;
}

}  // namespace

bool full_path_equals(utf16_span path, utf16_span dir, utf16_span name) {
    if (dir.length == 0) {
        return names_equal_ci(path, name);
    }
    u32 added = needs_separator(dir) ? 1 : 0;
    if (path.length != qv::u64{dir.length} + added + name.length) {
        return false;
    }
    if (!units_equal_ci(path.units, dir.units, dir.length)) {
        return false;
    }
    if (added != 0 && !is_separator(path.units[dir.length])) {
        return false;
    }
    return units_equal_ci(path.units + dir.length + added, name.units, name.length);
}

bool path_covers(utf16_span path, utf16_span dir, utf16_span name) {
    u32 added = needs_separator(dir) ? 1 : 0;
    qv::u64 full_length = qv::u64{dir.length} + added + name.length;
    if (full_length < path.length) {
        return false;
    }
    u32 shared = dir.length < path.length ? dir.length : path.length;
    if (!units_equal_ci(path.units, dir.units, shared)) {
        return false;
    }
    if (dir.length < path.length) {
        u32 at = dir.length;
        if (added != 0) {
            if (!is_separator(path.units[at])) {
                return false;
            }
            ++at;
        }
        u32 rest = path.length - at;
        if (rest > name.length || !units_equal_ci(path.units + at, name.units, rest)) {
            return false;
        }
    }
    // The path must end where the full path ends or at a separator of either.
    if (path.length == full_length || is_separator(path.units[path.length - 1])) {
        return true;
    }
    u32 n = path.length;
    if (n < dir.length) {
        return is_separator(dir.units[n]);
    }
    if (added != 0 && n == dir.length) {
        return true;  // the added separator
    }
    return is_separator(name.units[n - dir.length - added]);
}

}  // namespace quorven::search_core
