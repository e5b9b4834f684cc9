/*
 * quorven_search_core: public interface of the search core library.
 *
 * The library keeps an in-memory store of file-system entries (name, directory path, time,
 * file/folder flag) behind an opaque handle. The host feeds it in batches, seals it, queries it
 * by name, projects it into rows, copies entries out as text, keeps it in step with the disk
 * through mutation batches, and saves it to / loads it from one VREL index file.
 *
 * Conventions shared by every export:
 * - Every request and result record starts with u32 `size` (bytes) and u32 `version`; each
 *   export accepts exactly one pair (the *_SIZE constants below, version 1).
 * - Every export except quorven_search_core_abi_version returns a QUORVEN_SC_STATUS_* code; once
 *   the result record passed its size/version check it is reset (status 1, the rest zero) and the
 *   final status is also stored at offset 8. The stats export is the one exception: it does not
 *   reset its result before checking the handle.
 * - All fields are little-endian and naturally aligned. Pointer fields are 64 bits wide on every
 *   platform: they are declared uint64_t and hold the pointer value (see QUORVEN_SC_PTR_TO_U64).
 * - Texts are UTF-16 code units with an explicit length, never NUL-terminated. Texts the host
 *   passes in are copied; texts the library returns go into host buffers, addressed by offsets.
 * - All reserved fields of a request must be zero.
 * - Times are 100-nanosecond ticks counted from 0001-01-01T00:00:00, at most QUORVEN_SC_MAX_TICKS.
 *   A `time_binary` carries the ticks in its low 62 bits and a kind in bits 62..63.
 *
 * Threads: calls on one handle must not overlap, except quorven_search_core_cancel_v1 and
 * quorven_search_core_reset_cancel_v1, which may be called from any thread while a query runs.
 */
#ifndef QUORVEN_SEARCH_CORE_H
#define QUORVEN_SEARCH_CORE_H

#include <stddef.h>
#include <stdint.h>

/* ---------------------------------------------------------------------------------------------
 * Export and assertion macros
 * ------------------------------------------------------------------------------------------- */

#if defined(QUORVEN_SEARCH_CORE_BUILD)
#if defined(_WIN32)
#define QUORVEN_SEARCH_CORE_API __declspec(dllexport)
#else
#define QUORVEN_SEARCH_CORE_API __attribute__((visibility("default")))
#endif
#else
#if defined(_WIN32)
#define QUORVEN_SEARCH_CORE_API __declspec(dllimport)
#else
#define QUORVEN_SEARCH_CORE_API
#endif
#endif

