/*
 * quorven_native: public interface of the native shell-helper library.
 *
 * The library wraps Windows shell and COM services for the host: it reads, resolves and writes
 * shell link files (shortcuts), counts and restores Recycle Bin items, queries and changes Quick
 * Access pins, reads and sets the default device's and one application's volume, and launches
 * files through the Explorer process that owns the desktop. It keeps no state between calls.
 *
 * Conventions shared by every operation export:
 * - It takes a request record (only read) and a result record (written), both owned by the
 *   caller, and returns a QUORVEN_NATIVE_STATUS_* code, also stored in the result's `status`.
 * - Every record starts with u32 `size` (bytes) and u32 `version`; each export accepts exactly
 *   one pair (the *_SIZE and *_VERSION constants below).
 * - Checks, in this order, stop at the first failure:
 *   1. `result` null: returns 1; `result` size or version wrong: returns 2. Nothing is written.
 *   2. The result is reset: `size` rewritten, `version` kept, every hr_* step field set to
 *      QUORVEN_NATIVE_HR_PENDING, every other byte 0.
 *   3. `request` null: 1; its size or version wrong: 2; then its fields in record order: 1.
 *      Each of these stores QUORVEN_NATIVE_HR_INVALID_ARG in `hresult` and leaves `steps` 0.
 *   4. The work, one step at a time; each step sets its bit in `steps` just before it starts and
 *      stores its HRESULT in its hr_* field (0 for success). A failing step ends the call;
 *      fields of steps never reached keep QUORVEN_NATIVE_HR_PENDING.
 * - All fields are little-endian and naturally aligned. Pointer fields are 64 bits wide on every
 *   platform: they are declared uint64_t and hold the pointer value (QUORVEN_NATIVE_PTR_TO_U64).
 * - Texts are UTF-16 code units with an explicit length, never NUL-terminated on input
 *   (quorven_utf16_string). Outputs go to caller buffers (quorven_utf16_buffer) and are written
 *   only whole, with a terminating 0 unit; a value that does not fit is reported, never cut.
 * - All reserved fields of a request must be zero.
 *
 * Threads: exports may be called from any thread, also from several at once. Each call joins its
 * thread to a COM apartment for its own duration and leaves it as it found it; a thread already
 * in the other kind of apartment is served there (hr_com_init then holds 0x80010106).
 */
#ifndef QUORVEN_NATIVE_H
#define QUORVEN_NATIVE_H

#include <stddef.h>
#include <stdint.h>

/* ---------------------------------------------------------------------------------------------
 * Export and assertion macros
 * ------------------------------------------------------------------------------------------- */

#if defined(QUORVEN_NATIVE_BUILD)
#if defined(_WIN32)
#define QUORVEN_NATIVE_API __declspec(dllexport)
#else
#define QUORVEN_NATIVE_API __attribute__((visibility("default")))
#endif
#else
#if defined(_WIN32)
#define QUORVEN_NATIVE_API __declspec(dllimport)
#else
#define QUORVEN_NATIVE_API
#endif
#endif

