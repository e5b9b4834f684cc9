// quorven_shortcut_read_v2: request checks, loading, full and compact reading, truncation and
// the needed lengths, values that may have been cut, trimming, and failures mid-sequence.

#define U_SHOW_CPLUSPLUS_API 0
#include <unicode/uchar.h>

#include "native_fixture.h"
#include "shortcut/field_reader.h"

namespace native_test {
namespace {

class shortcut_read : public native_fixture {
  protected:
    quorven_shortcut_read_result_v2 read(read_request& request) {
        request.bind();
        auto result = fresh_result<quorven_shortcut_read_result_v2>();
        uint32_t status = quorven_shortcut_read_v2(&request.record, &result);
        EXPECT_EQ(status, result.status);
        expect_nothing_left_behind();
        return result;
    }
};

TEST_F(shortcut_read, FullModeCopiesTheFiveFieldsAsStored) {
    put_link(sample_link());
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.steps, 0x07u);
    EXPECT_EQ(result.hr_create_link, 0);
    EXPECT_EQ(result.hr_load, 0);
    EXPECT_EQ(result.hr_resolve, pending);
    EXPECT_EQ(request.target.value(), u"%ProgramFiles%\\Editor\\editor.exe") << "raw target";
    EXPECT_EQ(request.description.value(), u"Text editor");
    EXPECT_EQ(request.arguments.value(), u"--new-window");
    EXPECT_EQ(request.working_directory.value(), u"C:\\Users\\ada");
    EXPECT_EQ(request.icon_path.value(), u"C:\\Icons\\editor.ico");
    EXPECT_EQ(result.icon_index, 3);
    EXPECT_EQ(result.fields_attempted, 0x1Fu);
    EXPECT_EQ(result.fields_read, 0x1Fu);
    EXPECT_EQ(result.fields_nonempty, 0x1Fu);
    EXPECT_EQ(result.fields_truncated, 0u);
    EXPECT_EQ(result.fields_at_limit, 0u);
    for (int32_t hr : {result.hr_get_path, result.hr_get_description, result.hr_get_arguments,
                       result.hr_get_working_directory, result.hr_get_icon_location}) {
        EXPECT_EQ(hr, 0);
    }
    EXPECT_EQ(result.needed_target, 33u);
    EXPECT_EQ(result.needed_description, 12u);
    EXPECT_EQ(result.needed_icon_path, 20u);

    EXPECT_EQ(standin::last_arguments("IPersistFile::Load"), (std::vector<int64_t>{0}));
    EXPECT_EQ(standin::last_arguments("IShellLinkW::GetPath"), (std::vector<int64_t>{260, 4, 1}));
    EXPECT_EQ(standin::last_arguments("IShellLinkW::GetIconLocation"), (std::vector<int64_t>{260}));
    EXPECT_EQ(com_calls(), (std::vector<std::string>{
                               "CoInitializeEx", "CoCreateInstance", "IShellLinkW::QueryInterface",
                               "IPersistFile::Load", "IShellLinkW::GetPath",
                               "IShellLinkW::GetDescription", "IShellLinkW::GetArguments",
                               "IShellLinkW::GetWorkingDirectory", "IShellLinkW::GetIconLocation",
                               "IPersistFile::Release", "IShellLinkW::Release", "CoUninitialize"}));
}

TEST_F(shortcut_read, FullModeKeepsSurroundingWhiteSpace) {
    standin::link_file file = sample_link();
    file.arguments = u"  -a\t";
    file.description = u"";
    put_link(file);
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request);
    EXPECT_EQ(request.arguments.value(), u"  -a\t");
    EXPECT_EQ(request.description.value(), u"");
    EXPECT_EQ(result.needed_description, 1u);
    EXPECT_EQ(result.fields_nonempty, 0x1Du);
}

TEST_F(shortcut_read, ZeroCapacitiesReportEveryNeededLength) {
    put_link(sample_link());
    read_request request(QUORVEN_SHORTCUT_MODE_FULL, 0);
    auto result = read(request);
    EXPECT_EQ(result.status, 3u);
    EXPECT_EQ(result.hresult, QUORVEN_NATIVE_HR_INSUFFICIENT);
    EXPECT_EQ(result.fields_truncated, 0x1Fu);
    EXPECT_EQ(result.fields_read, 0x1Fu);
    EXPECT_EQ(result.needed_target, 33u);
    EXPECT_EQ(result.needed_arguments, 13u);
    EXPECT_EQ(result.needed_working_directory, 13u);
    EXPECT_EQ(result.icon_index, 3);
}