#if defined(__cplusplus)
#define QUORVEN_SC_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define QUORVEN_SC_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Layout checks used after every record below. */
#define QUORVEN_SC_ASSERT_SIZE(type, bytes) \
    QUORVEN_SC_STATIC_ASSERT(sizeof(type) == (bytes), #type " must be " #bytes " bytes")
#define QUORVEN_SC_ASSERT_OFFSET(type, field, off)           \
    QUORVEN_SC_STATIC_ASSERT(offsetof(type, field) == (off), \
                             #type "." #field " must be at offset " #off)

/* Pointer <-> 64-bit record field conversions for the host (C++ casts in C++, so that hosts
 * built with -Wold-style-cast stay clean). */
#ifdef __cplusplus
#define QUORVEN_SC_PTR_TO_U64(ptr) static_cast<uint64_t>(reinterpret_cast<uintptr_t>(ptr))
#define QUORVEN_SC_HANDLE_FROM_U64(value) \
    reinterpret_cast<quorven_search_core_handle>(static_cast<uintptr_t>(value))
#else
#define QUORVEN_SC_PTR_TO_U64(ptr) ((uint64_t)(uintptr_t)(ptr))
#define QUORVEN_SC_HANDLE_FROM_U64(value) ((quorven_search_core_handle)(uintptr_t)(value))
#endif

/* ---------------------------------------------------------------------------------------------
 * Constants
 * ------------------------------------------------------------------------------------------- */

/* Value returned by quorven_search_core_abi_version. */
#define QUORVEN_SC_ABI_VERSION 3u

/* `version` of every request and result record of this library. */
#define QUORVEN_SC_RECORD_VERSION 1u

/* Record sizes in bytes (the `size` each export expects, or the element size of an array). */
#define QUORVEN_SC_CREATE_REQUEST_V1_SIZE 56u
#define QUORVEN_SC_CREATE_RESULT_V1_SIZE 56u
#define QUORVEN_SC_ADD_BATCH_REQUEST_V1_SIZE 72u
#define QUORVEN_SC_ENTRY_INPUT_V1_SIZE 32u
#define QUORVEN_SC_ADD_BATCH_RESULT_V1_SIZE 56u
#define QUORVEN_SC_SEAL_RESULT_V1_SIZE 56u
#define QUORVEN_SC_QUERY_REQUEST_V1_SIZE 72u
#define QUORVEN_SC_QUERY_RESULT_V1_SIZE 64u
#define QUORVEN_SC_HIT_V1_SIZE 24u
#define QUORVEN_SC_PROJECT_REQUEST_V1_SIZE 80u
#define QUORVEN_SC_PROJECT_RESULT_V1_SIZE 64u
#define QUORVEN_SC_ROW_V1_SIZE 24u
#define QUORVEN_SC_COPY_ENTRIES_REQUEST_V1_SIZE 88u
#define QUORVEN_SC_COPY_ENTRIES_RESULT_V1_SIZE 56u
#define QUORVEN_SC_ENTRY_ROW_V1_SIZE 32u
#define QUORVEN_SC_STATS_RESULT_V1_SIZE 104u
#define QUORVEN_SC_MUTATE_BATCH_REQUEST_V1_SIZE 72u
#define QUORVEN_SC_MUTATION_V1_SIZE 56u
#define QUORVEN_SC_MUTATE_BATCH_RESULT_V1_SIZE 64u
#define QUORVEN_SC_OPEN_VREL_REQUEST_V1_SIZE 72u
#define QUORVEN_SC_OPEN_VREL_RESULT_V1_SIZE 80u
#define QUORVEN_SC_SAVE_VREL_REQUEST_V1_SIZE 80u
#define QUORVEN_SC_SAVE_VREL_RESULT_V1_SIZE 72u

/* Limits. */
#define QUORVEN_SC_MAX_ENTRIES 300000u       /* entries per store / batch, hits, rows */
#define QUORVEN_SC_MAX_POOL_UNITS 0x4000000u /* UTF-16 units in the name pool and dir pool */
#define QUORVEN_SC_MAX_QUERY_UNITS 0x7FFFu   /* query length in units (1..0x7FFF) */
#define QUORVEN_SC_MAX_PATH_UNITS 0x7FFFu    /* index-file path length in units (1..0x7FFF) */
#define QUORVEN_SC_MUTATION_BATCH_MAX 8192u  /* mutation records per batch */
#define QUORVEN_SC_MAX_TICKS UINT64_C(0x2BCA2875F4373FFF)        /* last tick of 9999-12-31 */
#define QUORVEN_SC_UNIX_EPOCH_TICKS UINT64_C(621355968000000000) /* 1970-01-01T00:00:00 */

/* `time_binary`: ticks in bits 0..61, kind in bits 62..63. */
#define QUORVEN_SC_TIME_TICKS_MASK UINT64_C(0x3FFFFFFFFFFFFFFF)
#define QUORVEN_SC_TIME_KIND_SHIFT 62u
#define QUORVEN_SC_TIME_KIND_UNSPECIFIED 0u /* accepted only as time_binary == 0, else 8 */
#define QUORVEN_SC_TIME_KIND_UTC 1u         /* add_batch stores this; ticks above MAX_TICKS: 9 */
#define QUORVEN_SC_TIME_KIND_LOCAL 2u       /* local time; ticks <= MAX_TICKS, else 8 */
#define QUORVEN_SC_TIME_KIND_LOCAL_AMBIGUOUS 3u /* local time, second form; as kind 2 */
/* time_binary of a UTC time given in ticks (ticks <= QUORVEN_SC_MAX_TICKS). */
#define QUORVEN_SC_TIME_BINARY_UTC(ticks) \
    ((UINT64_C(1) << QUORVEN_SC_TIME_KIND_SHIFT) | (UINT64_C(0) + (ticks)))

/* Query scores, best first. */
#define QUORVEN_SC_SCORE_EXACT 100u   /* name equals the query (case-insensitive) */
#define QUORVEN_SC_SCORE_PREFIX 80u   /* name starts with the query */
#define QUORVEN_SC_SCORE_CONTAINS 50u /* name contains the query */

/* Projection modes. */
#define QUORVEN_SC_PROJECT_RECENT_FILES 1u /* newest live files, with full paths */
#define QUORVEN_SC_PROJECT_FOLDERS 2u      /* directories holding the most live files */

/* Mutation kinds. */
#define QUORVEN_SC_MUTATION_UPSERT 1u      /* add an entry, replacing a live one at the same path */
#define QUORVEN_SC_MUTATION_REMOVE 2u      /* remove the entry at a path */
#define QUORVEN_SC_MUTATION_REMOVE_TREE 3u /* remove a path and everything under it */
#define QUORVEN_SC_MUTATION_SWEEP 4u       /* remove at/under a path all but one generation */

/* The VREL index file. */
#define QUORVEN_SC_VREL_MAGIC 0x4C455256u /* the bytes "VREL" */
#define QUORVEN_SC_VREL_FORMAT_VERSION 1u
#define QUORVEN_SC_VREL_MAX_FILE_BYTES 134217728u /* 128 MiB; an empty file is refused too */
#define QUORVEN_SC_VREL_MAX_DIRS 300000u          /* directory records in one file */
#define QUORVEN_SC_VREL_MAX_TEXT_BYTES 0x100000u  /* UTF-8 bytes of one path or name */

/* ---------------------------------------------------------------------------------------------
 * Status codes
 * ------------------------------------------------------------------------------------------- */

#define QUORVEN_SC_STATUS_OK 0u
#define QUORVEN_SC_STATUS_INVALID_ARGUMENT 1u /* null pointer, bad count/limit, reserved != 0 */
#define QUORVEN_SC_STATUS_RECORD_MISMATCH 2u  /* a record's size or version is wrong */
#define QUORVEN_SC_STATUS_BUFFER_TOO_SMALL 3u /* text buffer too small; needed size reported */
#define QUORVEN_SC_STATUS_WRONG_STATE 4u      /* sealed / not sealed as the call requires */
#define QUORVEN_SC_STATUS_CANCELLED 5u        /* cancel flag or cancel object seen */
#define QUORVEN_SC_STATUS_OUT_OF_MEMORY 6u
#define QUORVEN_SC_STATUS_IO_ERROR 7u           /* a file operation of open/save failed */
#define QUORVEN_SC_STATUS_UNSUPPORTED_FORMAT 8u /* magic, format version or time kind refused */
#define QUORVEN_SC_STATUS_INVALID_DATA 9u       /* index file or mutation holds invalid data */

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque handle to one store. Made by create or open_vrel, released only by destroy. */
typedef struct quorven_search_core_store* quorven_search_core_handle;

/* ---------------------------------------------------------------------------------------------
 * create: make an empty, unsealed store
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_create_request_v1 {
    uint32_t size;               /* 56 */
    uint32_t version;            /* 1 */
    uint32_t initial_entries;    /* entries to reserve room for; 0..300000 */
    uint32_t initial_name_units; /* UTF-16 units to reserve in the name pool; 0..0x4000000 */
    uint32_t reserved0;          /* 0 */
    uint32_t reserved1;          /* 0 */
    uint8_t reserved[32];        /* all zero */
} quorven_search_core_create_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_create_request_v1, 56);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_request_v1, initial_entries, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_request_v1, initial_name_units, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_request_v1, reserved0, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_request_v1, reserved1, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_request_v1, reserved, 24);