#if defined(__cplusplus)
#define QUORVEN_NATIVE_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define QUORVEN_NATIVE_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Layout checks used after every record below. */
#define QUORVEN_NATIVE_ASSERT_SIZE(type, bytes) \
    QUORVEN_NATIVE_STATIC_ASSERT(sizeof(type) == (bytes), #type " must be " #bytes " bytes")
#define QUORVEN_NATIVE_ASSERT_OFFSET(type, field, off)           \
    QUORVEN_NATIVE_STATIC_ASSERT(offsetof(type, field) == (off), \
                                 #type "." #field " must be at offset " #off)

/* Pointer -> 64-bit record field conversion for the host, and the HRESULT constants' type; C++
 * hosts get C++ casts, so that the header stays clean under -Wold-style-cast. */
#if defined(__cplusplus)
#define QUORVEN_NATIVE_PTR_TO_U64(ptr) static_cast<uint64_t>(reinterpret_cast<uintptr_t>(ptr))
#define QUORVEN_NATIVE_I32(value) static_cast<int32_t>(value)
#else
#define QUORVEN_NATIVE_PTR_TO_U64(ptr) ((uint64_t)(uintptr_t)(ptr))
#define QUORVEN_NATIVE_I32(value) ((int32_t)(value))
#endif

/* ---------------------------------------------------------------------------------------------
 * Constants
 * ------------------------------------------------------------------------------------------- */

/* Values returned by quorven_native_abi_version and quorven_native_capabilities. */
#define QUORVEN_NATIVE_ABI_VERSION 2u
#define QUORVEN_NATIVE_CAPABILITIES 0x1FFu /* bits 0..8; the library gives them no meaning */

/* Record sizes in bytes and versions. */
#define QUORVEN_UTF16_STRING_SIZE 16u
#define QUORVEN_UTF16_BUFFER_SIZE 16u
#define QUORVEN_SHORTCUT_REQUEST_V2_SIZE 144u
#define QUORVEN_SHORTCUT_RESOLVE_REQUEST_V2_SIZE 192u
#define QUORVEN_SHORTCUT_READ_RESULT_V2_SIZE 136u
#define QUORVEN_SHORTCUT_RESOLVE_UI_REQUEST_V2_SIZE 64u
#define QUORVEN_SHORTCUT_RESOLVE_UI_RESULT_V2_SIZE 64u
#define QUORVEN_SHORTCUT_WRITE_RESULT_V2_SIZE 96u
#define QUORVEN_SHORTCUT_RECORD_VERSION 2u /* every shortcut record */
#define QUORVEN_EXPLORER_SHELL_LAUNCH_REQUEST_V1_SIZE 96u
#define QUORVEN_EXPLORER_SHELL_LAUNCH_RESULT_V1_SIZE 88u
#define QUORVEN_RECYCLE_BIN_REQUEST_V1_SIZE 80u
#define QUORVEN_RECYCLE_BIN_RESULT_V1_SIZE 104u
#define QUORVEN_QUICK_ACCESS_REQUEST_V1_SIZE 96u
#define QUORVEN_QUICK_ACCESS_RESULT_V1_SIZE 112u
#define QUORVEN_MUSIC_VOLUME_REQUEST_V1_SIZE 88u
#define QUORVEN_MUSIC_VOLUME_RESULT_V1_SIZE 104u
#define QUORVEN_NATIVE_V1_RECORD_VERSION 1u /* explorer, recycle bin, quick access, volume */

/* Longest input string, in UTF-16 units. */
#define QUORVEN_NATIVE_MAX_STRING_UNITS 0x7FFFu

/* HRESULT values the records carry. */
/* A step that was never reached. */
#define QUORVEN_NATIVE_HR_PENDING QUORVEN_NATIVE_I32(0x8000000Au)
/* Statuses 1 and 2. */
#define QUORVEN_NATIVE_HR_INVALID_ARG QUORVEN_NATIVE_I32(0x80070057u)
/* Status 3. */
#define QUORVEN_NATIVE_HR_INSUFFICIENT QUORVEN_NATIVE_I32(0x8007007Au)
/* A query for an interface that succeeded without one. */
#define QUORVEN_NATIVE_HR_POINTER QUORVEN_NATIVE_I32(0x80004003u)
/* CoInitializeEx on a thread already in the other kind of apartment. */
#define QUORVEN_NATIVE_HR_CHANGED_MODE QUORVEN_NATIVE_I32(0x80010106u)
/* An argument copy that could not be allocated. */
#define QUORVEN_NATIVE_HR_OUT_OF_MEMORY QUORVEN_NATIVE_I32(0x8007000Eu)

/* ---------------------------------------------------------------------------------------------
 * Status codes
 * ------------------------------------------------------------------------------------------- */

#define QUORVEN_NATIVE_STATUS_OK 0u
#define QUORVEN_NATIVE_STATUS_INVALID_ARGUMENT 1u   /* null request, bad field or string */
#define QUORVEN_NATIVE_STATUS_UNSUPPORTED_RECORD 2u /* a record's size or version is wrong */
#define QUORVEN_NATIVE_STATUS_BUFFER_TOO_SMALL 3u   /* an output did not fit; needed_* tell */
#define QUORVEN_NATIVE_STATUS_COM_INIT_FAILED 4u    /* CoInitializeEx failed */
#define QUORVEN_NATIVE_STATUS_CREATE_FAILED 5u      /* first COM object or its interface missing */
#define QUORVEN_NATIVE_STATUS_LOAD_FAILED 6u        /* the shortcut file could not be loaded */
#define QUORVEN_NATIVE_STATUS_STEP_FAILED 7u        /* a later COM or shell step failed */
/* Running out of memory while copying argument strings (before any COM step) is reported as
 * status 7 with QUORVEN_NATIVE_HR_OUT_OF_MEMORY and `steps` 0. */

/* ---------------------------------------------------------------------------------------------
 * Shortcut constants
 * ------------------------------------------------------------------------------------------- */

/* `mode` of quorven_shortcut_request_v2. */
#define QUORVEN_SHORTCUT_MODE_WRITE 0u   /* quorven_shortcut_write_v2 requires 0 */
#define QUORVEN_SHORTCUT_MODE_FULL 1u    /* five fields as stored, target unexpanded */
#define QUORVEN_SHORTCUT_MODE_COMPACT 2u /* target (expanded) and arguments, trimmed */

/* Field bits of the read masks; the same bits name the setters of the write. */
#define QUORVEN_SHORTCUT_FIELD_TARGET 0x01u
#define QUORVEN_SHORTCUT_FIELD_DESCRIPTION 0x02u
#define QUORVEN_SHORTCUT_FIELD_ARGUMENTS 0x04u
#define QUORVEN_SHORTCUT_FIELD_WORKING_DIRECTORY 0x08u
#define QUORVEN_SHORTCUT_FIELD_ICON_PATH 0x10u

/* Steps of the shortcut exports. */
#define QUORVEN_SHORTCUT_STEP_COM_INIT 0x01u
#define QUORVEN_SHORTCUT_STEP_CREATE_LINK 0x02u
#define QUORVEN_SHORTCUT_STEP_LOAD 0x04u    /* read and both resolves */
#define QUORVEN_SHORTCUT_STEP_RESOLVE 0x08u /* both resolves */
#define QUORVEN_SHORTCUT_STEP_SAVE 0x10u    /* write */

/* Fixed getter buffers, in units, and the lengths at which a value may have been cut. */
#define QUORVEN_SHORTCUT_READ_UNITS 260u              /* every field in full mode, target */
#define QUORVEN_SHORTCUT_COMPACT_ARGUMENTS_UNITS 512u /* arguments in compact mode */

#define QUORVEN_SHORTCUT_MAX_TIMEOUT_MS 0xFFFFu  /* no-UI resolve time-out, at most */
#define QUORVEN_SHORTCUT_RESOLVE_UI_FLAGS 0x214u /* update | no search | offer delete */

/* ---------------------------------------------------------------------------------------------
 * Explorer launch, Recycle Bin, Quick Access and volume constants
 * ------------------------------------------------------------------------------------------- */

/* Steps of quorven_explorer_shell_launch_v1. */
#define QUORVEN_EXPLORER_STEP_COM_INIT 0x01u
#define QUORVEN_EXPLORER_STEP_CREATE_SHELL 0x02u
#define QUORVEN_EXPLORER_STEP_WINDOWS 0x04u
#define QUORVEN_EXPLORER_STEP_FIND_DESKTOP 0x08u
#define QUORVEN_EXPLORER_STEP_DOCUMENT 0x10u
#define QUORVEN_EXPLORER_STEP_APPLICATION 0x20u
#define QUORVEN_EXPLORER_STEP_SHELL_EXECUTE 0x40u

/* `mode` and steps of quorven_recycle_bin_v1. */
#define QUORVEN_RECYCLE_BIN_MODE_COUNT 1u
#define QUORVEN_RECYCLE_BIN_MODE_RESTORE 2u
#define QUORVEN_RECYCLE_BIN_STEP_COM_INIT 0x01u
#define QUORVEN_RECYCLE_BIN_STEP_CREATE_SHELL 0x02u
#define QUORVEN_RECYCLE_BIN_STEP_NAMESPACE 0x04u
#define QUORVEN_RECYCLE_BIN_STEP_ITEMS 0x08u
#define QUORVEN_RECYCLE_BIN_STEP_COUNT 0x10u
#define QUORVEN_RECYCLE_BIN_STEP_NAME 0x20u
#define QUORVEN_RECYCLE_BIN_STEP_LOCATION 0x40u
#define QUORVEN_RECYCLE_BIN_STEP_INVOKE_VERB 0x80u

/* `mode`, `pin_state` and steps of quorven_quick_access_v1. */
#define QUORVEN_QUICK_ACCESS_MODE_QUERY 1u
#define QUORVEN_QUICK_ACCESS_MODE_PIN 2u
#define QUORVEN_QUICK_ACCESS_MODE_UNPIN 3u
#define QUORVEN_QUICK_ACCESS_PIN_UNDETERMINED 0u
#define QUORVEN_QUICK_ACCESS_PIN_NOT_PINNED 1u
#define QUORVEN_QUICK_ACCESS_PIN_PINNED 2u
#define QUORVEN_QUICK_ACCESS_STEP_COM_INIT 0x001u
#define QUORVEN_QUICK_ACCESS_STEP_CREATE_SHELL 0x002u
#define QUORVEN_QUICK_ACCESS_STEP_NAMESPACE 0x004u
#define QUORVEN_QUICK_ACCESS_STEP_ITEMS 0x008u
#define QUORVEN_QUICK_ACCESS_STEP_COUNT 0x010u
#define QUORVEN_QUICK_ACCESS_STEP_PATH 0x020u
#define QUORVEN_QUICK_ACCESS_STEP_PINNED_PROPERTY 0x040u
#define QUORVEN_QUICK_ACCESS_STEP_PARENT_FOLDER 0x080u
#define QUORVEN_QUICK_ACCESS_STEP_PARSE_NAME 0x100u
#define QUORVEN_QUICK_ACCESS_STEP_INVOKE_VERB 0x200u

/* `mode`, `match_kind` and steps of quorven_music_volume_v1. */
#define QUORVEN_MUSIC_VOLUME_MODE_READ_BOTH 1u
#define QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE 2u
#define QUORVEN_MUSIC_VOLUME_MODE_SET_DEVICE 3u
#define QUORVEN_MUSIC_VOLUME_MODE_SET_APPLICATION 4u
#define QUORVEN_MUSIC_VOLUME_MATCH_NONE 0u
#define QUORVEN_MUSIC_VOLUME_MATCH_ONLY_CANDIDATE 7u /* 1..6: the rule that matched */
#define QUORVEN_MUSIC_VOLUME_STEP_COM_INIT 0x01u
#define QUORVEN_MUSIC_VOLUME_STEP_CREATE_ENUMERATOR 0x02u
#define QUORVEN_MUSIC_VOLUME_STEP_DEFAULT_ENDPOINT 0x04u
#define QUORVEN_MUSIC_VOLUME_STEP_ENDPOINT_VOLUME 0x08u
#define QUORVEN_MUSIC_VOLUME_STEP_SESSIONS 0x10u
#define QUORVEN_MUSIC_VOLUME_STEP_SESSION_VOLUME 0x20u

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------------------------
 * String records
 * ------------------------------------------------------------------------------------------- */

/* An input string. Required: length 1..0x7FFF, pointer set. Optional: length 0..0x7FFF, pointer
 * null exactly when the length is 0. Either way no 0 unit within the length, reserved 0. */
typedef struct quorven_utf16_string {
    uint64_t pointer;  /* address of the first UTF-16 unit (uint16_t), or 0 */
    uint32_t length;   /* units; no terminator counted or required */
    uint32_t reserved; /* 0 */
} quorven_utf16_string;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_utf16_string, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_utf16_string, pointer, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_utf16_string, length, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_utf16_string, reserved, 12);

/* An output buffer. A value is written only whole: its units and a 0 unit, when length + 1 <=
 * capacity; otherwise the buffer is untouched and the value's truncation bit is set. */
typedef struct quorven_utf16_buffer {
    uint64_t pointer;  /* the caller's uint16_t units; 0 exactly when capacity is 0 */
    uint32_t capacity; /* units; no upper bound */
    uint32_t reserved; /* 0 */
} quorven_utf16_buffer;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_utf16_buffer, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_utf16_buffer, pointer, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_utf16_buffer, capacity, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_utf16_buffer, reserved, 12);

