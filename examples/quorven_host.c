/*
 * A small host of the two quorven libraries, built from the release package alone (its headers
 * and import libraries). In the current folder it builds a store of a few entries, searches it,
 * saves it to an index file and opens that file again, then writes a shortcut to the index
 * file and reads it back. Prints one line per step; exits with 0 only if every step worked.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "quorven/native.h"
#include "quorven/search_core.h"

#define TEXT_UNITS 256

/* The host's UTF-16 texts; ASCII is enough here. */
typedef struct text16 {
    uint16_t units[TEXT_UNITS];
    uint32_t length;
} text16;

static void append(text16* text, const char* ascii) {
    for (; *ascii != '\0' && text->length < TEXT_UNITS; ++ascii) {
        text->units[text->length++] = (uint16_t)(unsigned char)*ascii;
    }
}

static int failures = 0;

/* One step's outcome: a status, or a count, against what the step should give. */
static void report(const char* step, uint32_t got, uint32_t expected) {
    printf("%-34s %u%s\n", step, got, got == expected ? "" : "  FAILED");
    if (got != expected) {
        ++failures;
    }
}

/* Four entries in two folders; every span points into one text. */
static quorven_search_core_handle build_store(void) {
    static const char* const entries[][2] = {{"C:\\Music", "song.flac"},
                                             {"C:\\Music", "Songbook"},
                                             {"C:\\Music\\Live", "encore song.mp3"},
                                             {"C:\\Music\\Live", "notes.txt"}};
    quorven_search_core_entry_input_v1 records[4];
    text16 text = {.length = 0};
    memset(records, 0, sizeof records);
    for (uint32_t i = 0; i < 4; ++i) {
        records[i].dir_offset = text.length;
        append(&text, entries[i][0]);
        records[i].dir_length = text.length - records[i].dir_offset;
        records[i].name_offset = text.length;
        append(&text, entries[i][1]);
        records[i].name_length = text.length - records[i].name_offset;
        records[i].timestamp = QUORVEN_SC_UNIX_EPOCH_TICKS + i * UINT64_C(10000000);
        records[i].is_folder = i == 1;
    }

    quorven_search_core_create_request_v1 create = {.size = QUORVEN_SC_CREATE_REQUEST_V1_SIZE,
                                                    .version = QUORVEN_SC_RECORD_VERSION};
    quorven_search_core_create_result_v1 created = {.size = QUORVEN_SC_CREATE_RESULT_V1_SIZE,
                                                    .version = QUORVEN_SC_RECORD_VERSION};
    report("create", quorven_search_core_create_v1(&create, &created), QUORVEN_SC_STATUS_OK);
    quorven_search_core_handle store = QUORVEN_SC_HANDLE_FROM_U64(created.handle);

    quorven_search_core_add_batch_request_v1 batch = {.size = QUORVEN_SC_ADD_BATCH_REQUEST_V1_SIZE,
                                                      .version = QUORVEN_SC_RECORD_VERSION,
                                                      .records = QUORVEN_SC_PTR_TO_U64(records),
                                                      .record_count = 4,
                                                      .text = QUORVEN_SC_PTR_TO_U64(text.units),
                                                      .text_units = text.length};
    quorven_search_core_add_batch_result_v1 added = {.size = QUORVEN_SC_ADD_BATCH_RESULT_V1_SIZE,
                                                     .version = QUORVEN_SC_RECORD_VERSION};
    report("add_batch (4 entries)", quorven_search_core_add_batch_v1(store, &batch, &added),
           QUORVEN_SC_STATUS_OK);

    quorven_search_core_seal_result_v1 sealed = {.size = QUORVEN_SC_SEAL_RESULT_V1_SIZE,
                                                 .version = QUORVEN_SC_RECORD_VERSION};
    report("seal", quorven_search_core_seal_v1(store, &sealed), QUORVEN_SC_STATUS_OK);
    return store;
}

