// The shortcut exports on host threads that already live in a COM apartment, against real COM:
// a multithreaded thread nests, a single-threaded one is served where it is, and either way the
// thread's apartment is exactly as the host left it once the calls return.

#include <thread>

#include "com_host_threads.h"
#include "wine_shortcut_fixture.h"

namespace wine_native_test {
namespace {

constexpr int32_t hr_changed_mode = QUORVEN_NATIVE_HR_CHANGED_MODE;

// The host thread's apartment before the calls.
struct host_apartment {
    const char* name;
    bool joined;
    DWORD model;
    int32_t expected_com_init;  // what the exports' own CoInitializeEx returns there
};

// Everything the host thread saw, checked on the test's thread afterwards.
struct thread_outcome {
    HRESULT host_join = E_PENDING;
    uint32_t write_status = 99, read_status = 99, resolve_status = 99, resolve_ui_status = 99;
    quorven_shortcut_write_result_v2 written = fresh_result<quorven_shortcut_write_result_v2>();
    quorven_shortcut_read_result_v2 read = fresh_result<quorven_shortcut_read_result_v2>();
    quorven_shortcut_read_result_v2 resolved = fresh_result<quorven_shortcut_read_result_v2>();
    quorven_shortcut_resolve_ui_result_v2 resolved_ui =
        fresh_result<quorven_shortcut_resolve_ui_result_v2>();
    // CoInitializeEx in the other model after the calls: the host's apartment must still be there.
    HRESULT still_joined = E_PENDING;
    // CoInitializeEx after the host's own CoUninitialize: S_OK only if nothing is left over.
    HRESULT after_leaving = E_PENDING;
};

// Names the case in test listings instead of dumping the record's bytes.
void PrintTo(const host_apartment& host, std::ostream* out) {
    *out << host.name;
}

class apartment_on_host_thread : public wine_shortcut,
                                 public ::testing::WithParamInterface<host_apartment> {};

// Runs on the host thread: no test assertions here, only calls and their outcomes.
void run_host_thread(const host_apartment& host, const std::wstring& link,
                     const link_values& values, thread_outcome& out, com_host_threads& hosts) {
    if (host.joined) {
        out.host_join = CoInitializeEx(nullptr, host.model);
    }
    hosts.note_before_calls();
    write_request write(link, values);
    out.write_status = quorven_shortcut_write_v2(&write.record, &out.written);
    read_request read(link, QUORVEN_SHORTCUT_MODE_FULL);
    out.read_status = quorven_shortcut_read_v2(&read.record, &out.read);

    quorven_shortcut_resolve_request_v2 resolve{};
    resolve.size = QUORVEN_SHORTCUT_RESOLVE_REQUEST_V2_SIZE;
    resolve.version = QUORVEN_SHORTCUT_RECORD_VERSION;
    resolve.timeout_ms = 1000;
    resolve.shortcut = read.record;
    out.resolve_status = quorven_shortcut_resolve_no_ui_v2(&resolve, &out.resolved);

    quorven_shortcut_resolve_ui_request_v2 resolve_ui{};
    resolve_ui.size = QUORVEN_SHORTCUT_RESOLVE_UI_REQUEST_V2_SIZE;
    resolve_ui.version = QUORVEN_SHORTCUT_RECORD_VERSION;
    resolve_ui.link_path = string_of(link);
    out.resolve_ui_status = quorven_shortcut_resolve_with_ui_v2(&resolve_ui, &out.resolved_ui);

    if (host.joined) {
        DWORD other =
            host.model == COINIT_MULTITHREADED ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
        out.still_joined = CoInitializeEx(nullptr, other);  // RPC_E_CHANGED_MODE counts nothing
        hosts.note_after_calls();
        CoUninitialize();
    }
    // The single-threaded probe tells both leftovers apart: S_FALSE (still single-threaded) and
    // RPC_E_CHANGED_MODE (still multithreaded).
    out.after_leaving = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(out.after_leaving)) {
        CoUninitialize();
    }
}

TEST_P(apartment_on_host_thread, CallsAreServedAndTheApartmentLeftAsFound) {
    const host_apartment& host = GetParam();
    link_values values;
    values.target = make_file(L"tool.exe");
    values.arguments = L"\t-x ";
    values.icon_index = -3;
    std::wstring link = in_folder(L"tool.lnk");

    thread_outcome out;
    com_host_threads hosts;
    std::thread host_thread(run_host_thread, std::cref(host), std::cref(link), std::cref(values),
                            std::ref(out), std::ref(hosts));
    host_thread.join();
    EXPECT_TRUE(hosts.all_ended());

    if (host.joined) {
        ASSERT_EQ(out.host_join, S_OK);
    }
    EXPECT_EQ(out.write_status, QUORVEN_NATIVE_STATUS_OK) << std::hex << out.written.hresult;
    EXPECT_EQ(out.read_status, QUORVEN_NATIVE_STATUS_OK) << std::hex << out.read.hresult;
    EXPECT_EQ(out.resolve_status, QUORVEN_NATIVE_STATUS_OK) << std::hex << out.resolved.hresult;
    EXPECT_EQ(out.resolve_ui_status, QUORVEN_NATIVE_STATUS_OK)
        << std::hex << out.resolved_ui.hresult;
    EXPECT_EQ(out.written.hr_com_init, host.expected_com_init);
    EXPECT_EQ(out.read.hr_com_init, host.expected_com_init);
    EXPECT_EQ(out.resolved.hr_com_init, host.expected_com_init);
    EXPECT_EQ(out.resolved_ui.hr_com_init, host.expected_com_init);
    // A thread in the other apartment is not a failure: nothing of it reaches `hresult`.
    EXPECT_EQ(out.written.hresult, 0);
    EXPECT_EQ(out.read.hresult, 0);
    EXPECT_EQ(out.read.icon_index, -3);
    EXPECT_EQ(out.resolved.needed_arguments, values.arguments.size() + 1);

    if (host.joined) {
        EXPECT_EQ(out.still_joined, hr_changed_mode) << "the calls left the host's apartment";
    }
    EXPECT_EQ(out.after_leaving, S_OK) << "the calls left an apartment initialisation behind";
}

INSTANTIATE_TEST_SUITE_P(
    shortcut_exports, apartment_on_host_thread,
    ::testing::Values(host_apartment{"none", false, COINIT_MULTITHREADED, 0},
                      host_apartment{"multithreaded", true, COINIT_MULTITHREADED, 1},
                      host_apartment{"single_threaded", true, COINIT_APARTMENTTHREADED,
                                     hr_changed_mode}),
    [](const ::testing::TestParamInfo<host_apartment>& param) {
        return std::string(param.param.name);
    });

}  // namespace
}  // namespace wine_native_test