/* One of the five value fields of a shortcut request: an output buffer when reading, an input
 * string when writing. Both members have the same layout. */
typedef union quorven_shortcut_value {
    quorven_utf16_buffer buffer; /* read and no-UI resolve */
    quorven_utf16_string string; /* write */
} quorven_shortcut_value;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_shortcut_value, 16);

/* ---------------------------------------------------------------------------------------------
 * Shortcut read, resolve and write
 * ------------------------------------------------------------------------------------------- */

/* Request of quorven_shortcut_read_v2 and quorven_shortcut_write_v2 (and embedded in the no-UI
 * resolve request). */
typedef struct quorven_shortcut_request_v2 {
    uint32_t size;                            /* 144 */
    uint32_t version;                         /* 2 */
    uint32_t mode;                            /* read: 1 full, 2 compact; write: 0 */
    int32_t icon_index;                       /* read: 0; write: stored with the icon path */
    quorven_utf16_string link_path;           /* required: the shortcut file */
    quorven_shortcut_value target;            /* required string when writing */
    quorven_shortcut_value description;       /* optional string when writing */
    quorven_shortcut_value arguments;         /* optional string when writing */
    quorven_shortcut_value working_directory; /* optional string when writing */
    quorven_shortcut_value icon_path;         /* optional string when writing */
    uint64_t reserved1[4];                    /* 0 */
} quorven_shortcut_request_v2;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_shortcut_request_v2, 144);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, mode, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, icon_index, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, link_path, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, target, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, description, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, arguments, 64);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, working_directory, 80);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, icon_path, 96);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_request_v2, reserved1, 112);