/* Searches for "song" and prints the hits' full paths; gives the number of hits. */
static uint32_t search(quorven_search_core_handle store) {
    text16 query = {.length = 0};
    append(&query, "song");
    quorven_search_core_hit_v1 hits[8];
    quorven_search_core_query_request_v1 request = {.size = QUORVEN_SC_QUERY_REQUEST_V1_SIZE,
                                                    .version = QUORVEN_SC_RECORD_VERSION,
                                                    .query = QUORVEN_SC_PTR_TO_U64(query.units),
                                                    .query_units = query.length,
                                                    .max_hits = 8,
                                                    .hits = QUORVEN_SC_PTR_TO_U64(hits),
                                                    .hit_capacity = 8};
    quorven_search_core_query_result_v1 result = {.size = QUORVEN_SC_QUERY_RESULT_V1_SIZE,
                                                  .version = QUORVEN_SC_RECORD_VERSION};
    report("query \"song\"", quorven_search_core_query_v1(store, &request, &result),
           QUORVEN_SC_STATUS_OK);

    uint32_t ids[8];
    for (uint32_t i = 0; i < result.hit_count; ++i) {
        ids[i] = hits[i].id;
    }
    quorven_search_core_entry_row_v1 rows[8];
    uint16_t text[TEXT_UNITS];
    quorven_search_core_copy_entries_request_v1 copy = {
        .size = QUORVEN_SC_COPY_ENTRIES_REQUEST_V1_SIZE, .version = QUORVEN_SC_RECORD_VERSION};
    copy.ids = QUORVEN_SC_PTR_TO_U64(ids);
    copy.id_count = result.hit_count;
    copy.rows = QUORVEN_SC_PTR_TO_U64(rows);
    copy.row_capacity = 8;
    copy.text = QUORVEN_SC_PTR_TO_U64(text);
    copy.text_capacity = TEXT_UNITS;
    quorven_search_core_copy_entries_result_v1 copied = {
        .size = QUORVEN_SC_COPY_ENTRIES_RESULT_V1_SIZE, .version = QUORVEN_SC_RECORD_VERSION};
    report("copy_entries", quorven_search_core_copy_entries_v1(store, &copy, &copied),
           QUORVEN_SC_STATUS_OK);
    for (uint32_t i = 0; i < copied.row_count; ++i) {
        printf("  score %3u  ", hits[i].score);
        for (uint32_t u = 0; u < rows[i].dir_length + rows[i].name_length; ++u) {
            if (u == rows[i].dir_length) {
                putchar('\\');
            }
            putchar((char)text[rows[i].dir_offset + u]);
        }
        putchar('\n');
    }
    return result.hit_count;
}

static void save_and_open(quorven_search_core_handle store, uint32_t hits_before) {
    text16 path = {.length = 0};
    text16 temp = {.length = 0};
    append(&path, "example.vrel");
    append(&temp, "example.vrel.tmp");
    quorven_search_core_save_vrel_request_v1 save = {.size = QUORVEN_SC_SAVE_VREL_REQUEST_V1_SIZE,
                                                     .version = QUORVEN_SC_RECORD_VERSION,
                                                     .path = QUORVEN_SC_PTR_TO_U64(path.units),
                                                     .path_length = path.length,
                                                     .temp_path = QUORVEN_SC_PTR_TO_U64(temp.units),
                                                     .temp_path_length = temp.length};
    quorven_search_core_save_vrel_result_v1 saved = {.size = QUORVEN_SC_SAVE_VREL_RESULT_V1_SIZE,
                                                     .version = QUORVEN_SC_RECORD_VERSION};
    report("save_vrel example.vrel", quorven_search_core_save_vrel_v1(store, &save, &saved),
           QUORVEN_SC_STATUS_OK);
    printf("  %u entries, %u folders, %u bytes\n", saved.entry_count, saved.dir_count,
           (unsigned)saved.file_size);

    quorven_search_core_open_vrel_request_v1 open = {.size = QUORVEN_SC_OPEN_VREL_REQUEST_V1_SIZE,
                                                     .version = QUORVEN_SC_RECORD_VERSION,
                                                     .path = QUORVEN_SC_PTR_TO_U64(path.units),
                                                     .path_length = path.length,
                                                     .max_entries = QUORVEN_SC_MAX_ENTRIES};
    quorven_search_core_open_vrel_result_v1 opened = {.size = QUORVEN_SC_OPEN_VREL_RESULT_V1_SIZE,
                                                      .version = QUORVEN_SC_RECORD_VERSION};
    report("open_vrel example.vrel", quorven_search_core_open_vrel_v1(&open, &opened),
           QUORVEN_SC_STATUS_OK);
    if (opened.status == QUORVEN_SC_STATUS_OK) {
        quorven_search_core_handle loaded = QUORVEN_SC_HANDLE_FROM_U64(opened.handle);
        report("same hits from the opened index", search(loaded), hits_before);
        report("destroy (opened store)", quorven_search_core_destroy_v1(loaded),
               QUORVEN_SC_STATUS_OK);
    }
}

