// What the real shell link object reports when the file system says no, and where the exports
// record it: a shortcut file that does not exist, a shortcut saved into a folder that does not.

#include "wine_shortcut_fixture.h"

namespace wine_native_test {
namespace {

constexpr int32_t hr_file_not_found = QUORVEN_NATIVE_I32(0x80070002u);
constexpr int32_t hr_path_not_found = QUORVEN_NATIVE_I32(0x80070003u);

using shortcut_failure = wine_shortcut;

void expect_load_failure(const quorven_shortcut_read_result_v2& result) {
    EXPECT_EQ(result.status, QUORVEN_NATIVE_STATUS_LOAD_FAILED);
    EXPECT_EQ(result.hresult, hr_file_not_found);
    EXPECT_EQ(result.hr_load, hr_file_not_found);
    EXPECT_EQ(result.steps, 0x07u);
    EXPECT_EQ(result.hr_com_init, 0);
    EXPECT_EQ(result.hr_create_link, 0);
    EXPECT_EQ(result.hr_resolve, QUORVEN_NATIVE_HR_PENDING);
    EXPECT_EQ(result.hr_get_path, QUORVEN_NATIVE_HR_PENDING);
    EXPECT_EQ(result.fields_attempted, 0u);
    EXPECT_EQ(result.needed_target, 0u);
}

// Every export that loads a shortcut stops at the load with the shell's HRESULT.
TEST_F(shortcut_failure, MissingShortcutFileIsALoadFailure) {
    std::wstring missing = in_folder(L"missing.lnk");
    for (uint32_t mode : {QUORVEN_SHORTCUT_MODE_FULL, QUORVEN_SHORTCUT_MODE_COMPACT}) {
        SCOPED_TRACE(mode);
        read_request read(missing, mode);
        expect_load_failure(read_link(read));
        EXPECT_TRUE(read.all_untouched());
    }

    read_request resolved(missing, QUORVEN_SHORTCUT_MODE_FULL);
    expect_load_failure(resolve_link_no_ui(resolved));
    EXPECT_TRUE(resolved.all_untouched());

    auto with_ui = resolve_link_with_ui(missing);
    EXPECT_EQ(with_ui.status, QUORVEN_NATIVE_STATUS_LOAD_FAILED);
    EXPECT_EQ(with_ui.hresult, hr_file_not_found);
    EXPECT_EQ(with_ui.hr_load, hr_file_not_found);
    EXPECT_EQ(with_ui.steps, 0x07u);
    EXPECT_EQ(with_ui.hr_resolve, QUORVEN_NATIVE_HR_PENDING);
    EXPECT_EQ(with_ui.resolve_flags, resolve_ui_flags);
    EXPECT_FALSE(file_exists(missing)) << "a failed load must not create the file";
}

// Every setter succeeds; the save is the step that fails, and nothing is left on disk.
TEST_F(shortcut_failure, SavingIntoAMissingFolderFailsAtTheSaveStep) {
    link_values values;
    values.target = make_file(L"tool.exe");
    values.description = L"d";
    std::wstring link = in_folder(L"no such folder\\tool.lnk");
    write_request request(link, values);
    auto result = write_link(request);
    EXPECT_EQ(result.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
    EXPECT_EQ(result.hresult, hr_path_not_found);
    EXPECT_EQ(result.hr_save, hr_path_not_found);
    EXPECT_EQ(result.steps, 0x13u);
    EXPECT_EQ(result.setters_attempted, 0x1Fu);
    EXPECT_EQ(result.setters_succeeded, 0x1Fu);
    EXPECT_EQ(result.hr_set_path, 0);
    EXPECT_FALSE(file_exists(link));
    EXPECT_FALSE(file_exists(in_folder(L"no such folder")));
}

}  // namespace
}  // namespace wine_native_test