/* Request of quorven_shortcut_resolve_no_ui_v2. */
typedef struct quorven_shortcut_resolve_request_v2 {
    uint32_t size;                        /* 192 */
    uint32_t version;                     /* 2 */
    uint32_t timeout_ms;                  /* time the shell may spend resolving; 0..0xFFFF */
    uint32_t reserved0;                   /* 0 */
    quorven_shortcut_request_v2 shortcut; /* checked as for reading; mode must be 1 */
    uint64_t reserved1[4];                /* 0 */
} quorven_shortcut_resolve_request_v2;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_shortcut_resolve_request_v2, 192);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_request_v2, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_request_v2, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_request_v2, timeout_ms, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_request_v2, reserved0, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_request_v2, shortcut, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_request_v2, reserved1, 160);

/* Result of quorven_shortcut_read_v2 and quorven_shortcut_resolve_no_ui_v2. Masks hold
 * QUORVEN_SHORTCUT_FIELD_* bits; needed_* count units including the terminator. */
typedef struct quorven_shortcut_read_result_v2 {
    uint32_t size;                     /* 136 */
    uint32_t version;                  /* 2 */
    uint32_t status;                   /* QUORVEN_NATIVE_STATUS_*, as returned */
    int32_t hresult;                   /* HRESULT behind a failing status; 0 on success */
    uint32_t steps;                    /* QUORVEN_SHORTCUT_STEP_COM_INIT .. _RESOLVE */
    int32_t hr_com_init;               /* CoInitializeEx */
    int32_t hr_create_link;            /* link object creation and its IPersistFile query */
    int32_t hr_load;                   /* IPersistFile::Load */
    int32_t hr_resolve;                /* IShellLinkW::Resolve (no-UI resolve only) */
    uint32_t fields_attempted;         /* getters called */
    uint32_t fields_read;              /* getters that succeeded, value measured */
    uint32_t fields_nonempty;          /* values longer than 0 units (after trimming) */
    uint32_t fields_truncated;         /* values that did not fit the caller's buffer */
    uint32_t fields_at_limit;          /* values that filled the getter buffer: maybe cut */
    int32_t hr_get_path;               /* IShellLinkW::GetPath */
    int32_t hr_get_description;        /* IShellLinkW::GetDescription (full mode) */
    int32_t hr_get_arguments;          /* IShellLinkW::GetArguments */
    int32_t hr_get_working_directory;  /* IShellLinkW::GetWorkingDirectory (full mode) */
    int32_t hr_get_icon_location;      /* IShellLinkW::GetIconLocation (full mode) */
    int32_t icon_index;                /* icon index read with the icon path (full mode) */
    uint32_t needed_target;            /* units the target needs, terminator included */
    uint32_t needed_description;       /* the same for the description */
    uint32_t needed_arguments;         /* the same for the arguments */
    uint32_t needed_working_directory; /* the same for the working directory */
    uint32_t needed_icon_path;         /* the same for the icon path */
    uint8_t reserved[36];              /* 0 */
} quorven_shortcut_read_result_v2;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_shortcut_read_result_v2, 136);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, status, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hresult, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, steps, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_com_init, 20);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_create_link, 24);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_load, 28);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_resolve, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, fields_attempted, 36);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, fields_read, 40);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, fields_nonempty, 44);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, fields_truncated, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, fields_at_limit, 52);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_get_path, 56);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_get_description, 60);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_get_arguments, 64);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_get_working_directory, 68);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, hr_get_icon_location, 72);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, icon_index, 76);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, needed_target, 80);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, needed_description, 84);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, needed_arguments, 88);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, needed_working_directory, 92);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, needed_icon_path, 96);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_read_result_v2, reserved, 100);

