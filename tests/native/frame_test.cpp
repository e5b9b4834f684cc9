// The frame every export shares: constants, result checks and reset, request and string checks,
// the apartment rule, object creation, the owners, and calls from several threads.

#include <atomic>
#include <thread>

#include "com/unique_bstr.h"
#include "com/unique_variant.h"
#include "native_fixture.h"

namespace native_test {
namespace {

using frame = native_fixture;

quorven_shortcut_read_result_v2 read(const quorven_shortcut_request_v2& request) {
    auto result = fresh_result<quorven_shortcut_read_result_v2>();
    uint32_t status = quorven_shortcut_read_v2(&request, &result);
    EXPECT_EQ(status, result.status);
    return result;
}

TEST_F(frame, ConstantsAreFixed) {
    EXPECT_EQ(quorven_native_abi_version(), 2u);
    EXPECT_EQ(quorven_native_capabilities(), 511u);
}

// Each export with a result of the wrong size or version: 2, and not one byte written.
TEST_F(frame, ResultWithWrongSizeOrVersionIsLeftUntouched) {
    read_request read_req(QUORVEN_SHORTCUT_MODE_FULL);
    write_request write_req;
    quorven_shortcut_resolve_request_v2 resolve_req{};
    quorven_shortcut_resolve_ui_request_v2 ui_req{};

    auto check = [](auto call, auto result_template) {
        for (int variant = 0; variant < 3; ++variant) {
            auto result = result_template;
            if (variant == 0) {
                result.size -= 8;
            } else if (variant == 1) {
                result.version = 1;
            } else {
                result.version = 3;
            }
            auto before = result;
            EXPECT_EQ(call(&result), 2u);
            EXPECT_EQ(std::memcmp(&before, &result, sizeof result), 0);
        }
        EXPECT_EQ(call(static_cast<decltype(&result_template)>(nullptr)), 1u);
    };
    check([&](auto* r) { return quorven_shortcut_read_v2(&read_req.record, r); },
          fresh_result<quorven_shortcut_read_result_v2>());
    check([&](auto* r) { return quorven_shortcut_resolve_no_ui_v2(&resolve_req, r); },
          fresh_result<quorven_shortcut_read_result_v2>());
    check([&](auto* r) { return quorven_shortcut_resolve_with_ui_v2(&ui_req, r); },
          fresh_result<quorven_shortcut_resolve_ui_result_v2>());
    check([&](auto* r) { return quorven_shortcut_write_v2(&write_req.record, r); },
          fresh_result<quorven_shortcut_write_result_v2>());
    EXPECT_TRUE(standin::call_log().empty());
}

TEST_F(frame, NullRequestResetsTheResultAndReportsInvalidArgument) {
    auto result = fresh_result<quorven_shortcut_read_result_v2>();
    EXPECT_EQ(quorven_shortcut_read_v2(nullptr, &result), 1u);

    quorven_shortcut_read_result_v2 expected{};
    expected.size = 136;
    expected.version = 2;
    expected.status = 1;
    expected.hresult = invalid_arg;
    for (int32_t* field :
         {&expected.hr_com_init, &expected.hr_create_link, &expected.hr_load, &expected.hr_resolve,
          &expected.hr_get_path, &expected.hr_get_description, &expected.hr_get_arguments,
          &expected.hr_get_working_directory, &expected.hr_get_icon_location}) {
        *field = pending;
    }
    EXPECT_EQ(std::memcmp(&expected, &result, sizeof result), 0);

    auto write_result = fresh_result<quorven_shortcut_write_result_v2>();
    EXPECT_EQ(quorven_shortcut_write_v2(nullptr, &write_result), 1u);
    EXPECT_EQ(write_result.steps, 0u);
    EXPECT_EQ(write_result.setters_attempted, 0u);
    EXPECT_EQ(write_result.hr_set_icon_location, pending);
    EXPECT_EQ(write_result.hr_save, pending);
    EXPECT_TRUE(standin::call_log().empty());
}

TEST_F(frame, RequestWithWrongSizeOrVersionIsUnsupported) {
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    request.record.version = 1;
    auto result = read(request.record);
    EXPECT_EQ(result.status, 2u);
    EXPECT_EQ(result.hresult, invalid_arg);
    EXPECT_EQ(result.steps, 0u);
    EXPECT_EQ(result.hr_com_init, pending);

    request.record.version = 2;
    request.record.size = 136;
    EXPECT_EQ(read(request.record).status, 2u);
}

// Required strings through the read's link path, optional ones through the write's description.
TEST_F(frame, StringsThatBreakTheirRuleAreRejectedBeforeAnyComWork) {
    std::u16string long_text(32768, u'a');
    std::u16string with_zero(u"C:\\a\0b.lnk", 10);

    std::vector<quorven_utf16_string> bad_required;
    quorven_utf16_string s = string_of(link_path);
    s.length = 0;
    bad_required.push_back(s);
    bad_required.push_back(string_of(long_text));
    s = string_of(link_path);
    s.pointer = 0;
    bad_required.push_back(s);
    s = string_of(link_path);
    s.reserved = 1;
    bad_required.push_back(s);
    bad_required.push_back(string_of(with_zero));
    for (const quorven_utf16_string& bad : bad_required) {
        read_request request(QUORVEN_SHORTCUT_MODE_FULL);
        request.record.link_path = bad;
        auto result = read(request.record);
        EXPECT_EQ(result.status, 1u);
        EXPECT_EQ(result.hresult, invalid_arg);
        EXPECT_EQ(result.steps, 0u);
    }

    std::u16string text = u"text";
    std::vector<quorven_utf16_string> bad_optional;
    s = string_of(text);
    s.length = 0;  // a pointer with length 0
    bad_optional.push_back(s);
    s = string_of(text);
    s.pointer = 0;  // a length without pointer
    bad_optional.push_back(s);
    bad_optional.push_back(string_of(long_text));
    s = string_of(text);
    s.reserved = 7;
    bad_optional.push_back(s);
    for (const quorven_utf16_string& bad : bad_optional) {
        write_request request;
        request.record.description.string = bad;
        auto result = fresh_result<quorven_shortcut_write_result_v2>();
        EXPECT_EQ(quorven_shortcut_write_v2(&request.record, &result), 1u);
        EXPECT_EQ(result.steps, 0u);
    }
    EXPECT_EQ(standin::call_count("CoInitializeEx"), 0u);
    EXPECT_EQ(standin::call_count("HeapAlloc"), 0u) << "a 0 unit is found before copying";

    // The longest string is accepted and reaches the shell whole.
    write_request longest;
    longest.description.assign(32767, u'd');
    longest.bind();
    auto result = fresh_result<quorven_shortcut_write_result_v2>();
    EXPECT_EQ(quorven_shortcut_write_v2(&longest.record, &result), 0u);
    standin::link_file saved;
    ASSERT_TRUE(standin::get_link_file(link_path, &saved));
    EXPECT_EQ(saved.description, longest.description);
}

class apartment_rule : public native_fixture {
  protected:
    void SetUp() override {
        native_fixture::SetUp();
        put_link(sample_link());
    }
};

TEST_F(apartment_rule, FreshThreadJoinsTheMultithreadedApartmentAndLeavesIt) {
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request.record);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hr_com_init, 0);
    EXPECT_EQ(standin::last_arguments("CoInitializeEx"), (std::vector<int64_t>{0, 0}));
    EXPECT_EQ(standin::call_count("CoUninitialize"), 1u);
    // Objects first, then the apartment, then the string copy.
    std::vector<std::string> log;
    for (const std::string& call : standin::call_log()) {
        if (call != "GetProcessHeap") {
            log.push_back(call);
        }
    }
    std::vector<std::string> tail(log.end() - 4, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"IPersistFile::Release", "IShellLinkW::Release",
                                              "CoUninitialize", "HeapFree"}));
}