typedef struct quorven_search_core_create_result_v1 {
    uint32_t size;             /* 56 */
    uint32_t version;          /* 1 */
    uint32_t status;           /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t reserved0;        /* 0 */
    uint64_t handle;           /* the new quorven_search_core_handle on success; 0 otherwise */
    uint8_t reserved_tail[32]; /* 0 */
} quorven_search_core_create_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_create_result_v1, 56);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_result_v1, reserved0, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_result_v1, handle, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_create_result_v1, reserved_tail, 24);

/* ---------------------------------------------------------------------------------------------
 * add_batch: append entries to an unsealed store
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_add_batch_request_v1 {
    uint32_t size;         /* 72 */
    uint32_t version;      /* 1 */
    uint64_t records;      /* pointer to record_count quorven_search_core_entry_input_v1 */
    uint32_t record_count; /* 1..300000 */
    uint32_t reserved0;    /* 0 */
    uint64_t text;         /* pointer to the batch's UTF-16 text (uint16_t units) */
    uint32_t text_units;   /* units in text; 0..0x4000000 */
    uint32_t reserved1;    /* 0 */
    uint8_t reserved[32];  /* all zero */
} quorven_search_core_add_batch_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_add_batch_request_v1, 72);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, records, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, record_count, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, reserved0, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, text, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, text_units, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, reserved1, 36);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_request_v1, reserved, 40);

