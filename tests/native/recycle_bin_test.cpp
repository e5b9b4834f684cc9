// quorven_recycle_bin_v1 against a scripted Recycle Bin: counting and restoring, how names and
// folders are compared, the deleted-from property, path normalisation, and a failure at every
// step.

#include "shell/folder_path.h"
#include "shell_fixture.h"

namespace native_test {
namespace {

using result_t = quorven_recycle_bin_result_v1;

class recycle_bin : public shell_fixture {
  protected:
    result_t run(uint32_t mode) {
        request_.record.mode = mode;
        result_t result = recycle(request_);
        expect_nothing_left_behind();
        EXPECT_EQ(result.succeeded, result.status == 0 ? 1u : 0u);
        return result;
    }
    bin_request request_{QUORVEN_RECYCLE_BIN_MODE_COUNT};
};

constexpr uint32_t count_mode = QUORVEN_RECYCLE_BIN_MODE_COUNT;
constexpr uint32_t restore_mode = QUORVEN_RECYCLE_BIN_MODE_RESTORE;

TEST_F(recycle_bin, RequestChecks) {
    std::u16string with_zero(u"C:\\Da\0ta", 8);
    std::u16string too_long(32768, u'd');
    using r = bin_request&;
    expect_rejections<bin_request>(request_, quorven_recycle_bin_v1,
                                   {{2, [](r q) { q.record.size = 96; }},
                                    {2, [](r q) { q.record.version = 0; }},
                                    {1, [](r q) { q.record.reserved0 = 1; }},
                                    {1, [](r q) { q.record.reserved1[0] = 1; }},
                                    {1, [](r q) { q.record.mode = 0; }},
                                    {1, [](r q) { q.record.mode = 3; }},
                                    {1, [](r q) { q.record.deleted_from = string_of(u""); }},
                                    {1, [&](r q) { q.record.deleted_from = string_of(too_long); }},
                                    {1, [&](r q) { q.record.deleted_from = string_of(with_zero); }},
                                    {1, [](r q) { q.record.item_name.pointer = 0; }},
                                    {1, [](r q) { q.record.item_name.reserved = 2; }}});
}

TEST_F(recycle_bin, EmptyBin) {
    put_recycle_bin({});
    result_t counted = run(count_mode);
    EXPECT_EQ(counted.status, 0u);
    EXPECT_EQ(counted.match_count, 0u);
    EXPECT_EQ(counted.hr_item, 0);
    EXPECT_EQ(counted.hr_name, pending);

    result_t restored = run(restore_mode);
    EXPECT_EQ(restored.status, 7u);
    EXPECT_EQ(restored.hresult, hr_file_not_found);
    EXPECT_EQ(restored.steps, 0x1Fu);
    EXPECT_EQ(restored.hr_invoke_verb, pending);
}

TEST_F(recycle_bin, OnlyMatchIsRestored) {
    put_recycle_bin({deleted(u"report.txt", u"C:\\Other"), deleted(u"notes.txt", u"C:\\Data"),
                     deleted(u"report.txt", u"C:\\Data")});
    result_t result = run(restore_mode);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.steps, 0xFFu);
    EXPECT_EQ(result.match_count, 1u);
    EXPECT_EQ(result.restored, 1u);
    EXPECT_EQ(result.hr_item, 0);
    EXPECT_EQ(result.hr_location, 0);
    EXPECT_EQ(result.hr_invoke_verb, 0);
    auto verbs = standin::invoked_verbs();
    ASSERT_EQ(verbs.size(), 1u);
    EXPECT_EQ(verbs[0].item, deleted(u"report.txt", u"C:\\Data").path);
    EXPECT_EQ(verbs[0].verb, u"undelete");
    EXPECT_EQ(standin::last_namespace_argument().vt, VT_I4);
    EXPECT_EQ(standin::last_namespace_argument().number, 10);
}

TEST_F(recycle_bin, TwoMatchesAreCountedAndNeitherIsRestored) {
    put_recycle_bin({deleted(u"report.txt", u"C:\\Data"), deleted(u"report.txt", u"c:\\data\\")});
    EXPECT_EQ(run(count_mode).match_count, 2u);
    result_t result = run(restore_mode);
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hresult, QUORVEN_NATIVE_I32(0x8000FFFFu));
    EXPECT_EQ(result.match_count, 2u);
    EXPECT_EQ(result.restored, 0u);
    EXPECT_TRUE(standin::invoked_verbs().empty());
}

