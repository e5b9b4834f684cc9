// The shell automation exports against Wine's real shell objects. Wine implements only part of
// them; each test asserts what the export reports with what Wine has:
// - Explorer launch: IShellDispatch::Windows is not implemented, so the launch stops there.
// - Recycle Bin: NameSpace(10) lists deleted files, but their names read as null, so no item
//   ever matches a name and the deleted-from property (and the property-system conversions
//   behind it, which abort the process on Wine) is never reached.
// - Quick Access: its namespace folder does not open; pin goes through a real folder and
//   ParseName, and ends at InvokeVerb, which is not implemented.
// A probe of the shell itself skips a test when Wine has grown what would lead the export into
// the property-system conversions.

// clang-format off
#include "wine_shortcut_fixture.h"
#include <shellapi.h>
#include <shldisp.h>
// clang-format on

#include <thread>

#include "com_host_threads.h"

namespace wine_native_test {
namespace {

constexpr int32_t pending = QUORVEN_NATIVE_HR_PENDING;
constexpr int32_t hr_not_implemented = QUORVEN_NATIVE_I32(0x80004001u);
constexpr int32_t hr_file_not_found = QUORVEN_NATIVE_I32(0x80070002u);
const std::wstring quick_access_folder = L"shell:::{679F85CB-0220-4080-B29B-5540CC05AAB6}";
const CLSID shell_application = {
    0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

template <typename Result>
Result fresh_v1_result() {
    return fresh_result<Result>(QUORVEN_NATIVE_V1_RECORD_VERSION);
}

// What the shell itself offers the exports, asked directly on a single-threaded thread.
struct shell_probe {
    bool quick_access_opens = false;
    bool recycle_bin_property_readable = false;
    long recycle_bin_items = -1;
};

shell_probe probe_shell() {
    shell_probe out;
    std::thread([&out] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
            return;
        }
        IShellDispatch* shell = nullptr;
        if (SUCCEEDED(CoCreateInstance(shell_application, nullptr, CLSCTX_ALL,
                                       __uuidof(IShellDispatch),
                                       reinterpret_cast<void**>(&shell)))) {
            VARIANT where;
            VariantInit(&where);
            where.vt = VT_BSTR;
            where.bstrVal = SysAllocString(quick_access_folder.c_str());
            Folder* folder = nullptr;
            out.quick_access_opens = SUCCEEDED(shell->NameSpace(where, &folder)) && folder;
            if (folder != nullptr) {
                folder->Release();
                folder = nullptr;
            }
            VariantClear(&where);
            where.vt = VT_I4;
            where.lVal = 10;
            FolderItems* items = nullptr;
            if (SUCCEEDED(shell->NameSpace(where, &folder)) && folder != nullptr &&
                SUCCEEDED(folder->Items(&items)) && items != nullptr) {
                long count = 0;
                items->get_Count(&count);
                out.recycle_bin_items = count;
                for (long i = 0; i < count; ++i) {
                    VARIANT index;
                    VariantInit(&index);
                    index.vt = VT_I4;
                    index.lVal = i;
                    FolderItem* item = nullptr;
                    FolderItem2* extended = nullptr;
                    if (SUCCEEDED(items->Item(index, &item)) && item != nullptr &&
                        SUCCEEDED(item->QueryInterface(__uuidof(FolderItem2),
                                                       reinterpret_cast<void**>(&extended)))) {
                        BSTR name = SysAllocString(L"System.Recycle.DeletedFrom");
                        VARIANT value;
                        VariantInit(&value);
                        if (SUCCEEDED(extended->ExtendedProperty(name, &value))) {
                            out.recycle_bin_property_readable = true;
                        }
                        VariantClear(&value);
                        SysFreeString(name);
                        extended->Release();
                    }
                    if (item != nullptr) {
                        item->Release();
                    }
                }
                items->Release();
            }
            if (folder != nullptr) {
                folder->Release();
            }
            shell->Release();
        }
        CoUninitialize();
    }).join();
    return out;
}

class wine_shell : public wine_shortcut {
  protected:
    // Moves a new file of the scratch folder into the Recycle Bin, as Explorer's delete does.
    std::wstring delete_to_recycle_bin(const std::wstring& name) {
        std::wstring path = make_file(name);
        std::wstring from = path + L'\0';  // the list ends with an empty name
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        EXPECT_EQ(SHFileOperationW(&operation), 0);
        EXPECT_FALSE(file_exists(path));
        return path;
    }
};

TEST_F(wine_shell, ExplorerLaunchStopsWhereTheShellWindowsAreMissing) {
    std::wstring file = make_file(L"notes.txt");
    std::wstring operation = L"open";
    quorven_explorer_shell_launch_request_v1 request{};
    request.size = QUORVEN_EXPLORER_SHELL_LAUNCH_REQUEST_V1_SIZE;
    request.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
    request.file = string_of(file);
    request.directory = string_of(folder_);
    request.operation = string_of(operation);
    auto result = fresh_v1_result<quorven_explorer_shell_launch_result_v1>();
    EXPECT_EQ(quorven_explorer_shell_launch_v1(&request, &result), result.status);
    EXPECT_EQ(result.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
    EXPECT_EQ(result.hresult, hr_not_implemented);
    EXPECT_EQ(result.steps, 0x07u);
    EXPECT_EQ(result.hr_com_init, 0);
    EXPECT_EQ(result.hr_create_shell, 0);
    EXPECT_EQ(result.hr_windows, hr_not_implemented);
    EXPECT_EQ(result.hr_find_desktop, pending);
    EXPECT_EQ(result.launched, 0u);
}

struct bin_call {
    std::wstring deleted_from;
    std::wstring item_name;
    quorven_recycle_bin_result_v1 result = fresh_v1_result<quorven_recycle_bin_result_v1>();
    uint32_t status = 99;

    void run(uint32_t mode) {
        quorven_recycle_bin_request_v1 request{};
        request.size = QUORVEN_RECYCLE_BIN_REQUEST_V1_SIZE;
        request.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
        request.mode = mode;
        request.deleted_from = string_of(deleted_from);
        request.item_name = string_of(item_name);
        result = fresh_v1_result<quorven_recycle_bin_result_v1>();
        status = quorven_recycle_bin_v1(&request, &result);
    }
};

TEST_F(wine_shell, RecycleBinListsTheDeletedFileButNoNameMatches) {
    std::wstring name = L"deleted-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    delete_to_recycle_bin(name);
    shell_probe shell = probe_shell();
    ASSERT_GE(shell.recycle_bin_items, 1) << "the deleted file is in the Recycle Bin";
    if (shell.recycle_bin_property_readable) {
        GTEST_SKIP() << "the shell now reads deleted-from properties: a name match would reach "
                        "the property-system conversions, which Wine does not implement";
    }

    bin_call call{folder_ + L"\\", name};
    call.run(QUORVEN_RECYCLE_BIN_MODE_COUNT);
    EXPECT_EQ(call.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << call.result.hresult;
    EXPECT_EQ(call.result.steps, 0x3Fu);
    EXPECT_EQ(call.result.hr_namespace, 0);
    EXPECT_EQ(call.result.hr_items, 0);
    EXPECT_EQ(call.result.hr_item, 0);
    EXPECT_EQ(call.result.hr_name, S_FALSE) << "Wine's items have no names";
    EXPECT_EQ(call.result.hr_location, pending);
    EXPECT_EQ(call.result.match_count, 0u);
    EXPECT_EQ(call.result.succeeded, 1u);

    call.run(QUORVEN_RECYCLE_BIN_MODE_RESTORE);
    EXPECT_EQ(call.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
    EXPECT_EQ(call.result.hresult, hr_file_not_found);
    EXPECT_EQ(call.result.hr_invoke_verb, pending);
    EXPECT_EQ(call.result.restored, 0u);
}

// A host thread in the multithreaded apartment is served there and left there.
TEST_F(wine_shell, RecycleBinOnAMultithreadedHostThread) {
    bin_call call{L"relative\\folder", L"nothing.txt"};
    HRESULT joined = E_PENDING;
    HRESULT still_joined = E_PENDING;
    com_host_threads hosts;
    std::thread([&] {
        joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        hosts.note_before_calls();
        call.run(QUORVEN_RECYCLE_BIN_MODE_COUNT);
        still_joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        hosts.note_after_calls();
        CoUninitialize();
    }).join();
    EXPECT_TRUE(hosts.all_ended());
    ASSERT_EQ(joined, S_OK);
    EXPECT_EQ(call.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << call.result.hresult;
    EXPECT_EQ(call.result.hr_com_init, QUORVEN_NATIVE_HR_CHANGED_MODE);
    EXPECT_EQ(call.result.hresult, 0);
    EXPECT_EQ(still_joined, RPC_E_CHANGED_MODE) << "the host's apartment was left";
}

struct access_call {
    std::wstring path;
    std::wstring parent_folder;
    std::wstring item_name;
    quorven_quick_access_result_v1 result = fresh_v1_result<quorven_quick_access_result_v1>();
    uint32_t status = 99;

    void run(uint32_t mode) {
        quorven_quick_access_request_v1 request{};
        request.size = QUORVEN_QUICK_ACCESS_REQUEST_V1_SIZE;
        request.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
        request.mode = mode;
        request.path = string_of(path);
        request.parent_folder = string_of(parent_folder);
        request.item_name = string_of(item_name);
        result = fresh_v1_result<quorven_quick_access_result_v1>();
        status = quorven_quick_access_v1(&request, &result);
    }
};

TEST_F(wine_shell, QuickAccessFolderDoesNotOpen) {
    if (probe_shell().quick_access_opens) {
        GTEST_SKIP() << "the shell now opens Quick Access: a found item would reach the "
                        "property-system conversions, which Wine does not implement";
    }
    for (uint32_t mode : {QUORVEN_QUICK_ACCESS_MODE_QUERY, QUORVEN_QUICK_ACCESS_MODE_UNPIN}) {
        SCOPED_TRACE(mode);
        access_call call{folder_, L"", L""};
        if (mode == QUORVEN_QUICK_ACCESS_MODE_UNPIN) {
            call.parent_folder = folder_;
            call.item_name = L"x";
        }
        call.run(mode);
        EXPECT_EQ(call.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
        EXPECT_EQ(call.result.hresult, 0) << "the folder came back empty";
        EXPECT_EQ(call.result.hr_namespace, 0);
        EXPECT_EQ(call.result.steps, 0x07u);
        EXPECT_EQ(call.result.hr_items, pending);
        EXPECT_EQ(call.result.used_parent_folder, 0u);
    }
}

TEST_F(wine_shell, PinFindsTheItemAndEndsAtTheVerb) {
    std::wstring file = make_file(L"pinned.txt");
    access_call call{file, folder_, L"pinned.txt"};
    call.run(QUORVEN_QUICK_ACCESS_MODE_PIN);
    EXPECT_EQ(call.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
    EXPECT_EQ(call.result.steps, 0x383u);
    EXPECT_EQ(call.result.hr_namespace, pending);
    EXPECT_EQ(call.result.hr_parent_folder, 0);
    EXPECT_EQ(call.result.hr_parse_name, 0);
    EXPECT_EQ(call.result.hr_invoke_verb, hr_not_implemented);
    EXPECT_EQ(call.result.hresult, hr_not_implemented);

    call.item_name = L"missing.txt";
    call.run(QUORVEN_QUICK_ACCESS_MODE_PIN);
    EXPECT_EQ(call.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
    EXPECT_EQ(call.result.hresult, 0) << "ParseName found nothing";
    EXPECT_EQ(call.result.hr_parse_name, 0);
    EXPECT_EQ(call.result.steps, 0x183u);
}

}  // namespace
}  // namespace wine_native_test