/* Writes example.lnk pointing at the index file, then reads its target back. */
static void shortcut(void) {
    text16 link = {.length = 0};
    text16 target = {.length = 0};
    append(&link, "example.lnk");
    append(&target, "example.vrel");

    quorven_shortcut_request_v2 write = {
        .size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE,
        .version = QUORVEN_SHORTCUT_RECORD_VERSION,
        .mode = QUORVEN_SHORTCUT_MODE_WRITE,
        .link_path.pointer = QUORVEN_NATIVE_PTR_TO_U64(link.units),
        .link_path.length = link.length,
        .target.string.pointer = QUORVEN_NATIVE_PTR_TO_U64(target.units),
        .target.string.length = target.length};
    quorven_shortcut_write_result_v2 written = {.size = QUORVEN_SHORTCUT_WRITE_RESULT_V2_SIZE,
                                                .version = QUORVEN_SHORTCUT_RECORD_VERSION};
    report("shortcut_write example.lnk", quorven_shortcut_write_v2(&write, &written),
           QUORVEN_NATIVE_STATUS_OK);

    /* Compact mode reads the target and the arguments; each needs a buffer. */
    uint16_t units[QUORVEN_SHORTCUT_READ_UNITS];
    uint16_t arguments[QUORVEN_SHORTCUT_COMPACT_ARGUMENTS_UNITS];
    quorven_shortcut_request_v2 read = {
        .size = QUORVEN_SHORTCUT_REQUEST_V2_SIZE,
        .version = QUORVEN_SHORTCUT_RECORD_VERSION,
        .mode = QUORVEN_SHORTCUT_MODE_COMPACT,
        .link_path = write.link_path,
        .target.buffer.pointer = QUORVEN_NATIVE_PTR_TO_U64(units),
        .target.buffer.capacity = QUORVEN_SHORTCUT_READ_UNITS,
        .arguments.buffer.pointer = QUORVEN_NATIVE_PTR_TO_U64(arguments),
        .arguments.buffer.capacity = QUORVEN_SHORTCUT_COMPACT_ARGUMENTS_UNITS};
    quorven_shortcut_read_result_v2 result = {.size = QUORVEN_SHORTCUT_READ_RESULT_V2_SIZE,
                                              .version = QUORVEN_SHORTCUT_RECORD_VERSION};
    report("shortcut_read example.lnk", quorven_shortcut_read_v2(&read, &result),
           QUORVEN_NATIVE_STATUS_OK);
    if (result.status == QUORVEN_NATIVE_STATUS_OK) {
        printf("  target ");
        for (uint32_t u = 0; u + 1 < result.needed_target; ++u) {
            putchar((char)units[u]);
        }
        putchar('\n');
    }
}

int main(void) {
    printf("search core interface %u, native interface %u\n", quorven_search_core_abi_version(),
           quorven_native_abi_version());
    quorven_search_core_handle store = build_store();
    uint32_t hits = search(store);
    report("hits for \"song\"", hits, 3);
    save_and_open(store, hits);
    report("destroy", quorven_search_core_destroy_v1(store), QUORVEN_SC_STATUS_OK);
    shortcut();
    if (failures != 0) {
        printf("%d steps FAILED\n", failures);
        return 1;
    }
    printf("all steps worked\n");
    return 0;
}