/* One entry of a batch; its texts are spans of the request's text. */
typedef struct quorven_search_core_entry_input_v1 {
    uint32_t dir_offset;  /* first unit of the directory path in text */
    uint32_t dir_length;  /* units of the directory path; 0 = the empty directory */
    uint32_t name_offset; /* first unit of the name in text */
    uint32_t name_length; /* units of the name; at least 1 */
    uint64_t timestamp;   /* ticks, 0..QUORVEN_SC_MAX_TICKS */
    uint32_t is_folder;   /* 0 file, 1 folder */
    uint32_t reserved;    /* 0 */
} quorven_search_core_entry_input_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_entry_input_v1, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_input_v1, dir_offset, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_input_v1, dir_length, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_input_v1, name_offset, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_input_v1, name_length, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_input_v1, timestamp, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_input_v1, is_folder, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_input_v1, reserved, 28);

typedef struct quorven_search_core_add_batch_result_v1 {
    uint32_t size;             /* 56 */
    uint32_t version;          /* 1 */
    uint32_t status;           /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t added;            /* entries appended by this call; set on success only */
    uint32_t entry_count;      /* entries in the store after the call, deleted ones included */
    uint32_t dir_count;        /* directories in the store after the call */
    uint8_t reserved_tail[32]; /* 0 */
} quorven_search_core_add_batch_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_add_batch_result_v1, 56);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_result_v1, added, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_result_v1, entry_count, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_result_v1, dir_count, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_add_batch_result_v1, reserved_tail, 24);

/* ---------------------------------------------------------------------------------------------
 * seal: end the loading phase (no request record)
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_seal_result_v1 {
    uint32_t size;             /* 56 */
    uint32_t version;          /* 1 */
    uint32_t status;           /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t entry_count;      /* entries in the store, deleted ones included */
    uint32_t dir_count;        /* directories in the store */
    uint8_t reserved_tail[36]; /* 0 */
} quorven_search_core_seal_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_seal_result_v1, 56);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_seal_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_seal_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_seal_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_seal_result_v1, entry_count, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_seal_result_v1, dir_count, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_seal_result_v1, reserved_tail, 20);

/* ---------------------------------------------------------------------------------------------
 * query: best N entries whose name matches, case-insensitively
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_query_request_v1 {
    uint32_t size;         /* 72 */
    uint32_t version;      /* 1 */
    uint64_t query;        /* pointer to the query's UTF-16 units (uint16_t) */
    uint32_t query_units;  /* 1..0x7FFF */
    uint32_t max_hits;     /* N, 1..300000 */
    uint64_t hits;         /* pointer to the host's array of quorven_search_core_hit_v1 */
    uint32_t hit_capacity; /* elements in hits; at least max_hits */
    uint32_t reserved0;    /* 0 */
    uint8_t reserved[32];  /* all zero */
} quorven_search_core_query_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_query_request_v1, 72);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, query, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, query_units, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, max_hits, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, hits, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, hit_capacity, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, reserved0, 36);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_request_v1, reserved, 40);

typedef struct quorven_search_core_query_result_v1 {
    uint32_t size;             /* 64 */
    uint32_t version;          /* 1 */
    uint32_t status;           /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t scanned;          /* live entries visited; saturates at 0xFFFFFFFF */
    uint32_t matched;          /* entries that matched, kept or not; saturates at 0xFFFFFFFF */
    uint32_t hit_count;        /* hit records written */
    uint32_t hit_text_units;   /* directory + name units of the hits: copy_entries' text size */
    uint8_t reserved_tail[36]; /* 0 */
} quorven_search_core_query_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_query_result_v1, 64);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, scanned, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, matched, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, hit_count, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, hit_text_units, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_query_result_v1, reserved_tail, 28);

