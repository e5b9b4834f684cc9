// Every export of the shared table (native_exports.h) failed at every step: allocation k, then
// COM call k, for k = 1, 2, ... until the call succeeds. The steps are those of the export's
// successful call, read from the stand-in's log. After each failure the status and HRESULT are
// the ones the failure must give and nothing is left behind (the fixture's teardown checks and
// the same checks after every call).

#include <cstring>
#include <map>
#include <set>

#include "native_exports.h"
#include "native_fixture.h"

namespace native_test {
namespace {

const HRESULT injected = static_cast<HRESULT>(0x80070020);  // a sharing violation

// A call of the stand-in: its method and which call of that method it is (1-based).
struct call_site {
    std::string method;
    unsigned occurrence;
};

// Calls that hand out memory; failing one is running out of memory.
bool allocates(const std::string& method) {
    return method == "HeapAlloc" || method == "SysAllocStringLen";
}

// COM and shell calls whose HRESULT the library acts on: not the releases, frees (VARIANT and
// PROPVARIANT clears among them), the heap and the error-object bookkeeping, which have no
// failure to report, nor CompareStringOrdinal, which fails only for arguments the library never
// passes.
bool fallible_com_call(const std::string& method) {
    static const std::set<std::string> bookkeeping = {
        "GetProcessHeap", "HeapAlloc",       "HeapFree",       "SysAllocStringLen",
        "SysFreeString",  "SysStringLen",    "CoUninitialize", "VariantInit",
        "GetErrorInfo",   "SetErrorInfo",    "CoTaskMemFree",  "CompareStringOrdinal",
        "VariantClear",   "PropVariantClear"};
    auto ends_with = [&](const char* tail) {
        std::string t = tail;
        return method.size() >= t.size() &&
               method.compare(method.size() - t.size(), t.size(), t) == 0;
    };
    return bookkeeping.count(method) == 0 && !ends_with("::AddRef") && !ends_with("::Release") &&
           method.rfind("IErrorInfo::", 0) != 0;
}

class fault_loop : public native_fixture, public ::testing::WithParamInterface<size_t> {
  protected:
    const native_export& entry() const { return native_exports()[GetParam()]; }

    // Runs the export on a fresh stand-in, with `fault` failing first if it is set.
    uint32_t run(prepared_call& call, const call_site* fault, HRESULT hr) {
        standin::reset();
        entry().prepare_success(call);
        if (fault != nullptr) {
            standin::fail(fault->method, hr, fault->occurrence);
        }
        uint32_t status = entry().call(call.request.data(), call.result.data());
        EXPECT_EQ(status, field(call, result_status_offset));
        expect_nothing_left_behind();
        return status;
    }

    static uint32_t field(const prepared_call& call, uint32_t offset) {
        uint32_t value;
        std::memcpy(&value, call.result.data() + offset, sizeof value);
        return value;
    }

    // The calls of a successful run that `select` picks, in order.
    std::vector<call_site> baseline(bool (*select)(const std::string&)) {
        prepared_call call;
        EXPECT_EQ(run(call, nullptr, S_OK), 0u) << entry().name << " does not succeed";
        std::vector<call_site> sites;
        std::map<std::string, unsigned> seen;
        for (const std::string& method : standin::call_log()) {
            unsigned occurrence = ++seen[method];
            if (select(method)) {
                sites.push_back({method, occurrence});
            }
        }
        return sites;
    }

    bool reached(const call_site& site) {
        return standin::call_count(site.method) >= site.occurrence;
    }

    bool some_step_holds(const prepared_call& call, HRESULT hr) {
        for (uint32_t offset : entry().step_fields) {
            if (static_cast<int32_t>(field(call, offset)) == static_cast<int32_t>(hr)) {
                return true;
            }
        }
        return false;
    }
};

TEST_P(fault_loop, AllocationKFailsUntilTheCallSucceeds) {
    std::vector<call_site> allocations = baseline(allocates);
    for (size_t k = 0;; ++k) {
        const call_site* fault = k < allocations.size() ? &allocations[k] : nullptr;
        SCOPED_TRACE(testing::Message() << entry().name << ", allocation " << k + 1);
        prepared_call call;
        uint32_t status = run(call, fault, E_OUTOFMEMORY);
        if (fault == nullptr || !reached(*fault)) {
            EXPECT_EQ(status, 0u);
            break;
        }
        EXPECT_EQ(status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
        EXPECT_EQ(static_cast<int32_t>(field(call, result_hresult_offset)),
                  QUORVEN_NATIVE_HR_OUT_OF_MEMORY);
        if (standin::call_count("CoInitializeEx") == 0) {
            EXPECT_EQ(field(call, result_steps_offset), 0u) << "steps reported before any";
        }
        if (HasFailure()) {
            return;
        }
    }
}

TEST_P(fault_loop, ComStepKFailsUntilTheCallSucceeds) {
    std::vector<call_site> steps = baseline(fallible_com_call);
    ASSERT_FALSE(steps.empty());
    for (size_t k = 0;; ++k) {
        const call_site* fault = k < steps.size() ? &steps[k] : nullptr;
        SCOPED_TRACE(testing::Message() << entry().name << ", COM step " << k + 1 << " "
                                        << (fault != nullptr ? fault->method : "(none)"));
        prepared_call call;
        uint32_t status = run(call, fault, injected);
        if (fault == nullptr) {
            EXPECT_EQ(status, 0u);
            break;
        }
        ASSERT_TRUE(reached(*fault));
        // A step whose failure the export tolerates still shows it in its field.
        if (status != 0) {
            EXPECT_GE(status, QUORVEN_NATIVE_STATUS_COM_INIT_FAILED);
            EXPECT_EQ(static_cast<int32_t>(field(call, result_hresult_offset)),
                      static_cast<int32_t>(injected));
        }
        EXPECT_TRUE(some_step_holds(call, injected)) << "the failing step is not recorded";
        EXPECT_NE(field(call, result_steps_offset), 0u);
        if (HasFailure()) {
            return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(every_export, fault_loop,
                         ::testing::Range(size_t{0}, native_exports().size()),
                         [](const testing::TestParamInfo<size_t>& export_index) {
                             return std::string(native_exports()[export_index.param].name);
                         });

}  // namespace
}  // namespace native_test
