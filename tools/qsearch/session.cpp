#include "session.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "failure.h"
#include "utf.h"

#if defined(_WIN32)
#include <process.h>
#define QSEARCH_GETPID _getpid
#else
#include <unistd.h>
#define QSEARCH_GETPID getpid
#endif

namespace qsearch {
namespace {

enum class Call { create, add_batch, seal, stats, query, project, copy, mutate, open, save };

// What the user can do about a failing status; the same status means different things to
// different calls (an io_error of open is a missing file, of save a full or read-only disk).
std::string advice(Call call, std::uint32_t status) {
    switch (status) {
        case QUORVEN_SC_STATUS_RECORD_MISMATCH:
            return "qsearch and the search core library do not match; rebuild both";
        case QUORVEN_SC_STATUS_CANCELLED:
            return "interrupted; nothing was changed";
        case QUORVEN_SC_STATUS_OUT_OF_MEMORY:
            return "not enough memory; close other programs or index a smaller tree";
        case QUORVEN_SC_STATUS_IO_ERROR:
            return call == Call::save
                       ? "check that the folder exists, is writable and has free space; the "
                         "previous index file is unchanged"
                       : "check that the index file exists and is readable (make one with "
                         "'qsearch index DIR -o FILE')";
        case QUORVEN_SC_STATUS_UNSUPPORTED_FORMAT:
            return call == Call::open
                       ? "this is not an index file this version reads; rebuild it with "
                         "'qsearch index DIR -o FILE'"
                       : "a file time was refused; the index file is unchanged";
        case QUORVEN_SC_STATUS_INVALID_DATA:
            return call == Call::open ? "the index file is damaged or truncated; rebuild it "
                                        "with 'qsearch index DIR -o FILE'"
                                      : "an entry could not be stored; the index file is "
                                        "unchanged";
        case QUORVEN_SC_STATUS_INVALID_ARGUMENT:
            if (call == Call::add_batch || call == Call::mutate) {
                return "a limit of the index was reached (300000 entries, or 64 Mi units of "
                       "names or folder paths); index a smaller tree";
            }
            if (call == Call::open || call == Call::save) {
                return "the path is not usable (empty, too long or holding a NUL), or there "
                       "is nothing to save";
            }
            [[fallthrough]];
        default:
            return "this is a bug in qsearch; please report it with the command you ran";
    }
}

[[noreturn]] void fail(Call call, std::string_view what, std::uint32_t status) {
    const int exit_code = status == QUORVEN_SC_STATUS_CANCELLED ? kExitInterrupted : kExitFailure;
    throw Failure(std::string(what) + ": " + std::string(status_name(status)) + " (status " +
                      std::to_string(status) + "): " + advice(call, status),
                  exit_code);
}

// The header's pointer macros are C casts; these are the C++ spellings of the same conversions.
std::uint64_t address_of(const void* pointer) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

quorven_search_core_handle handle_from(std::uint64_t value) {
    return reinterpret_cast<quorven_search_core_handle>(static_cast<std::uintptr_t>(value));
}

template <typename Record>
Record make_record(std::uint32_t size) {
    Record record{};
    record.size = size;
    record.version = QUORVEN_SC_RECORD_VERSION;
    return record;
}

std::uint32_t to_u32(std::size_t value) {
    return static_cast<std::uint32_t>(
        std::min<std::size_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

std::u16string index_path_units(const std::string& path) {
    Utf16Text converted = utf8_to_utf16(path);
    if (converted.replaced != 0) {
        throw Failure("index file path '" + path + "' is not valid UTF-8; choose another name");
    }
    if (converted.text.empty() || converted.text.size() > QUORVEN_SC_MAX_PATH_UNITS) {
        throw Failure("index file path '" + path + "' is empty or too long");
    }
    return std::move(converted.text);
}

// Never hand a null pointer for an empty buffer: the library refuses it.
template <typename T>
std::uint64_t buffer_address(std::vector<T>& buffer) {
    if (buffer.empty()) {
        buffer.resize(1);
    }
    return address_of(buffer.data());
}

// Makes a call whose result text goes into `text`. A buffer that turns out short costs one more
// call, with the buffer grown to the size the library reported.
template <typename Request, typename Result, typename Call>
std::uint32_t call_with_text(std::vector<char16_t>& text, Request& request, Result& result,
                             Call call) {
    std::uint32_t status = QUORVEN_SC_STATUS_BUFFER_TOO_SMALL;
    for (int attempt = 0; attempt < 2 && status == QUORVEN_SC_STATUS_BUFFER_TOO_SMALL; ++attempt) {
        if (attempt == 1) {
            text.resize(result.text_units);
        }
        request.text = buffer_address(text);
        request.text_capacity = to_u32(text.size());
        status = call(&request, &result);
    }
    return status;
}

}  // namespace

std::string_view status_name(std::uint32_t status) {
    switch (status) {
        case QUORVEN_SC_STATUS_OK:
            return "ok";
        case QUORVEN_SC_STATUS_INVALID_ARGUMENT:
            return "invalid_argument";
        case QUORVEN_SC_STATUS_RECORD_MISMATCH:
            return "record_mismatch";
        case QUORVEN_SC_STATUS_BUFFER_TOO_SMALL:
            return "buffer_too_small";
        case QUORVEN_SC_STATUS_WRONG_STATE:
            return "wrong_state";
        case QUORVEN_SC_STATUS_CANCELLED:
            return "cancelled";
        case QUORVEN_SC_STATUS_OUT_OF_MEMORY:
            return "out_of_memory";
        case QUORVEN_SC_STATUS_IO_ERROR:
            return "io_error";
        case QUORVEN_SC_STATUS_UNSUPPORTED_FORMAT:
            return "unsupported_format";
        case QUORVEN_SC_STATUS_INVALID_DATA:
            return "invalid_data";
        default:
            return "unknown_status";
    }
}

std::u16string full_path(std::u16string_view dir, std::u16string_view name) {
    std::u16string path(dir);
    if (!dir.empty() && dir.back() != u'/' && dir.back() != u'\\') {
        path.push_back(u'\\');
    }
    path += name;
    return path;
}

Store Store::create(std::uint32_t initial_entries, std::uint32_t initial_name_units) {
    auto request =
        make_record<quorven_search_core_create_request_v1>(QUORVEN_SC_CREATE_REQUEST_V1_SIZE);
    request.initial_entries = initial_entries;
    request.initial_name_units = initial_name_units;
    auto result =
        make_record<quorven_search_core_create_result_v1>(QUORVEN_SC_CREATE_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_create_v1(&request, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::create, "cannot create an index", status);
    }
    return Store(handle_from(result.handle));
}

Store Store::open(const std::string& path, std::uint64_t cancel_object, IndexFileInfo& info) {
    const std::u16string units = index_path_units(path);
    auto request =
        make_record<quorven_search_core_open_vrel_request_v1>(QUORVEN_SC_OPEN_VREL_REQUEST_V1_SIZE);
    request.path = address_of(units.data());
    request.path_length = to_u32(units.size());
    request.max_entries = QUORVEN_SC_MAX_ENTRIES;
    request.cancel_event = cancel_object;
    auto result =
        make_record<quorven_search_core_open_vrel_result_v1>(QUORVEN_SC_OPEN_VREL_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_open_vrel_v1(&request, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::open, "cannot open index file '" + path + "'", status);
    }
    info = {result.saved_at, result.file_size, result.entry_count, result.dir_count};
    return Store(handle_from(result.handle));
}

Store::Store(Store&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Store& Store::operator=(Store&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
}

Store::~Store() {
    if (handle_ != nullptr) {
        quorven_search_core_destroy_v1(handle_);
    }
}

void Store::add_batch(std::span<const quorven_search_core_entry_input_v1> records,
                      std::u16string_view text) {
    auto request =
        make_record<quorven_search_core_add_batch_request_v1>(QUORVEN_SC_ADD_BATCH_REQUEST_V1_SIZE);
    request.records = address_of(records.data());
    request.record_count = to_u32(records.size());
    request.text = address_of(text.empty() ? u"" : text.data());
    request.text_units = to_u32(text.size());
    auto result =
        make_record<quorven_search_core_add_batch_result_v1>(QUORVEN_SC_ADD_BATCH_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_add_batch_v1(handle_, &request, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::add_batch, "cannot add entries to the index", status);
    }
}

void Store::seal() {
    auto result = make_record<quorven_search_core_seal_result_v1>(QUORVEN_SC_SEAL_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_seal_v1(handle_, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::seal, "cannot seal the index", status);
    }
}

quorven_search_core_stats_result_v1 Store::stats() const {
    auto result = make_record<quorven_search_core_stats_result_v1>(QUORVEN_SC_STATS_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_stats_v1(handle_, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::stats, "cannot read the index figures", status);
    }
    return result;
}

QueryOutcome Store::query(std::u16string_view query, std::uint32_t max_hits) {
    std::vector<quorven_search_core_hit_v1> hits(max_hits);
    auto request =
        make_record<quorven_search_core_query_request_v1>(QUORVEN_SC_QUERY_REQUEST_V1_SIZE);
    request.query = address_of(query.data());
    request.query_units = to_u32(query.size());
    request.max_hits = max_hits;
    request.hits = buffer_address(hits);
    request.hit_capacity = to_u32(hits.size());
    auto result = make_record<quorven_search_core_query_result_v1>(QUORVEN_SC_QUERY_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_query_v1(handle_, &request, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::query, "search failed", status);
    }
    QueryOutcome outcome;
    outcome.scanned = result.scanned;
    outcome.matched = result.matched;
    outcome.text_units = result.hit_text_units;
    outcome.hits.reserve(result.hit_count);
    for (std::uint32_t i = 0; i < result.hit_count; ++i) {
        outcome.hits.push_back(
            {hits[i].id, hits[i].score, hits[i].timestamp, hits[i].is_folder != 0});
    }
    return outcome;
}

std::vector<CopiedEntry> Store::copy_entries(std::span<const std::uint32_t> ids,
                                             std::uint32_t text_units_hint) {
    std::vector<CopiedEntry> copied;
    if (ids.empty()) {
        return copied;
    }
    std::vector<quorven_search_core_entry_row_v1> rows(ids.size());
    std::vector<char16_t> text(text_units_hint);
    auto request = make_record<quorven_search_core_copy_entries_request_v1>(
        QUORVEN_SC_COPY_ENTRIES_REQUEST_V1_SIZE);
    request.ids = address_of(ids.data());
    request.id_count = to_u32(ids.size());
    request.rows = address_of(rows.data());
    request.row_capacity = to_u32(rows.size());
    auto result = make_record<quorven_search_core_copy_entries_result_v1>(
        QUORVEN_SC_COPY_ENTRIES_RESULT_V1_SIZE);
    std::uint32_t status = call_with_text(text, request, result, [&](auto* req, auto* res) {
        return quorven_search_core_copy_entries_v1(handle_, req, res);
    });
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::copy, "cannot read entries of the index", status);
    }
    copied.reserve(result.row_count);
    for (std::uint32_t i = 0; i < result.row_count; ++i) {
        const auto& row = rows[i];
        copied.push_back({row.id, std::u16string(text.data() + row.dir_offset, row.dir_length),
                          std::u16string(text.data() + row.name_offset, row.name_length),
                          row.is_folder != 0, row.timestamp});
    }
    return copied;
}

std::vector<ProjectedRow> Store::project(std::uint32_t mode, std::uint32_t max_rows) {
    std::vector<quorven_search_core_row_v1> rows(max_rows);
    // A guess of 64 units a row; a short guess costs one more call with the reported size.
    std::vector<char16_t> text(std::min<std::size_t>(std::size_t{max_rows} * 64, 1u << 20));
    auto request =
        make_record<quorven_search_core_project_request_v1>(QUORVEN_SC_PROJECT_REQUEST_V1_SIZE);
    request.mode = mode;
    request.max_rows = max_rows;
    request.rows = buffer_address(rows);
    request.row_capacity = to_u32(rows.size());
    auto result =
        make_record<quorven_search_core_project_result_v1>(QUORVEN_SC_PROJECT_RESULT_V1_SIZE);
    std::uint32_t status = call_with_text(text, request, result, [&](auto* req, auto* res) {
        return quorven_search_core_project_v1(handle_, req, res);
    });
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::project, "cannot list the index", status);
    }
    std::vector<ProjectedRow> projected;
    projected.reserve(result.row_count);
    for (std::uint32_t i = 0; i < result.row_count; ++i) {
        const auto& row = rows[i];
        projected.push_back({std::u16string(text.data() + row.text_offset, row.text_length),
                             row.file_count, row.timestamp});
    }
    return projected;
}