/* One hit, best first: higher score, then newer timestamp, then lower id. */
typedef struct quorven_search_core_hit_v1 {
    uint32_t id;        /* entry id */
    uint32_t score;     /* QUORVEN_SC_SCORE_EXACT, _PREFIX or _CONTAINS */
    int64_t timestamp;  /* the entry's ticks */
    uint32_t is_folder; /* the entry's flag: 0 file, 1 folder */
    uint32_t reserved0; /* always 0 */
} quorven_search_core_hit_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_hit_v1, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_hit_v1, id, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_hit_v1, score, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_hit_v1, timestamp, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_hit_v1, is_folder, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_hit_v1, reserved0, 20);

/* ---------------------------------------------------------------------------------------------
 * project: newest files or fullest folders, with their paths
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_project_request_v1 {
    uint32_t size;          /* 80 */
    uint32_t version;       /* 1 */
    uint32_t mode;          /* QUORVEN_SC_PROJECT_RECENT_FILES (1) or _FOLDERS (2) */
    uint32_t max_rows;      /* N, 1..300000 */
    uint64_t rows;          /* pointer to the host's array of quorven_search_core_row_v1 */
    uint32_t row_capacity;  /* elements in rows; at least max_rows */
    uint32_t reserved0;     /* 0 */
    uint64_t text;          /* pointer to the host's UTF-16 text buffer (uint16_t units) */
    uint32_t text_capacity; /* units in text */
    uint32_t reserved1;     /* 0 */
    uint8_t reserved[32];   /* all zero */
} quorven_search_core_project_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_project_request_v1, 80);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, mode, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, max_rows, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, rows, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, row_capacity, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, reserved0, 28);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, text, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, text_capacity, 40);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, reserved1, 44);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_request_v1, reserved, 48);

typedef struct quorven_search_core_project_result_v1 {
    uint32_t size;             /* 64 */
    uint32_t version;          /* 1 */
    uint32_t status;           /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t row_count;        /* rows written (status 0 only) */
    uint32_t text_units;       /* units of text the rows need; also set with status 3 */
    uint32_t live_count;       /* live entries in the store; also set with status 3 */
    uint8_t reserved_tail[40]; /* 0 */
} quorven_search_core_project_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_project_result_v1, 64);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_result_v1, row_count, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_result_v1, text_units, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_result_v1, live_count, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_project_result_v1, reserved_tail, 24);

/* One projected row; its text is a span of the request's text buffer. */
typedef struct quorven_search_core_row_v1 {
    uint32_t text_offset; /* first unit of the row's text (full path / folder path) */
    uint32_t text_length; /* units of the row's text */
    uint32_t file_count;  /* recent files: 0; folders: live files directly in the folder */
    uint32_t tag;         /* recent files: the entry's is_folder; folders: 1 */
    int64_t timestamp;    /* ticks: the file's, or the folder's newest file's */
} quorven_search_core_row_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_row_v1, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_row_v1, text_offset, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_row_v1, text_length, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_row_v1, file_count, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_row_v1, tag, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_row_v1, timestamp, 16);

/* ---------------------------------------------------------------------------------------------
 * copy_entries: directory and name texts of chosen entry ids
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_copy_entries_request_v1 {
    uint32_t size;          /* 88 */
    uint32_t version;       /* 1 */
    uint64_t ids;           /* pointer to id_count uint32_t entry ids */
    uint32_t id_count;      /* at least 1 */
    uint32_t reserved0;     /* 0 */
    uint64_t rows;          /* pointer to the host's array of quorven_search_core_entry_row_v1 */
    uint32_t row_capacity;  /* elements in rows; at least id_count */
    uint32_t reserved1;     /* 0 */
    uint64_t text;          /* pointer to the host's UTF-16 text buffer (uint16_t units) */
    uint32_t text_capacity; /* units in text */
    uint32_t reserved2;     /* 0 */
    uint8_t reserved[32];   /* all zero */
} quorven_search_core_copy_entries_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_copy_entries_request_v1, 88);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, ids, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, id_count, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, reserved0, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, rows, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, row_capacity, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, reserved1, 36);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, text, 40);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, text_capacity, 48);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, reserved2, 52);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_request_v1, reserved, 56);

typedef struct quorven_search_core_copy_entries_result_v1 {
    uint32_t size;             /* 56 */
    uint32_t version;          /* 1 */
    uint32_t status;           /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t row_count;        /* id_count on success */
    uint32_t text_units;       /* units of text the rows need; also set with status 3 */
    uint8_t reserved_tail[36]; /* 0 */
} quorven_search_core_copy_entries_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_copy_entries_result_v1, 56);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_result_v1, row_count, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_result_v1, text_units, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_copy_entries_result_v1, reserved_tail, 20);

