// Request checks of the shortcut exports.

#include "shortcut/shortcut_checks.h"

namespace quorven::native {

namespace {

constexpr u32 shortcut_version = QUORVEN_SHORTCUT_RECORD_VERSION;

template <typename Request>
bool header_matches(const Request& request) {
    return request.size == sizeof(Request) && request.version == shortcut_version;
}

}  // namespace

u32 check_read_request(const quorven_shortcut_request_v2& request) {
    if (!header_matches(request)) {
        return status_unsupported_record;
    }
    if (request.icon_index != 0 || !all_zero(request.reserved1, 4) ||
        !required_string_valid(request.link_path)) {
        return status_invalid_argument;
    }
    if (request.mode != QUORVEN_SHORTCUT_MODE_FULL &&
        request.mode != QUORVEN_SHORTCUT_MODE_COMPACT) {
        return status_invalid_argument;
    }
    const quorven_shortcut_value* buffers[] = {&request.target, &request.description,
                                               &request.arguments, &request.working_directory,
                                               &request.icon_path};
    for (const quorven_shortcut_value* value : buffers) {
        if (!buffer_valid(value->buffer)) {
            return status_invalid_argument;
        }
    }
    return status_ok;
}

u32 check_resolve_request(const quorven_shortcut_resolve_request_v2& request) {
    if (!header_matches(request)) {
        return status_unsupported_record;
    }
    if (request.reserved0 != 0 || request.timeout_ms > QUORVEN_SHORTCUT_MAX_TIMEOUT_MS ||
        !all_zero(request.reserved1, 4)) {
        return status_invalid_argument;
    }
    u32 embedded = check_read_request(request.shortcut);
    if (embedded != status_ok) {
        return embedded;
    }
    if (request.shortcut.mode != QUORVEN_SHORTCUT_MODE_FULL) {
        return status_invalid_argument;
    }
    return status_ok;
}

u32 check_resolve_ui_request(const quorven_shortcut_resolve_ui_request_v2& request) {
    if (!header_matches(request)) {
        return status_unsupported_record;
    }
    if (request.reserved0[0] != 0 || request.reserved0[1] != 0 || !all_zero(request.reserved1, 3) ||
        !required_string_valid(request.link_path)) {
        return status_invalid_argument;
    }
    return status_ok;
}

u32 check_write_request(const quorven_shortcut_request_v2& request) {
    if (!header_matches(request)) {
        return status_unsupported_record;
    }
    if (request.mode != QUORVEN_SHORTCUT_MODE_WRITE || !all_zero(request.reserved1, 4) ||
        !required_string_valid(request.link_path) ||
        !required_string_valid(request.target.string)) {
        return status_invalid_argument;
    }
    const quorven_shortcut_value* optional[] = {&request.description, &request.arguments,
                                                &request.working_directory, &request.icon_path};
    for (const quorven_shortcut_value* value : optional) {
        if (!optional_string_valid(value->string)) {
            return status_invalid_argument;
        }
    }
    return status_ok;
}

}  // namespace quorven::native