TEST_F(shortcut_read, BufferOfExactlyTheNeededSizeFitsOneLessDoesNot) {
    put_link(sample_link());
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    request.description = host_buffer(12);  // "Text editor" + terminator
    request.arguments = host_buffer(12);    // "--new-window" needs 13
    auto result = read(request);
    EXPECT_EQ(result.status, 3u);
    EXPECT_EQ(request.description.value(), u"Text editor");
    EXPECT_TRUE(request.arguments.untouched());
    EXPECT_EQ(result.fields_truncated, 0x04u);
    EXPECT_EQ(result.needed_arguments, 13u);
    EXPECT_EQ(request.icon_path.value(), u"C:\\Icons\\editor.ico") << "later fields still copied";
}

// The shell cuts long values to fit its 260-unit buffer; a value that fills it is flagged.
TEST_F(shortcut_read, ValuesThatFillTheReadBufferAreAtLimit) {
    struct scenario {
        size_t stored;
        bool fill_whole;
        uint32_t needed;
        bool at_limit;
    };
    for (const scenario& each : {scenario{258, false, 259, false}, scenario{259, false, 260, true},
                                 scenario{400, false, 260, true}, scenario{400, true, 261, true}}) {
        SCOPED_TRACE(each.stored);
        standin::reset();
        standin::set_getters_fill_whole_buffer(each.fill_whole);
        standin::link_file file = sample_link();
        file.target = std::u16string(each.stored, u't');
        file.working_directory = std::u16string(each.stored, u'w');
        put_link(file);
        read_request request(QUORVEN_SHORTCUT_MODE_FULL);
        auto result = read(request);
        EXPECT_EQ(result.status, 0u);
        EXPECT_EQ(result.needed_target, each.needed);
        EXPECT_EQ(result.needed_working_directory, each.needed);
        EXPECT_EQ(result.fields_at_limit, each.at_limit ? 0x09u : 0u);
        EXPECT_EQ(request.target.value(), std::u16string(each.needed - 1, u't'));
    }
}

// A getter that fails ends the call; the fields before it keep what they read.
TEST_F(shortcut_read, GetterFailureKeepsEarlierFields) {
    const char* getters[] = {"IShellLinkW::GetPath", "IShellLinkW::GetDescription",
                             "IShellLinkW::GetArguments", "IShellLinkW::GetWorkingDirectory",
                             "IShellLinkW::GetIconLocation"};
    for (uint32_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(getters[k]);
        standin::reset();
        put_link(sample_link());
        standin::fail(getters[k], E_ACCESSDENIED);
        read_request request(QUORVEN_SHORTCUT_MODE_FULL);
        auto result = read(request);
        uint32_t before = (1u << k) - 1;
        EXPECT_EQ(result.status, 7u);
        EXPECT_EQ(result.hresult, E_ACCESSDENIED);
        EXPECT_EQ(result.fields_attempted, before | (1u << k));
        EXPECT_EQ(result.fields_read, before);
        EXPECT_EQ(result.fields_nonempty, before);
        const int32_t hrs[] = {result.hr_get_path, result.hr_get_description,
                               result.hr_get_arguments, result.hr_get_working_directory,
                               result.hr_get_icon_location};
        const uint32_t needed[] = {result.needed_target, result.needed_description,
                                   result.needed_arguments, result.needed_working_directory,
                                   result.needed_icon_path};
        for (uint32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(hrs[i], i < k ? 0 : i == k ? E_ACCESSDENIED : pending) << i;
            EXPECT_EQ(needed[i] != 0, i < k) << i;
        }
        EXPECT_EQ(request.target.untouched(), k == 0);
        EXPECT_EQ(result.icon_index, 0);
    }
}

TEST_F(shortcut_read, MissingFileIsALoadFailure) {
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request);
    EXPECT_EQ(result.status, 6u);
    EXPECT_EQ(result.steps, 0x07u);
    EXPECT_EQ(result.hr_load, static_cast<int32_t>(0x80070002));
    EXPECT_EQ(result.hresult, result.hr_load);
    EXPECT_EQ(result.fields_attempted, 0u);
    EXPECT_EQ(result.hr_get_path, pending);
}

