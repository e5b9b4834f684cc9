// quorven_quick_access_v1 against a scripted Quick Access: the pinned state read from every kind
// of property value, how paths are matched, pin and unpin through the parent folder, the unpin
// fallback, and a failure at every step.

#include "shell_fixture.h"

namespace native_test {
namespace {

using result_t = quorven_quick_access_result_v1;

constexpr uint32_t query_mode = QUORVEN_QUICK_ACCESS_MODE_QUERY;
constexpr uint32_t pin_mode = QUORVEN_QUICK_ACCESS_MODE_PIN;
constexpr uint32_t unpin_mode = QUORVEN_QUICK_ACCESS_MODE_UNPIN;

class quick_access_pins : public shell_fixture {
  protected:
    void SetUp() override {
        shell_fixture::SetUp();
        arrange();
    }
    static void arrange() {
        standin::put_named_folder(quick_access_folder,
                                  {quick_item(u"C:\\Users\\ada\\Downloads", flag(false)),
                                   quick_item(u"C:\\Data\\Reports", flag(true))});
        standin::shell_item reports;
        reports.name = u"Reports";
        reports.path = u"C:\\Data\\Reports";
        standin::put_named_folder(u"C:\\Data", {reports});
    }
    result_t run(access_request& request) {
        result_t result = quick_access(request);
        expect_nothing_left_behind();
        EXPECT_EQ(result.succeeded, result.status == 0 ? 1u : 0u);
        return result;
    }
};

TEST_F(quick_access_pins, RequestChecks) {
    std::u16string with_zero(u"Rep\0orts", 8);
    std::u16string too_long(32768, u'p');
    std::u16string text = u"Reports";
    using r = access_request&;
    // A query and a pin request, each valid but for one rule.
    expect_rejections<access_request>(access_request(query_mode), quorven_quick_access_v1,
                                      {{2, [](r q) { q.record.size = 112; }},
                                       {2, [](r q) { q.record.version = 2; }},
                                       {1, [](r q) { q.record.reserved0 = 1; }},
                                       {1, [](r q) { q.record.reserved1[2] = 1; }},
                                       {1, [](r q) { q.record.mode = 0; }},
                                       {1, [](r q) { q.record.mode = 4; }},
                                       {1, [](r q) { q.record.path = string_of(u""); }},
                                       {1, [](r q) { q.record.path.reserved = 1; }},
                                       {1, [&](r q) { q.record.parent_folder = string_of(text); }},
                                       {1, [&](r q) { q.record.item_name = string_of(text); }}});
    expect_rejections<access_request>(
        access_request(pin_mode), quorven_quick_access_v1,
        {{1, [](r q) { q.record.parent_folder = string_of(u""); }},
         {1, [](r q) { q.record.mode = unpin_mode, q.record.item_name = string_of(u""); }},
         {1, [&](r q) { q.record.item_name = string_of(with_zero); }},
         {1, [&](r q) { q.record.parent_folder = string_of(too_long); }}});
}

TEST_F(quick_access_pins, QueryForAPathNotInQuickAccess) {
    access_request request(query_mode);
    request.path = u"C:\\Elsewhere";
    result_t result = run(request);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.found, 0u);
    EXPECT_EQ(result.pin_state, QUORVEN_QUICK_ACCESS_PIN_NOT_PINNED);
    EXPECT_EQ(result.steps, 0x3Fu);
    EXPECT_EQ(result.hr_item, 0);
    EXPECT_EQ(result.hr_path, 0);
    EXPECT_EQ(result.hr_pinned_property, pending);
    EXPECT_EQ(standin::last_namespace_argument().text, quick_access_folder);
}

// Every kind of property value; none of them fails the call.
TEST_F(quick_access_pins, PinnedStateFromEachKindOfPropertyValue) {
    const std::pair<standin::property_value, uint32_t> values[] = {
        {flag(true), 2},
        {flag(false), 1},
        {standin::property_value{VT_I4, u"", 1}, 2},
        {standin::property_value{VT_I4, u"", 0}, 1},
        {standin::text_property(u" TRUE "), 2},
        {standin::text_property(u"\u3000False\t"), 1},
        {standin::text_property(u"yes"), 0},
        {standin::text_property(u"true1"), 0},
        {standin::property_value{}, 0},
    };
    for (const auto& [value, state] : values) {
        SCOPED_TRACE(state);
        standin::put_named_folder(quick_access_folder, {quick_item(u"C:\\Data\\Reports", value)});
        access_request request(query_mode);
        result_t result = run(request);
        EXPECT_EQ(result.status, 0u);
        EXPECT_EQ(result.hresult, 0);
        EXPECT_EQ(result.found, 1u);
        EXPECT_EQ(result.steps, 0x7Fu);
        EXPECT_EQ(result.pin_state, state);
        EXPECT_EQ(result.hr_pinned_property, state == 0 ? hr_type_mismatch : 0);
    }
}

TEST_F(quick_access_pins, PathIsComparedWithoutNormalisation) {
    standin::set_current_directory(u"C:\\");
    const std::pair<std::u16string, uint32_t> paths[] = {
        {u"C:\\Data\\Reports", 1},        {u"c:\\data\\REPORTS", 1}, {u"C:\\Data\\Reports\\", 1},
        {u"C:\\Data\\Reports/", 1},       {u"Data\\Reports", 0},     {u"C:\\Data\\.\\Reports", 0},
        {u"C:\\Data\\x\\..\\Reports", 0},
    };
    for (const auto& [path, found] : paths) {
        access_request request(query_mode);
        request.path = path;
        EXPECT_EQ(run(request).found, found) << std::string(path.begin(), path.end());
    }
}

// An item whose path cannot be read is no match; the scan goes on.
TEST_F(quick_access_pins, UnreadableItemPathIsSkipped) {
    standin::fail("FolderItem::get_Path", E_ACCESSDENIED, 1);
    access_request request(query_mode);
    result_t result = run(request);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.found, 1u);
    EXPECT_EQ(result.hr_path, 0) << "the path of the item last examined";
    EXPECT_EQ(result.pin_state, QUORVEN_QUICK_ACCESS_PIN_PINNED);
}

