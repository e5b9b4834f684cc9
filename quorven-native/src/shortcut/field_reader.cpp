// Measuring, trimming and copying out the values the link's getters return.

#include "shortcut/field_reader.h"

#include "platform/com_ids.h"
#include "platform/icu_white_space.h"

namespace quorven::native {

namespace {

constexpr u32 read_units = QUORVEN_SHORTCUT_READ_UNITS;
constexpr u32 compact_argument_units = QUORVEN_SHORTCUT_COMPACT_ARGUMENTS_UNITS;

// Units before the first 0 unit, or the whole buffer when the getter left no terminator.
u32 measure(const WCHAR* units, u32 capacity) {
    for (u32 i = 0; i < capacity; ++i) {
        if (units[i] == 0) {
            return i;
        }
    }
    return capacity;
}

// One field's place in the request and the result.
struct field_slot {
    u32 bit;
    i32 quorven_shortcut_read_result_v2::*hr;
    u32 quorven_shortcut_read_result_v2::*needed;
    quorven_shortcut_value quorven_shortcut_request_v2::*buffer;
};

constexpr field_slot target_slot = {
    QUORVEN_SHORTCUT_FIELD_TARGET, &quorven_shortcut_read_result_v2::hr_get_path,
    &quorven_shortcut_read_result_v2::needed_target, &quorven_shortcut_request_v2::target};
constexpr field_slot description_slot = {QUORVEN_SHORTCUT_FIELD_DESCRIPTION,
                                         &quorven_shortcut_read_result_v2::hr_get_description,
                                         &quorven_shortcut_read_result_v2::needed_description,
                                         &quorven_shortcut_request_v2::description};
constexpr field_slot arguments_slot = {
    QUORVEN_SHORTCUT_FIELD_ARGUMENTS, &quorven_shortcut_read_result_v2::hr_get_arguments,
    &quorven_shortcut_read_result_v2::needed_arguments, &quorven_shortcut_request_v2::arguments};
constexpr field_slot working_directory_slot = {
    QUORVEN_SHORTCUT_FIELD_WORKING_DIRECTORY,
    &quorven_shortcut_read_result_v2::hr_get_working_directory,
    &quorven_shortcut_read_result_v2::needed_working_directory,
    &quorven_shortcut_request_v2::working_directory};
constexpr field_slot icon_path_slot = {
    QUORVEN_SHORTCUT_FIELD_ICON_PATH, &quorven_shortcut_read_result_v2::hr_get_icon_location,
    &quorven_shortcut_read_result_v2::needed_icon_path, &quorven_shortcut_request_v2::icon_path};

// Records a getter's HRESULT; a failure ends reading with status 7.
bool record_getter(HRESULT hr, const field_slot& slot, quorven_shortcut_read_result_v2& result,
                   call_report& report) {
    return record_call(hr, result.*slot.hr, report, status_step_failed);
}

// Reports a measured value and copies it out whole, with a terminator, when it fits.
void deliver(const WCHAR* units, u32 length, const field_slot& slot,
             const quorven_shortcut_request_v2& request, quorven_shortcut_read_result_v2& result) {
    result.*slot.needed = length + 1;
    result.fields_read |= slot.bit;
    if (length > 0) {
        result.fields_nonempty |= slot.bit;
    }
    const quorven_utf16_buffer& buffer = (request.*slot.buffer).buffer;
    if (buffer.capacity < length + 1) {
        result.fields_truncated |= slot.bit;
        return;
    }
    u16* out = host_buffer(buffer.pointer);
    for (u32 i = 0; i < length; ++i) {
        out[i] = static_cast<u16>(units[i]);
    }
    out[length] = 0;
}

// Zero-filled find data for GetPath, which the library never looks at afterwards.
HRESULT get_path(IShellLinkW& link, WCHAR* units, u32 capacity, DWORD path_flags) {
    WIN32_FIND_DATAW find_data;
    qv::mem_zero(&find_data, sizeof find_data);
    return link.GetPath(units, static_cast<int>(capacity), &find_data, path_flags);
}

HRESULT call_full_getter(IShellLinkW& link, u32 bit, WCHAR* units, int& icon_index) {
    constexpr int capacity = static_cast<int>(read_units);
    switch (bit) {
        case QUORVEN_SHORTCUT_FIELD_TARGET:
            return get_path(link, units, read_units, flags::get_path_raw);
        case QUORVEN_SHORTCUT_FIELD_DESCRIPTION:
            return link.GetDescription(units, capacity);
        case QUORVEN_SHORTCUT_FIELD_ARGUMENTS:
            return link.GetArguments(units, capacity);
        case QUORVEN_SHORTCUT_FIELD_WORKING_DIRECTORY:
            return link.GetWorkingDirectory(units, capacity);
        default:
            return link.GetIconLocation(units, capacity, &icon_index);
    }
}

// One compact field: read into `units` (of `capacity`), measure, trim, deliver.
bool read_compact_field(HRESULT hr, WCHAR* units, u32 capacity, const field_slot& slot,
                        const quorven_shortcut_request_v2& request,
                        quorven_shortcut_read_result_v2& result, call_report& report) {
    if (!record_getter(hr, slot, result, report)) {
        return false;
    }
    u32 length = measure(units, capacity);
    if (length >= capacity - 1) {
        result.fields_at_limit |= slot.bit;
    }
    u32 first = 0;
    u32 trimmed = 0;
    trim_white_space(units, length, first, trimmed);
    deliver(units + first, trimmed, slot, request, result);
    return true;
}

}  // namespace

void trim_white_space(const WCHAR* units, u32 length, u32& first, u32& trimmed_length) {
    u32 begin = 0;
    u32 end = length;
    while (begin < end && is_white_space(static_cast<u32>(units[begin]))) {
        ++begin;
    }
    while (end > begin && is_white_space(static_cast<u32>(units[end - 1]))) {
        --end;
    }
    first = begin;
    trimmed_length = end - begin;
}

bool read_full_fields(IShellLinkW& link, const quorven_shortcut_request_v2& request,
                      quorven_shortcut_read_result_v2& result, call_report& report) {
    const field_slot* slots[] = {&target_slot, &description_slot, &arguments_slot,
                                 &working_directory_slot, &icon_path_slot};
    WCHAR units[read_units];
    int icon_index = 0;
    for (const field_slot* slot : slots) {
        result.fields_attempted |= slot->bit;
        qv::mem_zero(units, sizeof units);
        if (!record_getter(call_full_getter(link, slot->bit, units, icon_index), *slot, result,
                           report)) {
            return false;
        }
        u32 length = measure(units, read_units);
        if (length >= read_units - 1) {
            result.fields_at_limit |= slot->bit;
        }
        deliver(units, length, *slot, request, result);
    }
    result.icon_index = icon_index;
    return true;
}

bool read_compact_fields(IShellLinkW& link, const quorven_shortcut_request_v2& request,
                         quorven_shortcut_read_result_v2& result, call_report& report) {
    {
        WCHAR units[read_units];
        result.fields_attempted |= target_slot.bit;
        qv::mem_zero(units, sizeof units);
        HRESULT hr = get_path(link, units, read_units, 0);
        if (!read_compact_field(hr, units, read_units, target_slot, request, result, report)) {
            return false;
        }
    }
    WCHAR units[compact_argument_units];
    result.fields_attempted |= arguments_slot.bit;
    qv::mem_zero(units, sizeof units);
    HRESULT hr = link.GetArguments(units, static_cast<int>(compact_argument_units));
    return read_compact_field(hr, units, compact_argument_units, arguments_slot, request, result,
                              report);
}

}  // namespace quorven::native