TEST_F(apartment_rule, ThreadAlreadyInTheSameApartmentNestsAndIsBalanced) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request.record);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hr_com_init, 1);
    EXPECT_EQ(standin::apartment_depth(), 1);
    CoUninitialize();
}

TEST_F(apartment_rule, ThreadInTheOtherApartmentIsServedThereWithoutUninitialize) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request.record);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.hr_com_init, QUORVEN_NATIVE_HR_CHANGED_MODE);
    EXPECT_EQ(request.target.value(), u"%ProgramFiles%\\Editor\\editor.exe");
    EXPECT_EQ(standin::call_count("CoUninitialize"), 0u);
    EXPECT_EQ(standin::apartment_depth(), 1);
    EXPECT_EQ(standin::apartment_model(), static_cast<DWORD>(COINIT_APARTMENTTHREADED));
    CoUninitialize();
}

TEST_F(apartment_rule, FailedInitialisationEndsWithStatus4) {
    standin::fail("CoInitializeEx", E_OUTOFMEMORY);
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request.record);
    EXPECT_EQ(result.status, 4u);
    EXPECT_EQ(result.hresult, E_OUTOFMEMORY);
    EXPECT_EQ(result.hr_com_init, E_OUTOFMEMORY);
    EXPECT_EQ(result.steps, 0x01u);
    EXPECT_EQ(result.hr_create_link, pending);
    EXPECT_EQ(standin::call_count("CoUninitialize"), 0u);
    EXPECT_EQ(standin::call_count("CoCreateInstance"), 0u);
}