MutationCounts Store::mutate(std::span<const quorven_search_core_mutation_v1> records,
                             std::u16string_view text) {
    auto request = make_record<quorven_search_core_mutate_batch_request_v1>(
        QUORVEN_SC_MUTATE_BATCH_REQUEST_V1_SIZE);
    request.records = address_of(records.data());
    request.record_count = to_u32(records.size());
    request.text = address_of(text.data());
    request.text_units = to_u32(text.size());
    auto result = make_record<quorven_search_core_mutate_batch_result_v1>(
        QUORVEN_SC_MUTATE_BATCH_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_mutate_batch_v1(handle_, &request, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::mutate, "cannot apply the changes to the index", status);
    }
    return {result.live_count, result.deleted_count, result.dir_count};
}

IndexFileInfo Store::save(const std::string& path, std::uint64_t cancel_object) {
    const std::u16string units = index_path_units(path);
    // Beside the target, so the final rename stays on one file system.
    const std::u16string temp_units =
        index_path_units(path + ".tmp-" + std::to_string(QSEARCH_GETPID()));
    auto request =
        make_record<quorven_search_core_save_vrel_request_v1>(QUORVEN_SC_SAVE_VREL_REQUEST_V1_SIZE);
    request.path = address_of(units.data());
    request.path_length = to_u32(units.size());
    request.temp_path = address_of(temp_units.data());
    request.temp_path_length = to_u32(temp_units.size());
    request.cancel_event = cancel_object;
    auto result =
        make_record<quorven_search_core_save_vrel_result_v1>(QUORVEN_SC_SAVE_VREL_RESULT_V1_SIZE);
    const std::uint32_t status = quorven_search_core_save_vrel_v1(handle_, &request, &result);
    if (status != QUORVEN_SC_STATUS_OK) {
        fail(Call::save, "cannot save index file '" + path + "'", status);
    }
    return {result.saved_at, result.file_size, result.entry_count, result.dir_count};
}

}  // namespace qsearch
