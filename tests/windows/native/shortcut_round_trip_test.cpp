// Shortcuts written through the library and read back through it, against the real shell link
// object: every value survives write -> read (full and compact) -> resolve as the host gave it.

#include "wine_shortcut_fixture.h"

namespace wine_native_test {
namespace {

class shortcut_round_trip : public wine_shortcut {
  protected:
    void SetUp() override {
        wine_shortcut::SetUp();
        link_ = in_folder(L"Editor \u00e9.lnk");
        // Wine keeps the target only in the ANSI code page (its link file loader reads the ANSI
        // base path), so the target's non-ASCII text stays within Latin-1; the other values
        // carry CJK and a surrogate pair.
        values_.target = make_file(L"r\u00e9sum\u00e9 caf\u00e9.exe");
        values_.description = L"Notes \u00e9\u4e2d \U0001F600";
        values_.arguments = L" \t--open \"a  b\"\t\t ";
        values_.working_directory = folder_ + L"\\\u4e2d\u6587";
        values_.icon_path = in_folder(L"ic\u00f4ne \u4e2d.ico");
        values_.icon_index = -3;
    }

    void write_values() {
        write_request request(link_, values_);
        auto result = write_link(request);
        ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << result.hresult;
        ASSERT_TRUE(file_exists(link_));
    }