/* One copied entry; directory and name lie back to back in the request's text buffer. The full
 * path is the directory, a '\' only if the directory is non-empty and does not end in '/' or
 * '\', then the name. */
typedef struct quorven_search_core_entry_row_v1 {
    uint32_t id;          /* entry id as requested */
    uint32_t dir_offset;  /* first unit of the directory path in text */
    uint32_t dir_length;  /* units of the directory path; 0 = the empty directory */
    uint32_t name_offset; /* first unit of the name in text (= dir_offset + dir_length) */
    uint32_t name_length; /* units of the name */
    uint32_t is_folder;   /* 0 file, 1 folder */
    int64_t timestamp;    /* the entry's ticks */
} quorven_search_core_entry_row_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_entry_row_v1, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_row_v1, id, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_row_v1, dir_offset, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_row_v1, dir_length, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_row_v1, name_offset, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_row_v1, name_length, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_row_v1, is_folder, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_entry_row_v1, timestamp, 24);

/* ---------------------------------------------------------------------------------------------
 * stats: state and reserved heap memory of a store (no request record; result not reset)
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_stats_result_v1 {
    uint32_t size;             /* 104 */
    uint32_t version;          /* 1 */
    uint32_t status;           /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t sealed;           /* 1 sealed, 0 not */
    uint32_t live_count;       /* live entries */
    uint32_t dir_count;        /* directories */
    uint64_t entries_bytes;    /* entry capacity * 40; saturating */
    uint64_t dir_table_bytes;  /* directory table capacity * 8; saturating */
    uint64_t dir_pool_bytes;   /* directory pool capacity in units * 2 */
    uint64_t name_pool_bytes;  /* name pool capacity in units * 2 */
    uint64_t dir_lookup_bytes; /* estimate for the directory lookup map; 0 once sealed */
    uint64_t total_bytes;      /* saturating sum of the five figures above */
    uint8_t reserved_tail[32]; /* 0 */
} quorven_search_core_stats_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_stats_result_v1, 104);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, sealed, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, live_count, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, dir_count, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, entries_bytes, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, dir_table_bytes, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, dir_pool_bytes, 40);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, name_pool_bytes, 48);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, dir_lookup_bytes, 56);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, total_bytes, 64);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_stats_result_v1, reserved_tail, 72);

/* ---------------------------------------------------------------------------------------------
 * mutate_batch: upsert / remove / remove_tree / sweep on a sealed store, all or nothing
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_mutate_batch_request_v1 {
    uint32_t size;         /* 72 */
    uint32_t version;      /* 1 */
    uint64_t records;      /* pointer to record_count quorven_search_core_mutation_v1 */
    uint32_t record_count; /* 1..8192 */
    uint32_t reserved0;    /* 0 */
    uint64_t text;         /* pointer to the batch's UTF-16 text (uint16_t units) */
    uint32_t text_units;   /* units in text; 1..0x4000000 */
    uint32_t reserved1;    /* 0 */
    uint8_t reserved[32];  /* all zero */
} quorven_search_core_mutate_batch_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_mutate_batch_request_v1, 72);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, records, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, record_count, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, reserved0, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, text, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, text_units, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, reserved1, 36);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_request_v1, reserved, 40);

/* One mutation. Upsert uses dir/name/timestamp/time_binary and leaves path_* at 0; the other
 * kinds use path_* (and sweep its generation) and leave every other field at 0. Texts are spans
 * of the request's text and may not hold a NUL unit. */