// A success code other than S_OK or S_FALSE still counted an initialisation: the call fails with
// status 4 but leaves the thread's apartment balanced.
TEST_F(apartment_rule, UnexpectedSuccessCodeFailsButIsBalanced) {
    standin::succeed_with("CoInitializeEx", 2);
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request.record);
    EXPECT_EQ(result.status, 4u);
    EXPECT_EQ(result.hresult, 2);
    EXPECT_EQ(standin::call_count("CoUninitialize"), 1u);
}

using creation = apartment_rule;

TEST_F(creation, ObjectCreationOutcomesGoToTheCreateStep) {
    struct scenario {
        const char* method;
        standin::outcome what;
        int32_t expected;
    };
    const scenario scenarios[] = {
        {"CoCreateInstance",
         {standin::outcome::kind::result, REGDB_E_CLASSNOTREG, true},
         REGDB_E_CLASSNOTREG},
        {"CoCreateInstance", {standin::outcome::kind::empty, S_OK, false}, 0},
        {"IShellLinkW::QueryInterface",
         {standin::outcome::kind::result, E_NOINTERFACE, true},
         E_NOINTERFACE},
        {"IShellLinkW::QueryInterface",
         {standin::outcome::kind::empty, S_OK, false},
         QUORVEN_NATIVE_HR_POINTER},
    };
    for (const scenario& each : scenarios) {
        SCOPED_TRACE(each.method);
        standin::reset();
        put_link(sample_link());
        standin::script(each.method, 1, each.what);
        read_request request(QUORVEN_SHORTCUT_MODE_FULL);
        auto result = read(request.record);
        EXPECT_EQ(result.status, 5u);
        EXPECT_EQ(result.hresult, each.expected);
        EXPECT_EQ(result.hr_create_link, each.expected);
        EXPECT_EQ(result.steps, 0x03u);
        EXPECT_EQ(result.hr_load, pending);
        EXPECT_EQ(standin::call_count("IPersistFile::Load"), 0u);
        expect_nothing_left_behind();
    }
    EXPECT_EQ(standin::last_arguments("CoCreateInstance"), (std::vector<int64_t>{1, 0}));
}

TEST_F(frame, ArgumentCopyOutOfMemoryFailsBeforeComWork) {
    standin::fail("HeapAlloc", E_OUTOFMEMORY, 1);
    read_request request(QUORVEN_SHORTCUT_MODE_FULL);
    auto result = read(request.record);
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hresult, QUORVEN_NATIVE_HR_OUT_OF_MEMORY);
    EXPECT_EQ(result.steps, 0u);
    EXPECT_EQ(standin::call_count("CoInitializeEx"), 0u);
}

TEST_F(frame, BstrOwnerCopiesTheHostStringAndFreesIt) {
    std::u16string text = u"undelete";
    {
        quorven::native::unique_bstr empty;
        ASSERT_TRUE(empty.assign(string_of(u"")));
        EXPECT_EQ(empty.get(), nullptr);

        quorven::native::unique_bstr bstr;
        ASSERT_TRUE(bstr.assign(string_of(text)));
        EXPECT_EQ(SysStringLen(bstr.get()), 8u);
        EXPECT_EQ(std::u16string(bstr.get()), text);
        EXPECT_EQ(standin::snapshot().bstrs_live, 1);
    }
    standin::fail("SysAllocStringLen", E_OUTOFMEMORY);
    quorven::native::unique_bstr failing;
    EXPECT_FALSE(failing.assign(string_of(text)));
}

TEST_F(frame, VariantOwnerClearsAndDropsTheErrorOfAFailedClear) {
    {
        quorven::native::unique_variant value;
        (*value).vt = VT_BSTR;
        (*value).bstrVal = SysAllocStringLen(u"shell", 5);
    }
    EXPECT_EQ(standin::snapshot().bstrs_live, 0);

    standin::fail("VariantClear", E_FAIL, 2);
    {
        quorven::native::unique_variant value;
        (*value).vt = VT_I4;
    }
    EXPECT_EQ(standin::snapshot().error_objects_fetched, 1);
}

// Calls share nothing: many at once from several threads, each in its own apartment.
TEST_F(frame, CallsFromSeveralThreadsAtOnce) {
    put_link(sample_link());
    std::vector<std::thread> threads;
    std::atomic<int> ok{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&ok] {
            for (int i = 0; i < 50; ++i) {
                read_request request(QUORVEN_SHORTCUT_MODE_COMPACT);
                auto result = fresh_result<quorven_shortcut_read_result_v2>();
                if (quorven_shortcut_read_v2(&request.record, &result) == 0 &&
                    request.arguments.value() == u"--new-window" &&
                    standin::apartment_depth() == 0) {
                    ++ok;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(ok.load(), 200);
}

}  // namespace
}  // namespace native_test
