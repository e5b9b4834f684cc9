// Scaffolding of the shell automation tests: request builders for the three exports, a
// scripted Recycle Bin and Quick Access, and the loop that fails one step after another.
#pragma once

#include <functional>

#include "native_fixture.h"
#include "win_standin/shell_automation_script.h"

namespace native_test {

inline constexpr int32_t hr_type_mismatch = QUORVEN_NATIVE_I32(0x80028CA0u);
inline constexpr int32_t hr_file_not_found = QUORVEN_NATIVE_I32(0x80070002u);

template <typename Result>
Result fresh_v1_result() {
    return fresh_result<Result>(QUORVEN_NATIVE_V1_RECORD_VERSION);
}

struct launch_request {
    launch_request() {
        record.size = QUORVEN_EXPLORER_SHELL_LAUNCH_REQUEST_V1_SIZE;
        record.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
    }
    const quorven_explorer_shell_launch_request_v1& bind() {
        record.file = string_of(file);
        record.directory = string_of(directory);
        record.operation = string_of(operation);
        return record;
    }
    std::u16string file = u"C:\\Tools\\editor.exe";
    std::u16string directory = u"C:\\Work";
    std::u16string operation = u"open";
    quorven_explorer_shell_launch_request_v1 record{};
};

struct bin_request {
    explicit bin_request(uint32_t mode) {
        record.size = QUORVEN_RECYCLE_BIN_REQUEST_V1_SIZE;
        record.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
        record.mode = mode;
    }
    const quorven_recycle_bin_request_v1& bind() {
        record.deleted_from = string_of(deleted_from);
        record.item_name = string_of(item_name);
        return record;
    }
    std::u16string deleted_from = u"C:\\Data";
    std::u16string item_name = u"report.txt";
    quorven_recycle_bin_request_v1 record{};
};

struct access_request {
    explicit access_request(uint32_t mode) {
        record.size = QUORVEN_QUICK_ACCESS_REQUEST_V1_SIZE;
        record.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
        record.mode = mode;
        if (mode != QUORVEN_QUICK_ACCESS_MODE_QUERY) {
            parent_folder = u"C:\\Data";
            item_name = u"Reports";
        }
    }
    const quorven_quick_access_request_v1& bind() {
        record.path = string_of(path);
        record.parent_folder = string_of(parent_folder);
        record.item_name = string_of(item_name);
        return record;
    }
    std::u16string path = u"C:\\Data\\Reports";
    std::u16string parent_folder;
    std::u16string item_name;
    quorven_quick_access_request_v1 record{};
};

inline quorven_explorer_shell_launch_result_v1 launch(launch_request& request) {
    auto result = fresh_v1_result<quorven_explorer_shell_launch_result_v1>();
    EXPECT_EQ(quorven_explorer_shell_launch_v1(&request.bind(), &result), result.status);
    return result;
}
inline quorven_recycle_bin_result_v1 recycle(bin_request& request) {
    auto result = fresh_v1_result<quorven_recycle_bin_result_v1>();
    EXPECT_EQ(quorven_recycle_bin_v1(&request.bind(), &result), result.status);
    return result;
}
inline quorven_quick_access_result_v1 quick_access(access_request& request) {
    auto result = fresh_v1_result<quorven_quick_access_result_v1>();
    EXPECT_EQ(quorven_quick_access_v1(&request.bind(), &result), result.status);
    return result;
}

inline const std::u16string deleted_from_property = u"System.Recycle.DeletedFrom";
inline const std::u16string pinned_property = u"System.IsPinnedToNameSpaceTree";
inline const std::u16string quick_access_folder = u"shell:::{679F85CB-0220-4080-B29B-5540CC05AAB6}";

// A Recycle Bin item as the shell lists it: its name and the folder it was deleted from.
inline standin::shell_item deleted(const std::u16string& name, const std::u16string& from) {
    standin::shell_item item;
    item.name = name;
    item.path = u"C:\\$Recycle.Bin\\S-1-5-21\\$R" + name;
    item.properties[deleted_from_property] = standin::text_property(from);
    return item;
}
inline void put_recycle_bin(const std::vector<standin::shell_item>& items) {
    standin::put_numbered_folder(10, items);
}

// A Quick Access item with its pinned-state property.
inline standin::shell_item quick_item(const std::u16string& path,
                                      const standin::property_value& pinned) {
    standin::shell_item item;
    item.name = path.substr(path.find_last_of(u'\\') + 1);
    item.path = path;
    item.properties[pinned_property] = pinned;
    return item;
}
inline standin::property_value flag(bool pinned) {
    return standin::property_value{VT_BOOL, u"", pinned ? 1 : 0};
}

inline standin::outcome fails(HRESULT hr) {
    return standin::outcome{standin::outcome::kind::result, hr, true};
}
inline standin::outcome empty_success() {
    return standin::outcome{standin::outcome::kind::empty, S_OK, false};
}

class shell_fixture : public native_fixture {
  public:
    using native_fixture::expect_nothing_left_behind;
};

// A request that breaks one rule, and the status it gets.
template <typename Request>
struct rejection {
    uint32_t status;
    std::function<void(Request&)> change;  // applied after the strings were bound
};

// The request checks of one export: each broken rule gives its status with E_INVALIDARG, no step
// started and no COM call.
template <typename Request, typename Record, typename Result>
void expect_rejections(const Request& valid, uint32_t (*call)(const Record*, Result*),
                       const std::vector<rejection<Request>>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        Request request = valid;
        request.bind();
        cases[i].change(request);
        auto result = fresh_v1_result<Result>();
        EXPECT_EQ(call(&request.record, &result), cases[i].status);
        EXPECT_EQ(result.hresult, invalid_arg);
        EXPECT_EQ(result.steps, 0u);
        EXPECT_EQ(result.hr_com_init, pending);
    }
    EXPECT_EQ(standin::call_count("CoInitializeEx"), 0u);
}

// One step made to fail: the scripted call, and what the result must then say.
template <typename Result>
struct step_failure {
    const char* method;
    unsigned call;
    standin::outcome what;
    int32_t Result::*field;
    int32_t recorded;  // in `field` and `hresult`
    uint32_t status;
    uint32_t steps;
};

// Runs `call` once per failure, each time on a freshly scripted stand-in, and checks the status,
// the step field, the steps started and that everything was released.
template <typename Result>
void expect_each_step_failure(shell_fixture& fixture, const std::function<void()>& arrange,
                              const std::function<Result()>& call,
                              const std::vector<step_failure<Result>>& failures) {
    for (const step_failure<Result>& failure : failures) {
        SCOPED_TRACE(std::string(failure.method) + " call " + std::to_string(failure.call) +
                     (failure.what.what == standin::outcome::kind::empty ? " empty" : " failing"));
        standin::reset();
        arrange();
        standin::script(failure.method, failure.call, failure.what);
        Result result = call();
        EXPECT_EQ(result.status, failure.status);
        EXPECT_EQ(result.hresult, failure.recorded);
        EXPECT_EQ(result.*failure.field, failure.recorded);
        EXPECT_EQ(result.steps, failure.steps);
        fixture.expect_nothing_left_behind();
    }
}

}  // namespace native_test