typedef struct quorven_search_core_mutation_v1 {
    uint32_t kind;        /* QUORVEN_SC_MUTATION_UPSERT .. _SWEEP (1..4) */
    uint32_t is_folder;   /* upsert: 0 file, 1 folder; others: 0 */
    uint32_t path_offset; /* remove/remove_tree/sweep: first unit of the path in text */
    uint32_t path_length; /* remove/remove_tree/sweep: units of the path, at least 1 */
    uint32_t dir_offset;  /* upsert: first unit of the directory path in text */
    uint32_t dir_length;  /* upsert: units of the directory path; 0 allowed */
    uint32_t name_offset; /* upsert: first unit of the name in text */
    uint32_t name_length; /* upsert: units of the name, at least 1 */
    uint64_t timestamp;   /* upsert: ticks, 0..QUORVEN_SC_MAX_TICKS */
    uint64_t time_binary; /* upsert: ticks with kind; low 62 bits == timestamp */
    uint32_t generation;  /* upsert: stored in the entry; sweep: generation to keep; else 0 */
    uint32_t reserved;    /* 0 */
} quorven_search_core_mutation_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_mutation_v1, 56);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, kind, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, is_folder, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, path_offset, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, path_length, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, dir_offset, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, dir_length, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, name_offset, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, name_length, 28);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, timestamp, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, time_binary, 40);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, generation, 48);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutation_v1, reserved, 52);

typedef struct quorven_search_core_mutate_batch_result_v1 {
    uint32_t size;          /* 64 */
    uint32_t version;       /* 1 */
    uint32_t status;        /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t applied;       /* record_count on success; 0 on failure */
    uint32_t live_count;    /* live entries after the call */
    uint32_t deleted_count; /* entries marked deleted after the call */
    uint32_t dir_count;     /* directories after the call */
    uint8_t reserved[36];   /* 0 */
} quorven_search_core_mutate_batch_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_mutate_batch_result_v1, 64);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, applied, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, live_count, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, deleted_count, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, dir_count, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_mutate_batch_result_v1, reserved, 28);

/* ---------------------------------------------------------------------------------------------
 * open_vrel: load an index file into a new, sealed store
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_open_vrel_request_v1 {
    uint32_t size;         /* 72 */
    uint32_t version;      /* 1 */
    uint64_t path;         /* pointer to the index file's UTF-16 path (uint16_t units) */
    uint32_t path_length;  /* 1..0x7FFF units; no NUL unit */
    uint32_t max_entries;  /* largest entry count the host accepts; 1..300000 */
    uint32_t reserved0;    /* 0 */
    uint32_t reserved1;    /* 0 */
    uint64_t cancel_event; /* HANDLE of a waitable object that cancels when signalled; 0 = none */
    uint8_t reserved[32];  /* all zero */
} quorven_search_core_open_vrel_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_open_vrel_request_v1, 72);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, path, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, path_length, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, max_entries, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, reserved0, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, reserved1, 28);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, cancel_event, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_request_v1, reserved, 40);

typedef struct quorven_search_core_open_vrel_result_v1 {
    uint32_t size;           /* 80 */
    uint32_t version;        /* 1 */
    uint32_t status;         /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t format_version; /* 1 on success, else 0 */
    uint64_t handle;         /* the new quorven_search_core_handle on success; 0 otherwise */
    uint64_t saved_at;       /* ticks (UTC, no kind bits) from the file header */
    uint64_t file_size;      /* size of the index file in bytes */
    uint32_t entry_count;    /* entries loaded */
    uint32_t dir_count;      /* directories loaded */
    uint8_t reserved[32];    /* 0 */
} quorven_search_core_open_vrel_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_open_vrel_result_v1, 80);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, format_version, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, handle, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, saved_at, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, file_size, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, entry_count, 40);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, dir_count, 44);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_open_vrel_result_v1, reserved, 48);

/* ---------------------------------------------------------------------------------------------
 * save_vrel: write the live entries to a temporary file, then rename it over the index file
 * ------------------------------------------------------------------------------------------- */

typedef struct quorven_search_core_save_vrel_request_v1 {
    uint32_t size;             /* 80 */
    uint32_t version;          /* 1 */
    uint64_t path;             /* pointer to the index file's UTF-16 path (uint16_t units) */
    uint32_t path_length;      /* 1..0x7FFF units; no NUL unit */
    uint32_t reserved0;        /* 0 */
    uint64_t temp_path;        /* pointer to the temporary file's UTF-16 path, same volume */
    uint32_t temp_path_length; /* 1..0x7FFF units; no NUL unit; must differ from path */
    uint32_t reserved1;        /* 0 */
    uint64_t cancel_event; /* HANDLE of a waitable object that cancels when signalled; 0 = none */
    uint8_t reserved[32];  /* all zero */
} quorven_search_core_save_vrel_request_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_save_vrel_request_v1, 80);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, path, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, path_length, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, reserved0, 20);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, temp_path, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, temp_path_length, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, reserved1, 36);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, cancel_event, 40);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_request_v1, reserved, 48);