/* Request of quorven_shortcut_resolve_with_ui_v2. */
typedef struct quorven_shortcut_resolve_ui_request_v2 {
    uint32_t size;                  /* 64 */
    uint32_t version;               /* 2 */
    uint32_t reserved0[2];          /* 0 */
    quorven_utf16_string link_path; /* required: the shortcut file */
    uint64_t owner_window;          /* window owning the shell's dialogs; 0 allowed */
    uint64_t reserved1[3];          /* 0 */
} quorven_shortcut_resolve_ui_request_v2;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_shortcut_resolve_ui_request_v2, 64);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_request_v2, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_request_v2, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_request_v2, reserved0, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_request_v2, link_path, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_request_v2, owner_window, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_request_v2, reserved1, 40);

/* Result of quorven_shortcut_resolve_with_ui_v2. */
typedef struct quorven_shortcut_resolve_ui_result_v2 {
    uint32_t size;          /* 64 */
    uint32_t version;       /* 2 */
    uint32_t status;        /* QUORVEN_NATIVE_STATUS_*, as returned */
    int32_t hresult;        /* HRESULT behind a failing status; 0 on success */
    uint32_t steps;         /* QUORVEN_SHORTCUT_STEP_COM_INIT .. _RESOLVE */
    int32_t hr_com_init;    /* CoInitializeEx */
    int32_t hr_create_link; /* link object creation and its IPersistFile query */
    int32_t hr_load;        /* IPersistFile::Load */
    int32_t hr_resolve;     /* IShellLinkW::Resolve */
    uint32_t resolve_flags; /* QUORVEN_SHORTCUT_RESOLVE_UI_FLAGS once the request passed */
    uint8_t reserved[24];   /* 0 */
} quorven_shortcut_resolve_ui_result_v2;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_shortcut_resolve_ui_result_v2, 64);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, status, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, hresult, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, steps, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, hr_com_init, 20);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, hr_create_link, 24);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, hr_load, 28);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, hr_resolve, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, resolve_flags, 36);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_resolve_ui_result_v2, reserved, 40);