TEST_F(recycle_bin, NameComparisonIgnoresCaseOnly) {
    const std::pair<std::u16string, uint32_t> names[] = {
        {u"Report.TXT", 1}, {u"report", 0}, {u" report.txt", 0}, {u"report.txt ", 0}};
    for (const auto& [name, count] : names) {
        put_recycle_bin({deleted(name, u"C:\\Data")});
        EXPECT_EQ(run(count_mode).match_count, count) << std::string(name.begin(), name.end());
    }
}

TEST_F(recycle_bin, FolderFormsNameTheSameFolder) {
    put_recycle_bin({deleted(u"report.txt", u"C:\\Data")});
    standin::set_current_directory(u"C:\\");
    const std::pair<std::u16string, uint32_t> folders[] = {
        {u"C:\\Data\\", 1},        {u"c:/data", 1},  {u"C:\\DATA", 1},      {u"Data", 1},
        {u"C:\\Data\\Old\\..", 1}, {u"D:\\Data", 0}, {u"C:\\Data\\Old", 0},
    };
    for (const auto& [folder, count] : folders) {
        request_.deleted_from = folder;
        EXPECT_EQ(run(count_mode).match_count, count) << std::string(folder.begin(), folder.end());
    }
    // A drive root given with its separator compares as the bare drive.
    put_recycle_bin({deleted(u"report.txt", u"C:")});
    request_.deleted_from = u"C:\\";
    EXPECT_EQ(run(count_mode).match_count, 1u);
}

// The first name match decides: its missing or non-string property ends the call, although a
// later item would have matched.
TEST_F(recycle_bin, NameMatchWithoutAStringLocationEndsTheCall) {
    for (VARTYPE type : {VT_I4, VT_EMPTY}) {
        standin::reset();
        standin::shell_item odd = deleted(u"report.txt", u"");
        odd.properties[deleted_from_property] = standin::property_value{type, u"", 7};
        put_recycle_bin({odd, deleted(u"report.txt", u"C:\\Data")});
        result_t result = run(count_mode);
        EXPECT_EQ(result.status, 7u);
        EXPECT_EQ(result.hresult, hr_type_mismatch);
        EXPECT_EQ(result.hr_location, hr_type_mismatch);
        EXPECT_EQ(result.match_count, 0u);
        EXPECT_EQ(result.hr_item, pending);
        EXPECT_EQ(standin::call_count("FolderItems::Item"), 1u);
    }
}

// An empty location fails to normalise: the thread's last error, ERROR_INVALID_NAME.
TEST_F(recycle_bin, LocationThatDoesNotNormaliseEndsTheCall) {
    put_recycle_bin({deleted(u"report.txt", u"")});
    result_t result = run(count_mode);
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hr_location, QUORVEN_NATIVE_I32(0x8007007Bu));
    EXPECT_EQ(result.steps, 0x7Fu);
}

// The current folder changes between the size query and the text query of the requested folder:
// the longer path is read on a third call.
TEST_F(recycle_bin, SizeGrowthBetweenTheTwoQueriesIsRetriedOnce) {
    put_recycle_bin({deleted(u"report.txt", u"C:\\Users\\ada\\Documents\\Data")});
    request_.deleted_from = u"Data";
    standin::set_current_directory(u"C:\\Users\\ada\\Documents", 1);
    result_t result = run(count_mode);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.match_count, 1u);
    EXPECT_EQ(standin::call_count("GetFullPathNameW"), 5u);  // 3 for the folder, 2 for the item
}