TEST_F(quick_access_pins, PinGoesThroughTheParentFolderWithoutScanning) {
    access_request request(pin_mode);
    result_t result = run(request);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.steps, 0x383u);
    EXPECT_EQ(result.found, 0u);
    EXPECT_EQ(result.hr_namespace, pending);
    EXPECT_EQ(result.hr_parent_folder, 0);
    EXPECT_EQ(result.hr_parse_name, 0);
    EXPECT_EQ(result.hr_invoke_verb, 0);
    EXPECT_EQ(standin::last_namespace_argument().text, u"C:\\Data");
    auto verbs = standin::invoked_verbs();
    ASSERT_EQ(verbs.size(), 1u);
    EXPECT_EQ(verbs[0].item, u"C:\\Data\\Reports");
    EXPECT_EQ(verbs[0].verb, u"pintohome");
}

TEST_F(quick_access_pins, UnpinOfAListedItemGoesToTheItem) {
    access_request request(unpin_mode);
    result_t result = run(request);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.found, 1u);
    EXPECT_EQ(result.used_parent_folder, 0u);
    EXPECT_EQ(result.steps, 0x23Fu);
    EXPECT_EQ(result.hr_parent_folder, pending);
    EXPECT_EQ(standin::call_count("IShellDispatch::NameSpace"), 1u);
    auto verbs = standin::invoked_verbs();
    ASSERT_EQ(verbs.size(), 1u);
    EXPECT_EQ(verbs[0].verb, u"unpinfromhome");
}

TEST_F(quick_access_pins, UnpinFallsBackToTheParentFolder) {
    // Not listed: the Quick Access objects are released before the parent folder is opened.
    standin::put_named_folder(quick_access_folder, {});
    access_request request(unpin_mode);
    result_t result = run(request);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.found, 0u);
    EXPECT_EQ(result.used_parent_folder, 1u);
    EXPECT_EQ(result.hr_item, 0);
    EXPECT_EQ(result.steps, 0x39Fu);
    std::vector<std::string> log = com_calls();
    auto released = std::find(log.begin(), log.end(), "FolderItems::Release");
    auto reopened = std::find(released, log.end(), "IShellDispatch::NameSpace");
    EXPECT_NE(reopened, log.end());
    ASSERT_EQ(standin::invoked_verbs().size(), 1u);
    EXPECT_EQ(standin::invoked_verbs()[0].verb, u"unpinfromhome");

    // The Quick Access folder fails with exactly E_POINTER: the same fallback.
    standin::reset();
    arrange();
    standin::fail("IShellDispatch::NameSpace", E_POINTER, 1);
    result = run(request);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hr_namespace, QUORVEN_NATIVE_HR_POINTER);
    EXPECT_EQ(result.hr_items, pending);
    EXPECT_EQ(result.used_parent_folder, 1u);
    EXPECT_EQ(result.steps, 0x387u);

    // Any other failure ends the call.
    standin::reset();
    arrange();
    standin::fail("IShellDispatch::NameSpace", E_FAIL, 1);
    result = run(request);
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hresult, E_FAIL);
    EXPECT_EQ(result.used_parent_folder, 0u);
}