/* Result of quorven_shortcut_write_v2. Setter masks hold QUORVEN_SHORTCUT_FIELD_* bits. */
typedef struct quorven_shortcut_write_result_v2 {
    uint32_t size;                    /* 96 */
    uint32_t version;                 /* 2 */
    uint32_t status;                  /* QUORVEN_NATIVE_STATUS_*, as returned */
    int32_t hresult;                  /* HRESULT behind a failing status; 0 on success */
    uint32_t steps;                   /* _COM_INIT, _CREATE_LINK, _SAVE */
    int32_t hr_com_init;              /* CoInitializeEx */
    int32_t hr_create_link;           /* link object creation and its IPersistFile query */
    int32_t hr_save;                  /* IPersistFile::Save; only 0 is success */
    uint32_t setters_attempted;       /* setters called */
    uint32_t setters_succeeded;       /* setters that returned success */
    int32_t hr_set_path;              /* IShellLinkW::SetPath */
    int32_t hr_set_description;       /* IShellLinkW::SetDescription */
    int32_t hr_set_arguments;         /* IShellLinkW::SetArguments */
    int32_t hr_set_working_directory; /* IShellLinkW::SetWorkingDirectory */
    int32_t hr_set_icon_location;     /* IShellLinkW::SetIconLocation */
    uint8_t reserved[36];             /* 0 */
} quorven_shortcut_write_result_v2;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_shortcut_write_result_v2, 96);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, status, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hresult, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, steps, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_com_init, 20);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_create_link, 24);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_save, 28);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, setters_attempted, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, setters_succeeded, 36);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_set_path, 40);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_set_description, 44);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_set_arguments, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_set_working_directory, 52);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, hr_set_icon_location, 56);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_shortcut_write_result_v2, reserved, 60);

/* ---------------------------------------------------------------------------------------------
 * Explorer shell launch
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_explorer_shell_launch_request_v1 {
    uint32_t size;                  /* 96 */
    uint32_t version;               /* 1 */
    uint32_t reserved0[2];          /* 0 */
    quorven_utf16_string file;      /* required: file, folder or program to launch */
    quorven_utf16_string directory; /* optional: working directory */
    quorven_utf16_string operation; /* required: the shell verb */
    uint64_t reserved1[4];          /* 0 */
} quorven_explorer_shell_launch_request_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_explorer_shell_launch_request_v1, 96);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_request_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_request_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_request_v1, reserved0, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_request_v1, file, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_request_v1, directory, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_request_v1, operation, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_request_v1, reserved1, 64);

typedef struct quorven_explorer_shell_launch_result_v1 {
    uint32_t size;            /* 88 */
    uint32_t version;         /* 1 */
    uint32_t status;          /* QUORVEN_NATIVE_STATUS_*, as returned */
    int32_t hresult;          /* HRESULT behind a failing status; 0 on success */
    uint32_t steps;           /* QUORVEN_EXPLORER_STEP_* */
    int32_t hr_com_init;      /* CoInitializeEx (single-threaded) */
    int32_t hr_create_shell;  /* the shell application object */
    int32_t hr_windows;       /* IShellDispatch::Windows and the IShellWindows query */
    int32_t hr_find_desktop;  /* IShellWindows::FindWindowSW and the IWebBrowser query */
    int32_t hr_document;      /* IWebBrowser::get_Document and the IShellFolderViewDual query */
    int32_t hr_application;   /* get_Application and the IShellDispatch2 query */
    int32_t hr_shell_execute; /* IShellDispatch2::ShellExecute */
    uint32_t launched;        /* 1 once ShellExecute returned success */
    uint8_t reserved[36];     /* 0 */
} quorven_explorer_shell_launch_result_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_explorer_shell_launch_result_v1, 88);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, status, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hresult, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, steps, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hr_com_init, 20);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hr_create_shell, 24);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hr_windows, 28);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hr_find_desktop, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hr_document, 36);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hr_application, 40);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, hr_shell_execute, 44);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, launched, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_explorer_shell_launch_result_v1, reserved, 52);

/* ---------------------------------------------------------------------------------------------
 * Recycle Bin
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_recycle_bin_request_v1 {
    uint32_t size;                     /* 80 */
    uint32_t version;                  /* 1 */
    uint32_t mode;                     /* QUORVEN_RECYCLE_BIN_MODE_COUNT or _RESTORE */
    uint32_t reserved0;                /* 0 */
    quorven_utf16_string deleted_from; /* required: folder the item was deleted from */
    quorven_utf16_string item_name;    /* required: the item's name in the Recycle Bin */
    uint64_t reserved1[4];             /* 0 */
} quorven_recycle_bin_request_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_recycle_bin_request_v1, 80);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_request_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_request_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_request_v1, mode, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_request_v1, reserved0, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_request_v1, deleted_from, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_request_v1, item_name, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_request_v1, reserved1, 48);