    std::wstring link_;
    link_values values_;
};

TEST_F(shortcut_round_trip, WrittenValuesReadBackInFullMode) {
    write_request request(link_, values_);
    auto written = write_link(request);
    EXPECT_EQ(written.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(written.hresult, 0);
    EXPECT_EQ(written.steps, 0x13u);
    EXPECT_EQ(written.hr_com_init, 0);
    EXPECT_EQ(written.hr_create_link, 0);
    EXPECT_EQ(written.setters_attempted, 0x1Fu);
    EXPECT_EQ(written.setters_succeeded, 0x1Fu);
    for (int32_t hr : {written.hr_set_path, written.hr_set_description, written.hr_set_arguments,
                       written.hr_set_working_directory, written.hr_set_icon_location}) {
        EXPECT_EQ(hr, 0);
    }
    EXPECT_EQ(written.hr_save, 0);

    read_request read(link_, QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read_link(read);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << result.hresult;
    EXPECT_EQ(result.steps, 0x07u);
    EXPECT_EQ(result.hr_load, 0);
    EXPECT_EQ(result.hr_resolve, QUORVEN_NATIVE_HR_PENDING);
    EXPECT_EQ(result.fields_attempted, 0x1Fu);
    EXPECT_EQ(result.fields_read, 0x1Fu);
    EXPECT_EQ(result.fields_nonempty, 0x1Fu);
    EXPECT_EQ(result.fields_truncated, 0u);
    EXPECT_EQ(result.fields_at_limit, 0u);
    expect_same_values(values_read(read, result), values_);
    EXPECT_EQ(result.needed_target, values_.target.size() + 1);
    EXPECT_EQ(result.needed_description, values_.description.size() + 1);
    EXPECT_EQ(result.needed_arguments, values_.arguments.size() + 1);
    EXPECT_EQ(result.needed_working_directory, values_.working_directory.size() + 1);
    EXPECT_EQ(result.needed_icon_path, values_.icon_path.size() + 1);
}

// Compact mode hands back only target and arguments, trimmed; the other buffers stay the host's.
TEST_F(shortcut_round_trip, CompactModeTrimsWhatFullModeKeeps) {
    write_values();
    read_request compact(link_, QUORVEN_SHORTCUT_MODE_COMPACT);
    auto result = read_link(compact);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << result.hresult;
    EXPECT_EQ(compact.target.value(), values_.target);
    EXPECT_EQ(compact.arguments.value(), L"--open \"a  b\"");
    EXPECT_EQ(result.needed_arguments, 14u);
    EXPECT_EQ(result.fields_attempted, 0x05u);
    EXPECT_EQ(result.fields_read, 0x05u);
    EXPECT_TRUE(compact.description.untouched());
    EXPECT_TRUE(compact.working_directory.untouched());
    EXPECT_TRUE(compact.icon_path.untouched());
    EXPECT_EQ(result.hr_get_description, QUORVEN_NATIVE_HR_PENDING);
    EXPECT_EQ(result.hr_get_working_directory, QUORVEN_NATIVE_HR_PENDING);
    EXPECT_EQ(result.hr_get_icon_location, QUORVEN_NATIVE_HR_PENDING);
    EXPECT_EQ(result.icon_index, 0);

    // Arguments of white space only: full mode returns them, compact mode nothing.
    values_.arguments = L" \t \u3000";
    write_values();
    read_request full(link_, QUORVEN_SHORTCUT_MODE_FULL);
    result = read_link(full);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(full.arguments.value(), values_.arguments);
    EXPECT_EQ(result.fields_nonempty & QUORVEN_SHORTCUT_FIELD_ARGUMENTS,
              QUORVEN_SHORTCUT_FIELD_ARGUMENTS);
    read_request blank(link_, QUORVEN_SHORTCUT_MODE_COMPACT);
    result = read_link(blank);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(blank.arguments.value(), L"");
    EXPECT_EQ(result.needed_arguments, 1u);
    EXPECT_EQ(result.fields_nonempty, QUORVEN_SHORTCUT_FIELD_TARGET);
}

// Full mode reads every field into a 260-unit buffer, compact mode the arguments into 512 units:
// longer arguments reach the limit in one and come back whole in the other.
TEST_F(shortcut_round_trip, LongArgumentsFitCompactModeButNotFullMode) {
    std::wstring words;
    while (words.size() < 300) {
        words += L"--flag" + std::to_wstring(words.size()) + L" ";
    }
    words.pop_back();
    values_.arguments = L"  " + words + L"\t";
    write_values();

    read_request full(link_, QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read_link(full);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(result.fields_at_limit, QUORVEN_SHORTCUT_FIELD_ARGUMENTS);
    EXPECT_EQ(result.needed_arguments, 260u);
    EXPECT_EQ(full.arguments.value(), values_.arguments.substr(0, 259));

    read_request compact(link_, QUORVEN_SHORTCUT_MODE_COMPACT);
    result = read_link(compact);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(result.fields_at_limit, 0u);
    EXPECT_EQ(compact.arguments.value(), words);
    EXPECT_EQ(result.needed_arguments, words.size() + 1);
}

// Values that do not fit the host's buffers are measured, never cut: the host retries with the
// sizes reported and gets the whole values.
TEST_F(shortcut_round_trip, SmallBuffersReportTheSizesThatFit) {
    write_values();
    read_request small(link_, QUORVEN_SHORTCUT_MODE_FULL, 8);
    auto result = read_link(small);
    EXPECT_EQ(result.status, QUORVEN_NATIVE_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(result.hresult, QUORVEN_NATIVE_HR_INSUFFICIENT);
    EXPECT_EQ(result.fields_truncated, 0x1Fu);
    EXPECT_TRUE(small.all_untouched());

    uint32_t largest = 0;
    for (uint32_t needed :
         {result.needed_target, result.needed_description, result.needed_arguments,
          result.needed_working_directory, result.needed_icon_path}) {
        largest = needed > largest ? needed : largest;
    }
    read_request exact(link_, QUORVEN_SHORTCUT_MODE_FULL, largest);
    result = read_link(exact);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    expect_same_values(values_read(exact, result), values_);
}

// A new shortcut over an old one holds only the values of the second write.
TEST_F(shortcut_round_trip, RewriteWithOnlyATargetReplacesEveryValue) {
    write_values();
    link_values bare;
    bare.target = values_.target;
    write_request request(link_, bare);
    auto written = write_link(request);
    ASSERT_EQ(written.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(written.setters_succeeded, 0x1Fu);

    read_request read(link_, QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read_link(read);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    expect_same_values(values_read(read, result), bare);
    EXPECT_EQ(result.fields_nonempty, QUORVEN_SHORTCUT_FIELD_TARGET);
}

// The shell reports a target it cannot find with S_FALSE; that is no failure, and the path is
// stored as given.
TEST_F(shortcut_round_trip, MissingTargetIsRecordedButWritten) {
    values_.target = in_folder(L"gone.exe");
    write_request request(link_, values_);
    auto written = write_link(request);
    EXPECT_EQ(written.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(written.hr_set_path, 1);
    EXPECT_EQ(written.setters_succeeded, 0x1Fu);
    EXPECT_EQ(written.hr_save, 0);

    read_request read(link_, QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read_link(read);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    EXPECT_EQ(read.target.value(), values_.target);
}

TEST_F(shortcut_round_trip, ResolveWithoutUiReadsTheWrittenValues) {
    write_values();
    read_request read(link_, QUORVEN_SHORTCUT_MODE_FULL);
    auto result = resolve_link_no_ui(read);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << result.hresult;
    EXPECT_EQ(result.steps, 0x0Fu);
    EXPECT_EQ(result.hr_resolve, 0);
    EXPECT_EQ(result.fields_read, 0x1Fu);
    expect_same_values(values_read(read, result), values_);
}

// A target that went away after the write: whatever the shell's resolve makes of it, the call
// succeeds and reads the link as stored.
TEST_F(shortcut_round_trip, ResolveWithoutUiOfAVanishedTargetReadsTheStoredLink) {
    write_values();
    ASSERT_TRUE(DeleteFileW(values_.target.c_str()));
    read_request read(link_, QUORVEN_SHORTCUT_MODE_FULL);
    auto result = resolve_link_no_ui(read, 0);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << result.hresult;
    EXPECT_EQ(result.steps, 0x0Fu);
    EXPECT_NE(result.hr_resolve, QUORVEN_NATIVE_HR_PENDING);
    expect_same_values(values_read(read, result), values_);
}

// Headless, the shell's resolve has no dialog to show: the call returns and the link keeps the
// values it was written with.
TEST_F(shortcut_round_trip, ResolveWithUiLeavesAResolvableLinkAsWritten) {
    write_values();
    auto resolved = resolve_link_with_ui(link_);
    ASSERT_EQ(resolved.status, QUORVEN_NATIVE_STATUS_OK) << std::hex << resolved.hresult;
    EXPECT_EQ(resolved.steps, 0x0Fu);
    EXPECT_EQ(resolved.hr_load, 0);
    EXPECT_EQ(resolved.hr_resolve, 0);
    EXPECT_EQ(resolved.resolve_flags, resolve_ui_flags);

    read_request read(link_, QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read_link(read);
    ASSERT_EQ(result.status, QUORVEN_NATIVE_STATUS_OK);
    expect_same_values(values_read(read, result), values_);
}

}  // namespace
}  // namespace wine_native_test