TEST_F(quick_access_pins, ParentFolderOrItemNotFound) {
    access_request request(pin_mode);
    request.parent_folder = u"C:\\Missing";
    result_t result = run(request);
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.hr_parent_folder, 0);
    EXPECT_EQ(result.steps, 0x83u);

    access_request unknown(pin_mode);
    unknown.item_name = u"Missing";
    result = run(unknown);
    EXPECT_EQ(result.status, 7u);
    EXPECT_EQ(result.hresult, 0);
    EXPECT_EQ(result.hr_parse_name, 0);
    EXPECT_EQ(result.steps, 0x183u);
    EXPECT_TRUE(standin::invoked_verbs().empty());
}

TEST_F(quick_access_pins, FailureAtEveryStep) {
    const int32_t fail = E_FAIL;
    using f = step_failure<result_t>;
    // Unpin of a path Quick Access does not list reaches every step but the pinned property.
    std::vector<f> failures = {
        {"CoInitializeEx", 1, fails(E_OUTOFMEMORY), &result_t::hr_com_init, E_OUTOFMEMORY, 4,
         0x001},
        {"CoCreateInstance", 1, fails(REGDB_E_CLASSNOTREG), &result_t::hr_create_shell,
         REGDB_E_CLASSNOTREG, 5, 0x003},
        {"IShellDispatch::NameSpace", 1, empty_success(), &result_t::hr_namespace, 0, 7, 0x007},
        {"Folder::Items", 1, fails(fail), &result_t::hr_items, fail, 7, 0x00F},
        {"FolderItems::get_Count", 1, fails(fail), &result_t::hr_item, fail, 7, 0x01F},
        {"FolderItems::Item", 2, fails(fail), &result_t::hr_item, fail, 7, 0x03F},
        {"FolderItems::Item", 1, empty_success(), &result_t::hr_item, 0, 7, 0x01F},
        {"IShellDispatch::NameSpace", 2, fails(fail), &result_t::hr_parent_folder, fail, 7, 0x0BF},
        {"Folder::ParseName", 1, fails(fail), &result_t::hr_parse_name, fail, 7, 0x1BF},
        {"FolderItem::InvokeVerb", 1, fails(E_ACCESSDENIED), &result_t::hr_invoke_verb,
         E_ACCESSDENIED, 7, 0x3BF},
    };
    expect_each_step_failure<result_t>(
        *this, [] { arrange(); },
        [] {
            access_request request(unpin_mode);
            request.path = u"C:\\Elsewhere";
            return quick_access(request);
        },
        failures);

    // What the pinned-state step meets never fails the call.
    const std::pair<const char*, standin::outcome> property_failures[] = {
        {"FolderItem::QueryInterface", fails(E_NOINTERFACE)},
        {"FolderItem::QueryInterface", empty_success()},
        {"FolderItem2::ExtendedProperty", fails(E_NOTIMPL)},
        {"VariantToBoolean", fails(fail)},
    };
    for (const auto& [method, what] : property_failures) {
        SCOPED_TRACE(method);
        standin::reset();
        arrange();
        standin::script(method, 1, what);
        access_request request(query_mode);
        result_t result = run(request);
        EXPECT_EQ(result.status, 0u);
        EXPECT_EQ(result.found, 1u);
        EXPECT_EQ(result.pin_state, 0u);
        int32_t expected = what.what == standin::outcome::kind::empty  ? QUORVEN_NATIVE_HR_POINTER
                           : std::string(method) == "VariantToBoolean" ? hr_type_mismatch
                                                                       : what.hr;
        EXPECT_EQ(result.hr_pinned_property, expected);
    }
}

}  // namespace
}  // namespace native_test