typedef struct quorven_recycle_bin_result_v1 {
    uint32_t size;           /* 104 */
    uint32_t version;        /* 1 */
    uint32_t status;         /* QUORVEN_NATIVE_STATUS_*, as returned */
    int32_t hresult;         /* HRESULT behind a failing status; 0 on success */
    uint32_t steps;          /* QUORVEN_RECYCLE_BIN_STEP_* */
    int32_t hr_com_init;     /* CoInitializeEx (single-threaded) */
    int32_t hr_create_shell; /* the shell application object */
    int32_t hr_namespace;    /* opening the Recycle Bin folder */
    int32_t hr_items;        /* the folder's item collection */
    int32_t hr_item;         /* count or item fetch failure; 0 once the scan completed */
    int32_t hr_name;         /* reading an item's name */
    int32_t hr_location;     /* normalising the folder or a matching item's location */
    int32_t hr_invoke_verb;  /* the restore verb */
    uint32_t match_count;    /* items that matched name and folder */
    uint32_t restored;       /* 1 once the restore verb returned success */
    uint32_t succeeded;      /* 1 when the status is 0 */
    uint8_t reserved[40];    /* 0 */
} quorven_recycle_bin_result_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_recycle_bin_result_v1, 104);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, status, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hresult, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, steps, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_com_init, 20);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_create_shell, 24);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_namespace, 28);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_items, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_item, 36);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_name, 40);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_location, 44);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, hr_invoke_verb, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, match_count, 52);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, restored, 56);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, succeeded, 60);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_recycle_bin_result_v1, reserved, 64);

/* ---------------------------------------------------------------------------------------------
 * Quick Access pins
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_quick_access_request_v1 {
    uint32_t size;                      /* 96 */
    uint32_t version;                   /* 1 */
    uint32_t mode;                      /* QUORVEN_QUICK_ACCESS_MODE_QUERY, _PIN or _UNPIN */
    uint32_t reserved0;                 /* 0 */
    quorven_utf16_string path;          /* required: the item's full path */
    quorven_utf16_string parent_folder; /* empty for query; required for pin and unpin */
    quorven_utf16_string item_name;     /* empty for query; required for pin and unpin */
    uint64_t reserved1[4];              /* 0 */
} quorven_quick_access_request_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_quick_access_request_v1, 96);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, mode, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, reserved0, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, path, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, parent_folder, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, item_name, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_request_v1, reserved1, 64);

typedef struct quorven_quick_access_result_v1 {
    uint32_t size;               /* 112 */
    uint32_t version;            /* 1 */
    uint32_t status;             /* QUORVEN_NATIVE_STATUS_*, as returned */
    int32_t hresult;             /* HRESULT behind a failing status; 0 on success */
    uint32_t steps;              /* QUORVEN_QUICK_ACCESS_STEP_* */
    int32_t hr_com_init;         /* CoInitializeEx (single-threaded) */
    int32_t hr_create_shell;     /* the shell application object */
    int32_t hr_namespace;        /* opening the Quick Access folder */
    int32_t hr_items;            /* its item collection */
    int32_t hr_item;             /* count or item fetch failure; 0 once the scan ended */
    int32_t hr_path;             /* path of the item last examined */
    int32_t hr_pinned_property;  /* pinned-state property of the found item */
    int32_t hr_parent_folder;    /* opening parent_folder */
    int32_t hr_parse_name;       /* finding item_name in it */
    int32_t hr_invoke_verb;      /* the pin or unpin verb */
    uint32_t pin_state;          /* QUORVEN_QUICK_ACCESS_PIN_* (query) */
    uint32_t succeeded;          /* 1 when the status is 0 */
    uint32_t found;              /* 1 when the path was found among the Quick Access items */
    uint32_t used_parent_folder; /* unpin: 1 when the verb went through parent_folder */
    uint8_t reserved[36];        /* 0 */
} quorven_quick_access_result_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_quick_access_result_v1, 112);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, status, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hresult, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, steps, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_com_init, 20);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_create_shell, 24);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_namespace, 28);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_items, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_item, 36);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_path, 40);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_pinned_property, 44);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_parent_folder, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_parse_name, 52);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, hr_invoke_verb, 56);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, pin_state, 60);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, succeeded, 64);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, found, 68);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, used_parent_folder, 72);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_quick_access_result_v1, reserved, 76);

/* ---------------------------------------------------------------------------------------------
 * Per-application music volume
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_music_volume_request_v1 {
    uint32_t size;                       /* 88 */
    uint32_t version;                    /* 1 */
    uint32_t mode;                       /* QUORVEN_MUSIC_VOLUME_MODE_* */
    uint32_t reserved0;                  /* 0 */
    quorven_utf16_string app_identifier; /* optional: compared with session identifiers */
    quorven_utf16_string app_name;       /* optional: compared with display and exe names */
    double level;                        /* modes 3 and 4: 0.0..1.0, clamped when used */
    uint64_t reserved1[4];               /* 0 */
} quorven_music_volume_request_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_music_volume_request_v1, 88);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, mode, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, reserved0, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, app_identifier, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, app_name, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, level, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_request_v1, reserved1, 56);