TEST_F(shortcut_read, FieldChecksFollowTheSizeCheck) {
    auto expect_status = [this](uint32_t status, auto change) {
        read_request request(QUORVEN_SHORTCUT_MODE_FULL);
        change(request);
        quorven_shortcut_read_result_v2 result = fresh_result<quorven_shortcut_read_result_v2>();
        EXPECT_EQ(quorven_shortcut_read_v2(&request.record, &result), status);
        EXPECT_EQ(result.hresult, invalid_arg);
        EXPECT_EQ(result.steps, 0u);
        expect_nothing_left_behind();
    };
    expect_status(1, [](read_request& r) { r.record.mode = 0; });
    expect_status(1, [](read_request& r) { r.record.mode = 3; });
    expect_status(1, [](read_request& r) { r.record.icon_index = -1; });
    expect_status(1, [](read_request& r) { r.record.reserved1[3] = 1; });
    expect_status(1, [](read_request& r) { r.record.icon_path.buffer.reserved = 1; });
    expect_status(1, [](read_request& r) { r.record.description.buffer.pointer = 0; });
    expect_status(1, [](read_request& r) { r.record.working_directory.buffer.capacity = 0; });
    // A size error wins over any field error.
    expect_status(2, [](read_request& r) {
        r.record.mode = 9;
        r.record.size = 0;
    });
    // Compact mode checks the buffers it does not use, too.
    expect_status(1, [](read_request& r) {
        r.record.mode = QUORVEN_SHORTCUT_MODE_COMPACT;
        r.record.icon_path.buffer.pointer = 0;
    });
}

class compact_read : public shortcut_read {
  protected:
    void SetUp() override {
        shortcut_read::SetUp();
        standin::set_environment(u"ProgramFiles", u"C:\\Program Files");
    }
    quorven_shortcut_read_result_v2 read_with(const std::u16string& target,
                                              const std::u16string& arguments) {
        standin::link_file file = sample_link();
        file.target = target;
        file.arguments = arguments;
        put_link(file);
        request_ = std::make_unique<read_request>(QUORVEN_SHORTCUT_MODE_COMPACT, 700);
        return read(*request_);
    }
    std::unique_ptr<read_request> request_;
};

TEST_F(compact_read, ExpandsTheTargetAndTrimsBothFields) {
    auto result = read_with(u" %ProgramFiles%\\Editor\\editor.exe\t", u"  -a -b\t");
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(request_->target.value(), u"C:\\Program Files\\Editor\\editor.exe");
    EXPECT_EQ(request_->arguments.value(), u"-a -b");
    EXPECT_EQ(result.needed_arguments, 6u);
    EXPECT_EQ(result.fields_attempted, 0x05u);
    EXPECT_EQ(result.fields_read, 0x05u);
    EXPECT_EQ(result.fields_nonempty, 0x05u);
    // The other three fields are not touched.
    EXPECT_TRUE(request_->description.untouched());
    EXPECT_TRUE(request_->working_directory.untouched());
    EXPECT_TRUE(request_->icon_path.untouched());
    EXPECT_EQ(result.hr_get_description, pending);
    EXPECT_EQ(result.hr_get_working_directory, pending);
    EXPECT_EQ(result.hr_get_icon_location, pending);
    EXPECT_EQ(result.icon_index, 0);
    EXPECT_EQ(result.needed_icon_path, 0u);
    EXPECT_EQ(standin::last_arguments("IShellLinkW::GetPath"), (std::vector<int64_t>{260, 0, 1}));
    EXPECT_EQ(standin::last_arguments("IShellLinkW::GetArguments"), (std::vector<int64_t>{512}));
}

TEST_F(compact_read, ArgumentsOfOnlySpacesComeBackEmpty) {
    auto result = read_with(u"C:\\a.exe", u"     ");
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(request_->arguments.value(), u"");
    EXPECT_EQ(result.needed_arguments, 1u);
    EXPECT_EQ(result.fields_nonempty, 0x01u);
}

