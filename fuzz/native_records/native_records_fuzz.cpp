// Fuzz target of the native library's request and result records, for every export in the
// shared table (tests/native/native_exports.h): the fuzzer's bytes become the request and the
// result record, most often with a correct header and with fields nudged towards their rules so
// that the checks past the first are reached. Pointers in text records are the only bytes not
// taken as they come: a nonzero one points at a block of exactly the units the record claims
// (at most 0x8000 for a string, which is more than any valid one), so any read or write past the
// record's own claim is caught by AddressSanitizer.
//
// After each call, against the stand-in of the Windows API:
// - a result record that is missing or has a wrong header is not written, and nothing is called;
// - a request that breaks a rule of the table is refused with 1 or 2;
// - a refused request reaches no COM call (heap copies of its strings are allowed) and reports
//   no step;
// - whatever happened, every COM object, heap copy, BSTR and error object is released and the
//   apartment is as it was.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "native_exports.h"
#include "quorven/native.h"
#include "win_standin/script.h"

namespace {

using native_test::request_field;
using kind = request_field::kind;

const std::u16string known_link = u"C:\\Users\\ada\\Desktop\\Editor.lnk";

[[noreturn]] void fail(const char* export_name, const char* what) {
    std::fprintf(stderr, "native_records_fuzz: %s: %s\n", export_name, what);
    std::abort();
}

uint32_t read_u32(const std::vector<uint8_t>& bytes, uint32_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

void write_u32(std::vector<uint8_t>& bytes, uint32_t offset, uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// A request made of the fuzzer's bytes, with the blocks its text records point at.
class fuzzed_request {
  public:
    fuzzed_request(fuzz::input& in, const native_test::native_export& e) : bytes(e.request_size) {
        for (uint8_t& b : bytes) {
            b = in.u8();
        }
        if (in.chance(220)) {
            write_u32(bytes, 0, e.request_size);
            write_u32(bytes, 4, e.request_version);
        }
        for (const request_field& f : e.fields) {
            shape(in, f);
        }
    }

    // Whether every rule of the table holds.
    bool valid(const native_test::native_export& e) const {
        if (read_u32(bytes, 0) != e.request_size || read_u32(bytes, 4) != e.request_version) {
            return false;
        }
        for (const request_field& f : e.fields) {
            if (!holds(f)) {
                return false;
            }
        }
        return true;
    }

    std::vector<uint8_t> bytes;

  private:
    // Nudges the field towards its rule, most of the time.
    void shape(fuzz::input& in, const request_field& f) {
        switch (f.what) {
            case kind::zero:
                if (in.chance(230)) {
                    std::memset(bytes.data() + f.offset, 0, f.bytes);
                }
                return;
            case kind::u32_one_of:
                if (in.chance(230)) {
                    write_u32(bytes, f.offset, in.pick(f.allowed));
                }
                return;
            case kind::u32_at_most:
                if (in.chance(200)) {
                    write_u32(bytes, f.offset, read_u32(bytes, f.offset) % (f.allowed[0] + 1));
                }
                return;
            case kind::required_string:
            case kind::optional_string:
            case kind::buffer:
                shape_text(in, f);
                return;
        }
    }

    void shape_text(fuzz::input& in, const request_field& f) {
        quorven_utf16_string record;
        std::memcpy(&record, bytes.data() + f.offset, sizeof record);
        bool buffer = f.what == kind::buffer;
        if (in.chance(220)) {
            record.reserved = 0;
            record.length = in.below(buffer ? 600 : 40);
            record.pointer = record.length != 0 || in.chance(8);
        }
        if (!buffer && record.pointer != 0 && in.chance(64)) {
            // The one path the stand-in holds a shortcut file at.
            storage_.push_back(std::make_unique<std::u16string>(known_link));
            record.length = static_cast<uint32_t>(known_link.size());
        } else if (record.pointer != 0) {
            if (buffer && record.length > 0x10000) {
                record.length = 0x10000;  // a host's buffer is as large as it says
            }
            uint32_t units = record.length < 0x8000 ? record.length : 0x8000;
            auto block = std::make_unique<std::u16string>(units, u'a');
            if (!buffer && units != 0 && in.chance(24)) {
                (*block)[in.below(units)] =
                    in.chance(128) ? u'\0' : static_cast<char16_t>(in.u16());
            }
            storage_.push_back(std::move(block));
        }
        if (record.pointer != 0) {
            record.pointer = QUORVEN_NATIVE_PTR_TO_U64(storage_.back()->data());
        }
        std::memcpy(bytes.data() + f.offset, &record, sizeof record);
    }

    bool holds(const request_field& f) const {
        switch (f.what) {
            case kind::zero:
                for (uint32_t i = 0; i < f.bytes; ++i) {
                    if (bytes[f.offset + i] != 0) {
                        return false;
                    }
                }
                return true;
            case kind::u32_one_of:
                for (uint32_t allowed : f.allowed) {
                    if (read_u32(bytes, f.offset) == allowed) {
                        return true;
                    }
                }
                return false;
            case kind::u32_at_most:
                return read_u32(bytes, f.offset) <= f.allowed[0];
            case kind::required_string:
            case kind::optional_string:
            case kind::buffer:
                return text_holds(f);
        }
        return false;
    }

    bool text_holds(const request_field& f) const {
        quorven_utf16_string record;
        std::memcpy(&record, bytes.data() + f.offset, sizeof record);
        if (record.reserved != 0 || (record.length == 0) != (record.pointer == 0)) {
            return false;
        }
        if (f.what == kind::buffer) {
            return true;
        }
        if (record.length > QUORVEN_NATIVE_MAX_STRING_UNITS ||
            (f.what == kind::required_string && record.length == 0)) {
            return false;
        }
        const auto* units =
            reinterpret_cast<const char16_t*>(static_cast<uintptr_t>(record.pointer));
        for (uint32_t i = 0; i < record.length; ++i) {
            if (units[i] == 0) {
                return false;
            }
        }
        return true;
    }

    std::vector<std::unique_ptr<std::u16string>> storage_;
};

bool only_heap_calls() {
    for (const std::string& call : standin::call_log()) {
        if (call != "GetProcessHeap" && call != "HeapAlloc" && call != "HeapFree") {
            return false;
        }
    }
    return true;
}

void expect_nothing_left(const char* name) {
    standin::counters c = standin::snapshot();
    if (c.objects_live != 0 || c.heap_blocks_live != 0 || c.bstrs_live != 0 || c.heap_misuse != 0 ||
        c.unbalanced_uninitialize != 0 || c.stale_error_objects != 0 ||
        c.error_objects_fetched != c.error_objects_set || standin::error_object_pending() ||
        standin::apartment_depth() != 0) {
        fail(name, "the call left something behind");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::input in(data, size);
    const auto& exports = native_test::native_exports();
    const native_test::native_export& e = exports[in.below(static_cast<uint32_t>(exports.size()))];
    standin::reset();
    if (in.chance(200)) {
        standin::put_link_file(known_link, native_test::sample_link_file());
    }
    fuzzed_request request(in, e);
    std::vector<uint8_t> result(e.result_size);
    for (uint8_t& b : result) {
        b = in.u8();
    }
    if (in.chance(230)) {
        write_u32(result, 0, e.result_size);
        write_u32(result, 4, e.result_version);
    }
    bool null_request = in.chance(4);
    bool null_result = in.chance(4);
    bool result_ok = !null_result && read_u32(result, 0) == e.result_size &&
                     read_u32(result, 4) == e.result_version;
    bool request_ok = !null_request && request.valid(e);
    const std::vector<uint8_t> result_before = result;

    uint32_t status = e.call(null_request ? nullptr : request.bytes.data(),
                             null_result ? nullptr : result.data());

    if (!result_ok) {
        if (status != (null_result ? 1u : 2u)) {
            fail(e.name, "a bad result record did not give 1 or 2");
        }
        if (result != result_before || !standin::call_log().empty()) {
            fail(e.name, "a bad result record was written to, or the call went on");
        }
        return 0;
    }
    if (read_u32(result, native_test::result_status_offset) != status) {
        fail(e.name, "the returned status differs from the result's");
    }
    bool refused = status == 1 || status == 2;
    if (!request_ok && !refused) {
        fail(e.name, "a request that breaks a rule was not refused");
    }
    if (refused) {
        if (!only_heap_calls()) {
            fail(e.name, "a refused request reached COM");
        }
        if (read_u32(result, native_test::result_steps_offset) != 0 ||
            static_cast<int32_t>(read_u32(result, native_test::result_hresult_offset)) !=
                QUORVEN_NATIVE_HR_INVALID_ARG) {
            fail(e.name, "a refused request reports steps or another HRESULT");
        }
    }
    expect_nothing_left(e.name);
    return 0;
}