typedef struct quorven_music_volume_result_v1 {
    uint32_t size;                 /* 104 */
    uint32_t version;              /* 1 */
    uint32_t status;               /* QUORVEN_NATIVE_STATUS_*, as returned */
    int32_t hresult;               /* HRESULT behind a failing status; 0 on success */
    uint32_t steps;                /* QUORVEN_MUSIC_VOLUME_STEP_* */
    uint32_t match_kind;           /* how the session was chosen; 0 when none was */
    int32_t hr_com_init;           /* CoInitializeEx (multithreaded) */
    int32_t hr_create_enumerator;  /* the audio device enumerator */
    int32_t hr_default_endpoint;   /* the default output device */
    int32_t hr_endpoint_volume;    /* device volume interface and its read or set */
    int32_t hr_session;            /* session scan and its volume; 1 when none was chosen */
    uint32_t session_volume_valid; /* 1 when the session's volume was read or set */
    uint32_t succeeded;            /* 1 when the status is 0 */
    uint32_t reserved0;            /* 0 */
    double endpoint_volume;        /* device volume read or set, 0.0..1.0 */
    double session_volume;         /* session volume read or set, 0.0..1.0 */
    uint8_t reserved[32];          /* 0 */
} quorven_music_volume_result_v1;

QUORVEN_NATIVE_ASSERT_SIZE(quorven_music_volume_result_v1, 104);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, size, 0);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, version, 4);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, status, 8);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, hresult, 12);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, steps, 16);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, match_kind, 20);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, hr_com_init, 24);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, hr_create_enumerator, 28);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, hr_default_endpoint, 32);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, hr_endpoint_volume, 36);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, hr_session, 40);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, session_volume_valid, 44);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, succeeded, 48);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, reserved0, 52);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, endpoint_volume, 56);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, session_volume, 64);
QUORVEN_NATIVE_ASSERT_OFFSET(quorven_music_volume_result_v1, reserved, 72);

/* ---------------------------------------------------------------------------------------------
 * Exports
 * ------------------------------------------------------------------------------------------- */

/* Always QUORVEN_NATIVE_ABI_VERSION (2). No side effects. */
QUORVEN_NATIVE_API uint32_t quorven_native_abi_version(void);

/* Always QUORVEN_NATIVE_CAPABILITIES (511). No side effects. */
QUORVEN_NATIVE_API uint32_t quorven_native_capabilities(void);

/* Loads a shortcut and copies its fields, full (mode 1) or compact (mode 2). */
QUORVEN_NATIVE_API uint32_t quorven_shortcut_read_v2(const quorven_shortcut_request_v2* request,
                                                     quorven_shortcut_read_result_v2* result);

/* Loads a shortcut, resolves it silently within timeout_ms, then reads it in full mode. */
QUORVEN_NATIVE_API uint32_t quorven_shortcut_resolve_no_ui_v2(
    const quorven_shortcut_resolve_request_v2* request, quorven_shortcut_read_result_v2* result);

/* Loads a shortcut and resolves it with the shell's dialogs allowed; the shell may update it. */
QUORVEN_NATIVE_API uint32_t
quorven_shortcut_resolve_with_ui_v2(const quorven_shortcut_resolve_ui_request_v2* request,
                                    quorven_shortcut_resolve_ui_result_v2* result);

/* Creates or replaces a shortcut file from five values. */
QUORVEN_NATIVE_API uint32_t quorven_shortcut_write_v2(const quorven_shortcut_request_v2* request,
                                                      quorven_shortcut_write_result_v2* result);

/* Launches a file, folder or program through the Explorer process that owns the desktop. */
QUORVEN_NATIVE_API uint32_t
quorven_explorer_shell_launch_v1(const quorven_explorer_shell_launch_request_v1* request,
                                 quorven_explorer_shell_launch_result_v1* result);

/* Counts the Recycle Bin items deleted from a folder under a name, or restores the only one. */
QUORVEN_NATIVE_API uint32_t quorven_recycle_bin_v1(const quorven_recycle_bin_request_v1* request,
                                                   quorven_recycle_bin_result_v1* result);

/* Tells whether a path is pinned to Quick Access, or pins or unpins it. */
QUORVEN_NATIVE_API uint32_t quorven_quick_access_v1(const quorven_quick_access_request_v1* request,
                                                    quorven_quick_access_result_v1* result);

/* Reads or sets the default device's volume and one application's session volume. */
QUORVEN_NATIVE_API uint32_t quorven_music_volume_v1(const quorven_music_volume_request_v1* request,
                                                    quorven_music_volume_result_v1* result);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* QUORVEN_NATIVE_H */