TEST_F(recycle_bin, NormalisedPathOwner) {
    standin::set_current_directory(u"C:\\Work");
    quorven::native::full_path path;
    int32_t error = 1;
    ASSERT_TRUE(path.assign(u"a/b/../c\\", error));
    EXPECT_EQ(std::u16string(path.units(), path.length()), u"C:\\Work\\a\\c\\");
    EXPECT_EQ(path.units()[path.length()], 0);

    // A size that grows twice is not followed again; the system left no error code.
    standin::set_current_directory(u"C:\\Work\\Longer", 3);
    standin::set_current_directory(u"C:\\Work\\Longer\\Still", 4);
    quorven::native::full_path twice;
    EXPECT_FALSE(twice.assign(u"x", error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(standin::call_count("GetFullPathNameW"), 5u);

    standin::fail("GetFullPathNameW", E_ACCESSDENIED);
    quorven::native::full_path failing;
    EXPECT_FALSE(failing.assign(u"x", error));
    EXPECT_EQ(error, E_ACCESSDENIED);
}

TEST_F(recycle_bin, ThreadInTheMultithreadedApartmentIsServedThere) {
    put_recycle_bin({deleted(u"report.txt", u"C:\\Data")});
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    request_.record.mode = restore_mode;
    result_t result = recycle(request_);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hr_com_init, QUORVEN_NATIVE_HR_CHANGED_MODE);
    EXPECT_EQ(result.restored, 1u);
    CoUninitialize();
}

TEST_F(recycle_bin, FailureAtEveryStep) {
    const int32_t fail = E_FAIL;
    using f = step_failure<result_t>;
    std::vector<f> failures = {
        {"CoInitializeEx", 1, fails(E_OUTOFMEMORY), &result_t::hr_com_init, E_OUTOFMEMORY, 4, 0x01},
        {"CoCreateInstance", 1, empty_success(), &result_t::hr_create_shell, 0, 5, 0x03},
        {"IShellDispatch::NameSpace", 1, fails(fail), &result_t::hr_namespace, fail, 7, 0x07},
        {"IShellDispatch::NameSpace", 1, empty_success(), &result_t::hr_namespace, 0, 7, 0x07},
        {"Folder::Items", 1, fails(fail), &result_t::hr_items, fail, 7, 0x0F},
        {"Folder::Items", 1, empty_success(), &result_t::hr_items, 0, 7, 0x0F},
        {"FolderItems::get_Count", 1, fails(fail), &result_t::hr_item, fail, 7, 0x1F},
        {"GetFullPathNameW", 1, fails(E_ACCESSDENIED), &result_t::hr_location, E_ACCESSDENIED, 7,
         0x1F},
        {"FolderItems::Item", 2, fails(fail), &result_t::hr_item, fail, 7, 0x7F},
        {"FolderItems::Item", 2, empty_success(), &result_t::hr_item, 0, 7, 0x7F},
        {"FolderItem::get_Name", 2, fails(fail), &result_t::hr_name, fail, 7, 0x7F},
        {"FolderItem::QueryInterface", 1, fails(E_NOINTERFACE), &result_t::hr_location,
         E_NOINTERFACE, 7, 0x7F},
        {"FolderItem::QueryInterface", 1, empty_success(), &result_t::hr_location,
         QUORVEN_NATIVE_HR_POINTER, 7, 0x7F},
        {"FolderItem2::ExtendedProperty", 1, fails(E_NOTIMPL), &result_t::hr_location, E_NOTIMPL, 7,
         0x7F},
        {"VariantToPropVariant", 1, fails(fail), &result_t::hr_location, fail, 7, 0x7F},
        {"PropVariantToBSTR", 1, fails(fail), &result_t::hr_location, fail, 7, 0x7F},
        {"GetFullPathNameW", 3, fails(E_ACCESSDENIED), &result_t::hr_location, E_ACCESSDENIED, 7,
         0x7F},
        {"FolderItem::InvokeVerb", 1, fails(E_ACCESSDENIED), &result_t::hr_invoke_verb,
         E_ACCESSDENIED, 7, 0xFF},
    };
    expect_each_step_failure<result_t>(
        *this,
        [] {
            put_recycle_bin(
                {deleted(u"report.txt", u"C:\\Data"), deleted(u"other.txt", u"C:\\Data")});
        },
        [this] {
            request_.record.mode = restore_mode;
            return recycle(request_);
        },
        failures);
}

}  // namespace
}  // namespace native_test