typedef struct quorven_search_core_save_vrel_result_v1 {
    uint32_t size;           /* 72 */
    uint32_t version;        /* 1 */
    uint32_t status;         /* QUORVEN_SC_STATUS_*, as returned */
    uint32_t format_version; /* 1 on success, else 0 */
    uint64_t saved_at;       /* ticks (UTC, no kind bits) written into the file header */
    uint64_t file_size;      /* size of the index file in bytes after the rename */
    uint32_t entry_count;    /* entry records written (the live entries) */
    uint32_t dir_count;      /* directory records written */
    uint8_t reserved[32];    /* 0 */
} quorven_search_core_save_vrel_result_v1;

QUORVEN_SC_ASSERT_SIZE(quorven_search_core_save_vrel_result_v1, 72);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, size, 0);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, version, 4);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, status, 8);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, format_version, 12);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, saved_at, 16);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, file_size, 24);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, entry_count, 32);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, dir_count, 36);
QUORVEN_SC_ASSERT_OFFSET(quorven_search_core_save_vrel_result_v1, reserved, 40);

/* ---------------------------------------------------------------------------------------------
 * Exports. Every one except abi_version returns a QUORVEN_SC_STATUS_* code.
 * ------------------------------------------------------------------------------------------- */

/* Interface version of this library: QUORVEN_SC_ABI_VERSION (3). */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_abi_version(void);

/* New empty, unsealed store; its handle is written to result->handle. */
QUORVEN_SEARCH_CORE_API uint32_t
quorven_search_core_create_v1(const quorven_search_core_create_request_v1* request,
                              quorven_search_core_create_result_v1* result);

/* Frees the store; the handle is invalid afterwards. Null handle: 1. */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_destroy_v1(quorven_search_core_handle handle);

/* Appends a batch of entries to an unsealed store (sealed store: 4). */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_add_batch_v1(
    quorven_search_core_handle handle, const quorven_search_core_add_batch_request_v1* request,
    quorven_search_core_add_batch_result_v1* result);

/* Ends loading: trims the store and makes it sealed (already sealed: 4). */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_seal_v1(
    quorven_search_core_handle handle, quorven_search_core_seal_result_v1* result);

/* Best max_hits entries whose name matches the query (sealed store only; cancellable). */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_query_v1(
    quorven_search_core_handle handle, const quorven_search_core_query_request_v1* request,
    quorven_search_core_query_result_v1* result);

/* Recent files or fullest folders as rows plus text (sealed store only). */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_project_v1(
    quorven_search_core_handle handle, const quorven_search_core_project_request_v1* request,
    quorven_search_core_project_result_v1* result);

/* Directory and name texts of the given entry ids (sealed store only; unsealed: 1). */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_copy_entries_v1(
    quorven_search_core_handle handle, const quorven_search_core_copy_entries_request_v1* request,
    quorven_search_core_copy_entries_result_v1* result);

/* State and memory figures of the store; valid in every state. */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_stats_v1(
    quorven_search_core_handle handle, quorven_search_core_stats_result_v1* result);

/* Applies a mutation batch to a sealed store, all or nothing. */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_mutate_batch_v1(
    quorven_search_core_handle handle, const quorven_search_core_mutate_batch_request_v1* request,
    quorven_search_core_mutate_batch_result_v1* result);

/* Loads an index file into a new sealed store; its handle is written to result->handle. */
QUORVEN_SEARCH_CORE_API uint32_t
quorven_search_core_open_vrel_v1(const quorven_search_core_open_vrel_request_v1* request,
                                 quorven_search_core_open_vrel_result_v1* result);

/* Saves the live entries of a sealed store to an index file (temporary file + rename). */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_save_vrel_v1(
    quorven_search_core_handle handle, const quorven_search_core_save_vrel_request_v1* request,
    quorven_search_core_save_vrel_result_v1* result);

/* Sets the store's cancel flag; any thread, also while a query runs. Null handle: 1. */
QUORVEN_SEARCH_CORE_API uint32_t quorven_search_core_cancel_v1(quorven_search_core_handle handle);

/* Clears the store's cancel flag; any thread. Null handle: 1. */
QUORVEN_SEARCH_CORE_API uint32_t
quorven_search_core_reset_cancel_v1(quorven_search_core_handle handle);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* QUORVEN_SEARCH_CORE_H */