TEST_F(compact_read, EmptyTargetIsAFailureAfterFillingTheBuffers) {
    for (const std::u16string& target : {std::u16string(), std::u16string(u" \u3000\t")}) {
        auto result = read_with(target, u" -x ");
        EXPECT_EQ(result.status, 7u);
        EXPECT_EQ(result.hresult, 1);
        EXPECT_EQ(result.fields_read, 0x05u);
        EXPECT_EQ(result.fields_nonempty, 0x04u);
        EXPECT_EQ(request_->arguments.value(), u"-x");
        EXPECT_EQ(request_->target.value(), u"");
    }
}

TEST_F(compact_read, TruncationIsReportedWithTheTrimmedLength) {
    standin::link_file file = sample_link();
    file.arguments = u"  --verbose  ";
    put_link(file);
    read_request request(QUORVEN_SHORTCUT_MODE_COMPACT);
    request.arguments = host_buffer(9);
    auto result = read(request);
    EXPECT_EQ(result.status, 3u);
    EXPECT_EQ(result.fields_truncated, 0x04u);
    EXPECT_EQ(result.needed_arguments, 10u);
    EXPECT_TRUE(request.arguments.untouched());
}

// The arguments go through a 512-unit buffer: 511 units or more may have been cut.
TEST_F(compact_read, ArgumentsThatFillTheirBufferAreAtLimit) {
    struct scenario {
        size_t stored;
        bool fill_whole;
        uint32_t needed;
        uint32_t at_limit;
    };
    for (const scenario& each : {scenario{510, false, 511, 0}, scenario{511, false, 512, 0x04},
                                 scenario{900, false, 512, 0x04}, scenario{900, true, 513, 0x04}}) {
        SCOPED_TRACE(each.stored);
        standin::set_getters_fill_whole_buffer(each.fill_whole);
        auto result = read_with(u"C:\\a.exe", std::u16string(each.stored, u'a'));
        EXPECT_EQ(result.status, 0u);
        EXPECT_EQ(result.needed_arguments, each.needed);
        EXPECT_EQ(result.fields_at_limit, each.at_limit);
    }
    auto result = read_with(std::u16string(259, u't'), u"");
    EXPECT_EQ(result.fields_at_limit, 0x01u);
}

// Every White_Space code point is trimmed from both ends, and only those.
TEST_F(compact_read, TrimsEveryWhiteSpaceCodePoint) {
    std::u16string white;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (u_isUWhiteSpace(static_cast<UChar32>(c))) {
            white.push_back(static_cast<char16_t>(c));
        }
    }
    EXPECT_EQ(white,
              u"\t\n\v\f\r \u0085\u00A0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006"
              u"\u2007\u2008\u2009\u200A\u2028\u2029\u202F\u205F\u3000");
    for (char16_t c : white) {
        SCOPED_TRACE(static_cast<int>(c));
        std::u16string around(2, c);
        auto result = read_with(around + u"C:\\a.exe" + around, around + u"-a" + c + u"b" + c);
        EXPECT_EQ(result.status, 0u);
        EXPECT_EQ(request_->target.value(), u"C:\\a.exe");
        EXPECT_EQ(request_->arguments.value(), std::u16string(u"-a") + c + u"b");
    }
    // Look-alikes without the property stay, and so do lone surrogates.
    for (char16_t c : {u'\u200B', u'\u180E', u'\uFEFF', u'\u00AD', char16_t(0xD800)}) {
        std::u16string kept = std::u16string(1, c) + u"x" + c;
        auto result = read_with(u"C:\\a.exe", kept);
        EXPECT_EQ(request_->arguments.value(), kept);
        EXPECT_EQ(result.needed_arguments, 4u);
    }
}

TEST(white_space_trim, MatchesTheUnicodePropertyForEveryUnit) {
    for (uint32_t unit = 1; unit <= 0xFFFF; ++unit) {
        WCHAR text[3] = {static_cast<WCHAR>(unit), u'x', static_cast<WCHAR>(unit)};
        uint32_t first = 9;
        uint32_t length = 9;
        quorven::native::trim_white_space(text, 3, first, length);
        bool white = u_isUWhiteSpace(static_cast<UChar32>(unit)) != 0;
        ASSERT_EQ(first, white ? 1u : 0u) << unit;
        ASSERT_EQ(length, white ? 1u : 3u) << unit;
    }
}

}  // namespace
}  // namespace native_test
