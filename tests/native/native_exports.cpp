#include "native_exports.h"

#include <cstddef>
#include <cstring>

#include "host_records.h"
#include "quorven/native.h"
#include "win_standin/shell_automation_script.h"

namespace native_test {
namespace {

using kind = request_field::kind;

const std::u16string link_path = u"C:\\Users\\ada\\Desktop\\Editor.lnk";

template <typename Record>
void put_record(std::vector<uint8_t>& bytes, uint32_t offset, const Record& record) {
    std::memcpy(bytes.data() + offset, &record, sizeof record);
}

template <typename Request, typename Result, uint32_t (*Export)(const Request*, Result*)>
uint32_t untyped(const void* request, void* result) {
    return Export(static_cast<const Request*>(request), static_cast<Result*>(result));
}

// A new request and result record: header filled, every other byte zero.
void start(prepared_call& call, uint32_t request_size, uint32_t result_size, uint32_t version) {
    call.request.assign(request_size, 0);
    call.result.assign(result_size, 0xAB);
    const uint32_t request_header[] = {request_size, version};
    const uint32_t result_header[] = {result_size, version};
    std::memcpy(call.request.data(), request_header, sizeof request_header);
    std::memcpy(call.result.data(), result_header, sizeof result_header);
}

void put_u32(prepared_call& call, uint32_t offset, uint32_t value) {
    put_record(call.request, offset, value);
}

void put_sample_link() {
    standin::put_link_file(link_path, sample_link_file());
}

// The checked fields of a quorven_shortcut_request_v2 read request that lies at `base`.
std::vector<request_field> read_request_fields(uint32_t base, std::vector<uint32_t> modes) {
    std::vector<request_field> fields = {
        {kind::u32_one_of, base + 8, 0, std::move(modes)},
        {kind::zero, base + 12, 4},
        {kind::required_string, base + 16},
        {kind::zero, base + 112, 32},
    };
    for (uint32_t value = 32; value <= 96; value += 16) {
        fields.push_back({kind::buffer, base + value});
    }
    return fields;
}

void fill_read_request(prepared_call& call, uint32_t base, uint32_t mode) {
    const uint32_t header[] = {QUORVEN_SHORTCUT_REQUEST_V2_SIZE, QUORVEN_SHORTCUT_RECORD_VERSION,
                               mode};
    std::memcpy(call.request.data() + base, header, sizeof header);
    call.put_string(base + 16, link_path);
    for (uint32_t value = 32; value <= 96; value += 16) {
        call.put_buffer(base + value, 300);
    }
}

const std::vector<uint32_t> read_result_steps = {20, 24, 28, 32, 56, 60, 64, 68, 72};

// The checked fields of the v1 requests with a mode and two strings at 16 and 32.
std::vector<request_field> v1_request_fields(std::vector<uint32_t> modes, kind strings,
                                             uint32_t reserved_offset) {
    return {{kind::u32_one_of, 8, 0, std::move(modes)},
            {kind::zero, 12, 4},
            {strings, 16},
            {strings, 32},
            {kind::zero, reserved_offset, 32}};
}

// A Recycle Bin item as the shell lists it, deleted from `folder`.
standin::shell_item deleted_item(const std::u16string& name, const std::u16string& folder) {
    standin::shell_item item;
    item.name = name;
    item.path = u"C:\\$Recycle.Bin\\S-1-5-21\\$R" + name;
    item.properties[u"System.Recycle.DeletedFrom"] = standin::text_property(folder);
    return item;
}

}  // namespace

standin::link_file sample_link_file() {
    standin::link_file file;
    file.target = u"%ProgramFiles%\\Editor\\editor.exe";
    file.description = u"Text editor";
    file.arguments = u"--new-window";
    file.working_directory = u"C:\\Users\\ada";
    file.icon_path = u"C:\\Icons\\editor.ico";
    file.icon_index = 3;
    return file;
}

void prepared_call::put_string(uint32_t offset, const std::u16string& text) {
    texts.push_back(std::make_unique<std::u16string>(text));
    put_record(request, offset, native_records::string_of(*texts.back()));
}

void prepared_call::put_buffer(uint32_t offset, uint32_t capacity) {
    texts.push_back(std::make_unique<std::u16string>(capacity, u'#'));
    quorven_utf16_buffer buffer{};
    buffer.pointer = capacity == 0 ? 0 : QUORVEN_NATIVE_PTR_TO_U64(texts.back()->data());
    buffer.capacity = capacity;
    put_record(request, offset, buffer);
}

const std::vector<native_export>& native_exports() {
    static const std::vector<native_export> all = {
        {"quorven_shortcut_read_v2", QUORVEN_SHORTCUT_REQUEST_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION, QUORVEN_SHORTCUT_READ_RESULT_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION,
         read_request_fields(0, {QUORVEN_SHORTCUT_MODE_FULL, QUORVEN_SHORTCUT_MODE_COMPACT}),
         read_result_steps,
         untyped<quorven_shortcut_request_v2, quorven_shortcut_read_result_v2,
                 quorven_shortcut_read_v2>,
         [](prepared_call& call) {
             put_sample_link();
             start(call, QUORVEN_SHORTCUT_REQUEST_V2_SIZE, QUORVEN_SHORTCUT_READ_RESULT_V2_SIZE,
                   QUORVEN_SHORTCUT_RECORD_VERSION);
             fill_read_request(call, 0, QUORVEN_SHORTCUT_MODE_COMPACT);
         }},
        {"quorven_shortcut_resolve_no_ui_v2", QUORVEN_SHORTCUT_RESOLVE_REQUEST_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION, QUORVEN_SHORTCUT_READ_RESULT_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION,
         [] {
             std::vector<request_field> fields = {
                 {kind::u32_at_most, 8, 0, {QUORVEN_SHORTCUT_MAX_TIMEOUT_MS}},
                 {kind::zero, 12, 4},
                 {kind::u32_one_of, 16, 0, {QUORVEN_SHORTCUT_REQUEST_V2_SIZE}},
                 {kind::u32_one_of, 20, 0, {QUORVEN_SHORTCUT_RECORD_VERSION}},
                 {kind::zero, 160, 32},
             };
             for (const request_field& f : read_request_fields(16, {QUORVEN_SHORTCUT_MODE_FULL})) {
                 fields.push_back(f);
             }
             return fields;
         }(),
         read_result_steps,
         untyped<quorven_shortcut_resolve_request_v2, quorven_shortcut_read_result_v2,
                 quorven_shortcut_resolve_no_ui_v2>,
         [](prepared_call& call) {
             put_sample_link();
             start(call, QUORVEN_SHORTCUT_RESOLVE_REQUEST_V2_SIZE,
                   QUORVEN_SHORTCUT_READ_RESULT_V2_SIZE, QUORVEN_SHORTCUT_RECORD_VERSION);
             put_u32(call, 8, 3000);
             fill_read_request(call, 16, QUORVEN_SHORTCUT_MODE_FULL);
         }},
        {"quorven_shortcut_resolve_with_ui_v2",
         QUORVEN_SHORTCUT_RESOLVE_UI_REQUEST_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION,
         QUORVEN_SHORTCUT_RESOLVE_UI_RESULT_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION,
         {{kind::zero, 8, 8}, {kind::required_string, 16}, {kind::zero, 40, 24}},
         {20, 24, 28, 32},
         untyped<quorven_shortcut_resolve_ui_request_v2, quorven_shortcut_resolve_ui_result_v2,
                 quorven_shortcut_resolve_with_ui_v2>,
         [](prepared_call& call) {
             put_sample_link();
             start(call, QUORVEN_SHORTCUT_RESOLVE_UI_REQUEST_V2_SIZE,
                   QUORVEN_SHORTCUT_RESOLVE_UI_RESULT_V2_SIZE, QUORVEN_SHORTCUT_RECORD_VERSION);
             call.put_string(16, link_path);
         }},
        {"quorven_shortcut_write_v2",
         QUORVEN_SHORTCUT_REQUEST_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION,
         QUORVEN_SHORTCUT_WRITE_RESULT_V2_SIZE,
         QUORVEN_SHORTCUT_RECORD_VERSION,
         {{kind::u32_one_of, 8, 0, {QUORVEN_SHORTCUT_MODE_WRITE}},
          {kind::required_string, 16},
          {kind::required_string, 32},
          {kind::optional_string, 48},
          {kind::optional_string, 64},
          {kind::optional_string, 80},
          {kind::optional_string, 96},
          {kind::zero, 112, 32}},
         {20, 24, 28, 40, 44, 48, 52, 56},
         untyped<quorven_shortcut_request_v2, quorven_shortcut_write_result_v2,
                 quorven_shortcut_write_v2>,
         [](prepared_call& call) {
             start(call, QUORVEN_SHORTCUT_REQUEST_V2_SIZE, QUORVEN_SHORTCUT_WRITE_RESULT_V2_SIZE,
                   QUORVEN_SHORTCUT_RECORD_VERSION);
             put_u32(call, 12, 2);  // icon index
             call.put_string(16, link_path);
             call.put_string(32, u"C:\\Tools\\editor.exe");
             call.put_string(48, u"Editor");
             call.put_string(64, u"--new-window");
             call.put_string(80, u"C:\\Users\\ada");
             call.put_string(96, u"C:\\Icons\\editor.ico");
         }},
        {"quorven_explorer_shell_launch_v1",
         QUORVEN_EXPLORER_SHELL_LAUNCH_REQUEST_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         QUORVEN_EXPLORER_SHELL_LAUNCH_RESULT_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         {{kind::zero, 8, 8},
          {kind::required_string, 16},
          {kind::optional_string, 32},
          {kind::required_string, 48},
          {kind::zero, 64, 32}},
         {20, 24, 28, 32, 36, 40, 44},
         untyped<quorven_explorer_shell_launch_request_v1, quorven_explorer_shell_launch_result_v1,
                 quorven_explorer_shell_launch_v1>,
         [](prepared_call& call) {
             start(call, QUORVEN_EXPLORER_SHELL_LAUNCH_REQUEST_V1_SIZE,
                   QUORVEN_EXPLORER_SHELL_LAUNCH_RESULT_V1_SIZE, QUORVEN_NATIVE_V1_RECORD_VERSION);
             call.put_string(16, u"C:\\Tools\\editor.exe");
             call.put_string(32, u"C:\\Work");
             call.put_string(48, u"open");
         }},
        // Restoring the one item of three that matches: every step, and the scan past the others.
        {"quorven_recycle_bin_v1",
         QUORVEN_RECYCLE_BIN_REQUEST_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         QUORVEN_RECYCLE_BIN_RESULT_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         v1_request_fields({QUORVEN_RECYCLE_BIN_MODE_COUNT, QUORVEN_RECYCLE_BIN_MODE_RESTORE},
                           kind::required_string, 48),
         {20, 24, 28, 32, 36, 40, 44, 48},
         untyped<quorven_recycle_bin_request_v1, quorven_recycle_bin_result_v1,
                 quorven_recycle_bin_v1>,
         [](prepared_call& call) {
             standin::put_numbered_folder(10, {deleted_item(u"report.txt", u"C:\\Other"),
                                               deleted_item(u"notes.txt", u"C:\\Data"),
                                               deleted_item(u"report.txt", u"C:\\Data")});
             start(call, QUORVEN_RECYCLE_BIN_REQUEST_V1_SIZE, QUORVEN_RECYCLE_BIN_RESULT_V1_SIZE,
                   QUORVEN_NATIVE_V1_RECORD_VERSION);
             put_u32(call, 8, QUORVEN_RECYCLE_BIN_MODE_RESTORE);
             call.put_string(16, u"C:\\Data");
             call.put_string(32, u"report.txt");
         }},
        // Unpinning a path an empty Quick Access does not list goes through the parent folder:
        // every step but the path and pinned-state ones.
        {"quorven_quick_access_v1",
         QUORVEN_QUICK_ACCESS_REQUEST_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         QUORVEN_QUICK_ACCESS_RESULT_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         {{kind::u32_one_of,
           8,
           0,
           {QUORVEN_QUICK_ACCESS_MODE_QUERY, QUORVEN_QUICK_ACCESS_MODE_PIN,
            QUORVEN_QUICK_ACCESS_MODE_UNPIN}},
          {kind::zero, 12, 4},
          {kind::required_string, 16},
          {kind::optional_string, 32},
          {kind::optional_string, 48},
          {kind::zero, 64, 32}},
         {20, 24, 28, 32, 36, 40, 44, 48, 52, 56},
         untyped<quorven_quick_access_request_v1, quorven_quick_access_result_v1,
                 quorven_quick_access_v1>,
         [](prepared_call& call) {
             standin::put_named_folder(u"shell:::{679F85CB-0220-4080-B29B-5540CC05AAB6}", {});
             standin::shell_item reports;
             reports.name = u"Reports";
             reports.path = u"C:\\Data\\Reports";
             standin::put_named_folder(u"C:\\Data", {reports});
             start(call, QUORVEN_QUICK_ACCESS_REQUEST_V1_SIZE, QUORVEN_QUICK_ACCESS_RESULT_V1_SIZE,
                   QUORVEN_NATIVE_V1_RECORD_VERSION);
             put_u32(call, 8, QUORVEN_QUICK_ACCESS_MODE_UNPIN);
             call.put_string(16, u"C:\\Data\\Reports");
             call.put_string(32, u"C:\\Data");
             call.put_string(48, u"Reports");
         }},
        // Setting the device volume. The session steps are left to music_volume_test: a session
        // whose calls fail is skipped, which is no failure of the call.
        {"quorven_music_volume_v1",
         QUORVEN_MUSIC_VOLUME_REQUEST_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         QUORVEN_MUSIC_VOLUME_RESULT_V1_SIZE,
         QUORVEN_NATIVE_V1_RECORD_VERSION,
         v1_request_fields(
             {QUORVEN_MUSIC_VOLUME_MODE_READ_BOTH, QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE,
              QUORVEN_MUSIC_VOLUME_MODE_SET_DEVICE, QUORVEN_MUSIC_VOLUME_MODE_SET_APPLICATION},
             kind::optional_string, 56),
         {24, 28, 32, 36, 40},
         untyped<quorven_music_volume_request_v1, quorven_music_volume_result_v1,
                 quorven_music_volume_v1>,
         [](prepared_call& call) {
             start(call, QUORVEN_MUSIC_VOLUME_REQUEST_V1_SIZE, QUORVEN_MUSIC_VOLUME_RESULT_V1_SIZE,
                   QUORVEN_NATIVE_V1_RECORD_VERSION);
             put_u32(call, 8, QUORVEN_MUSIC_VOLUME_MODE_SET_DEVICE);
             const double level = 0.5;
             put_record(call.request, 48, level);
         }},
    };
    return all;
}

}  // namespace native_test
