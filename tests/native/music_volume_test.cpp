// quorven_music_volume_v1 against the scripted Core Audio and process queries: the request
// checks, the session cascade, name keys, volume values, and failures at every step.

#include <cmath>
#include <functional>
#include <limits>

#include "music_volume/name_key.h"
#include "native_fixture.h"
#include "win_standin/core_audio_script.h"

namespace native_test {
namespace {

using standin::audio_session;
using volume_result = quorven_music_volume_result_v1;

constexpr uint32_t read_both = QUORVEN_MUSIC_VOLUME_MODE_READ_BOTH;
constexpr uint32_t read_device = QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE;
constexpr uint32_t set_device = QUORVEN_MUSIC_VOLUME_MODE_SET_DEVICE;
constexpr uint32_t set_application = QUORVEN_MUSIC_VOLUME_MODE_SET_APPLICATION;

audio_session session(std::u16string display_name, DWORD process_id,
                      std::u16string image_path = u"", std::u16string identifier = u"",
                      std::u16string instance_identifier = u"") {
    audio_session out;
    out.display_name = std::move(display_name);
    out.identifier = std::move(identifier);
    out.instance_identifier = std::move(instance_identifier);
    out.process_id = process_id;
    out.image_path = std::move(image_path);
    return out;
}

audio_session system_sounds(DWORD process_id = 0) {
    audio_session out = session(u"@%SystemRoot%\\System32\\AudioSrv.Dll,-202", process_id);
    out.system_sounds = true;
    return out;
}

class music_volume : public native_fixture {
  protected:
    // Runs the export with the request as the test left it; checks that it returns what it
    // stores and leaves nothing behind.
    volume_result run(uint32_t mode, double level = 0.0) {
        record_.size = QUORVEN_MUSIC_VOLUME_REQUEST_V1_SIZE;
        record_.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
        record_.mode = mode;
        record_.level = level;
        record_.app_identifier = string_of(identifier_);
        record_.app_name = string_of(name_);
        auto result = fresh_result<volume_result>(QUORVEN_NATIVE_V1_RECORD_VERSION);
        EXPECT_EQ(quorven_music_volume_v1(&record_, &result), result.status);
        EXPECT_EQ(result.succeeded, result.status == 0 ? 1u : 0u);
        expect_nothing_left_behind();
        EXPECT_EQ(standin::snapshot().task_blocks_live, 0) << "session strings not freed";
        EXPECT_EQ(standin::process_handles_live(), 0) << "process handles not closed";
        return result;
    }

    // Gives each session a volume of its own, so that a read tells which one was chosen.
    static void use_sessions(std::vector<audio_session> sessions) {
        for (size_t i = 0; i < sessions.size(); ++i) {
            sessions[i].volume = 0.125f * static_cast<float>(i + 1);
        }
        standin::set_audio_sessions(sessions);
    }
    static double volume_of(int index) { return 0.125 * (index + 1); }

    std::u16string identifier_;
    std::u16string name_;
    quorven_music_volume_request_v1 record_{};
};

TEST_F(music_volume, RequestChecks) {
    struct check {
        const char* name;
        uint32_t status;
        std::function<void(quorven_music_volume_request_v1&)> change;
    };
    std::u16string with_zero(u"ab\0c", 4);
    const check checks[] = {
        {"size", 2, [](auto& r) { r.size = 96; }},
        {"version", 2, [](auto& r) { r.version = 2; }},
        {"version before fields", 2, [](auto& r) { r.version = 0, r.reserved0 = 1, r.mode = 9; }},
        {"reserved0", 1, [](auto& r) { r.reserved0 = 1; }},
        {"reserved1", 1, [](auto& r) { r.reserved1[3] = 1; }},
        {"mode 0", 1, [](auto& r) { r.mode = 0; }},
        {"mode 5", 1, [](auto& r) { r.mode = 5; }},
        {"identifier reserved", 1, [](auto& r) { r.app_identifier.reserved = 1; }},
        {"identifier without pointer", 1, [](auto& r) { r.app_identifier.pointer = 0; }},
        {"name pointer without length", 1, [](auto& r) { r.app_name.length = 0; }},
        {"name too long", 1, [](auto& r) { r.app_name.length = 32768; }},
        {"name with a 0 unit", 1, [&](auto& r) { r.app_name = string_of(with_zero); }},
    };
    identifier_ = u"Vendor.App";
    name_ = u"Player";
    for (const check& each : checks) {
        SCOPED_TRACE(each.name);
        standin::reset();
        quorven_music_volume_request_v1 request{};
        request.size = QUORVEN_MUSIC_VOLUME_REQUEST_V1_SIZE;
        request.version = 1;
        request.mode = read_both;
        request.app_identifier = string_of(identifier_);
        request.app_name = string_of(name_);
        each.change(request);
        auto result = fresh_result<volume_result>(1);
        EXPECT_EQ(quorven_music_volume_v1(&request, &result), each.status);

        volume_result expected{};
        expected.size = 104;
        expected.version = 1;
        expected.status = each.status;
        expected.hresult = invalid_arg;
        expected.hr_com_init = expected.hr_create_enumerator = expected.hr_default_endpoint =
            expected.hr_endpoint_volume = expected.hr_session = pending;
        EXPECT_EQ(std::memcmp(&expected, &result, sizeof result), 0);
        EXPECT_TRUE(standin::call_log().empty());
    }
    auto result = fresh_result<volume_result>(1);
    EXPECT_EQ(quorven_music_volume_v1(nullptr, &result), 1u);
    result.version = 2;
    auto before = result;
    EXPECT_EQ(quorven_music_volume_v1(&record_, &result), 2u);
    EXPECT_EQ(std::memcmp(&before, &result, sizeof result), 0);
}

// Modes 2 and 3 validate the strings and otherwise leave the sessions alone.
TEST_F(music_volume, DeviceModesReadAndSetOnlyTheDevice) {
    use_sessions({session(u"Foo Player", 10)});
    name_ = u"Foo Player";
    standin::set_endpoint_volume(0.75f);
    auto read = run(read_device);
    EXPECT_EQ(read.status, 0u);
    EXPECT_EQ(read.steps, 0x0Fu);
    EXPECT_EQ(read.endpoint_volume, 0.75);
    EXPECT_EQ(read.hr_endpoint_volume, 0);
    EXPECT_EQ(read.hr_session, pending);
    EXPECT_EQ(read.match_kind, 0u);

    auto set = run(set_device, 0.25);
    EXPECT_EQ(set.status, 0u);
    EXPECT_EQ(set.steps, 0x0Fu);
    EXPECT_EQ(set.endpoint_volume, 0.25);
    EXPECT_EQ(set.hr_session, pending);
    EXPECT_EQ(standin::endpoint_volume(), 0.25f);
    EXPECT_EQ(standin::call_count("IMMDevice::Activate"), 2u);
    EXPECT_EQ(standin::call_count("IAudioSessionManager2::GetSessionEnumerator"), 0u);
    EXPECT_EQ(standin::last_arguments("IAudioEndpointVolume::SetMasterVolumeLevelScalar"),
              (std::vector<int64_t>{1}))
        << "the event context is the all-zero GUID";
}

// The arguments of every call and the order of the releases, for a full mode 1 call.
TEST_F(music_volume, ReadBothPassesTheDocumentedArguments) {
    use_sessions({session(u"", 4321, u"C:\\Apps\\Foo Player.exe")});
    name_ = u"foo player";
    auto result = run(read_both);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.steps, 0x3Fu);
    EXPECT_EQ(result.match_kind, 4u);
    EXPECT_EQ(result.session_volume, volume_of(0));
    EXPECT_EQ(result.endpoint_volume, 1.0);
    EXPECT_EQ(standin::last_arguments("CoInitializeEx"), (std::vector<int64_t>{0, 0}));
    EXPECT_EQ(standin::last_arguments("CoCreateInstance"), (std::vector<int64_t>{0x17, 0}));
    EXPECT_EQ(standin::call_count("IMMDeviceEnumerator::GetDefaultAudioEndpoint"), 2u);
    EXPECT_EQ(standin::last_arguments("IMMDeviceEnumerator::GetDefaultAudioEndpoint"),
              (std::vector<int64_t>{0, 1}));
    EXPECT_EQ(standin::last_arguments("IMMDevice::Activate"), (std::vector<int64_t>{0x17, 0}));
    EXPECT_EQ(standin::last_arguments("OpenProcess"), (std::vector<int64_t>{0x1000, 0, 4321}));
    EXPECT_EQ(standin::last_arguments("QueryFullProcessImageNameW"),
              (std::vector<int64_t>{0, 32768, 1}));
    std::vector<std::string> log = com_calls();
    std::vector<std::string> tail(log.end() - 6, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ISimpleAudioVolume::GetMasterVolume",
                                              "ISimpleAudioVolume::Release", "IMMDevice::Release",
                                              "IMMDevice::Release", "IMMDeviceEnumerator::Release",
                                              "CoUninitialize"}));
}

TEST_F(music_volume, SessionCascade) {
    struct scenario {
        const char* name;
        std::u16string identifier, app_name;
        std::vector<audio_session> sessions;
        uint32_t match_kind;  // 0: none chosen
        int chosen;
    };
    const std::u16string player = u"C:\\Program Files\\Foo\\FooPlayer.exe";
    const scenario scenarios[] = {
        {"rule 1",
         u"Vendor.App_1abc!Main",
         u"",
         {session(u"", 0, u"", u"{0.0.0}|#%b{Vendor.App_1abc!Main}")},
         1,
         0},
        {"rule 2",
         u"Vendor.App",
         u"",
         {session(u"", 0, u"", u"x", u"{1}|vendor app|instance")},
         2,
         0},
        {"rule 3", u"", u"Foo Player", {session(u"The FOO-PLAYER", 0)}, 3, 0},
        {"rule 4", u"", u"Foo Player", {session(u"", 7, player)}, 4, 0},
        {"rule 5", u"com.foo.fooplayer.desktop", u"", {session(u"", 7, player)}, 5, 0},
        {"rule 6", u"", u"Foo Player", {session(u"", 0, u"", u"|foo player|")}, 6, 0},
        {"rule 1 before rule 3", u"id.one", u"Foo", {session(u"foo", 0, u"", u"{id.one}")}, 1, 0},
        {"rule 4 before rule 6", u"", u"Foo Player", {session(u"", 7, player, u"FooPlayer")}, 4, 0},
        {"first matching session wins",
         u"id.one",
         u"Foo",
         {session(u"", 0, u"", u"foo"), session(u"", 0, u"", u"id.one")},
         6,
         0},
        {"three characters suffice", u"", u"Foo", {session(u"foo", 0)}, 3, 0},
        {"two characters never match",
         u"ab",
         u"a-b",
         {session(u"ab", 1), session(u"", 2, u"C:\\ab.exe", u"ab")},
         0,
         -1},
        {"short executable name never contained",
         u"xaby",
         u"",
         {session(u"", 1, u"C:\\ab.exe"), session(u"", 2)},
         0,
         -1},
        {"both strings empty, one candidate", u"", u"", {session(u"Music", 5)}, 7, 0},
        {"system sounds never chosen", u"", u"AudioSrv", {system_sounds(12)}, 0, -1},
        {"system sounds beside one candidate",
         u"",
         u"",
         {system_sounds(), session(u"Music", 5)},
         7,
         1},
        {"process id 0 may match", u"", u"Music", {session(u"Music", 0)}, 3, 0},
        {"process id 0 is never the fallback", u"", u"", {session(u"Music", 0)}, 0, -1},
        {"two candidates, no match",
         u"",
         u"Radio",
         {session(u"Music", 5), session(u"Video", 6)},
         0,
         -1},
        {"ill-formed display name counts as empty",
         u"",
         u"Foo",
         {session(std::u16string(u"Foo\xD800", 4), 0)},
         0,
         -1},
    };
    for (const scenario& each : scenarios) {
        SCOPED_TRACE(each.name);
        identifier_ = each.identifier;
        name_ = each.app_name;

        standin::reset();
        use_sessions(each.sessions);
        auto read = run(read_both);
        EXPECT_EQ(read.status, 0u);
        EXPECT_EQ(read.match_kind, each.match_kind);
        EXPECT_EQ(read.session_volume_valid, each.chosen >= 0 ? 1u : 0u);
        EXPECT_EQ(read.hr_session, each.chosen >= 0 ? 0 : 1);
        EXPECT_EQ(read.session_volume, each.chosen >= 0 ? volume_of(each.chosen) : 0.0);
        EXPECT_EQ(read.steps, each.chosen >= 0 ? 0x3Fu : 0x1Fu);

        standin::reset();
        use_sessions(each.sessions);
        auto set = run(set_application, 0.0625);
        EXPECT_EQ(set.status, each.chosen >= 0 ? 0u : 7u);
        EXPECT_EQ(set.hresult, each.chosen >= 0 ? 0 : 1);
        EXPECT_EQ(set.match_kind, each.match_kind);
        for (size_t i = 0; i < each.sessions.size(); ++i) {
            EXPECT_EQ(standin::audio_session_volume(i),
                      static_cast<int>(i) == each.chosen ? 0.0625f : volume_of(int(i)));
        }
    }
}

TEST_F(music_volume, VolumeValuesAreClampedBothWays) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[][2] = {{0.3, 0.3}, {1.5, 1.0}, {-0.2, 0.0}, {-0.0, 0.0},
                                {NAN, 0.0}, {inf, 0.0}, {-inf, 0.0}};
    name_ = u"Music";
    for (const auto& [given, expected] : values) {
        SCOPED_TRACE(given);
        standin::reset();
        use_sessions({session(u"Music", 3)});
        auto device = run(set_device, given);
        EXPECT_EQ(device.endpoint_volume, expected);
        EXPECT_FALSE(std::signbit(device.endpoint_volume));
        EXPECT_EQ(standin::endpoint_volume(), static_cast<float>(expected));
        auto application = run(set_application, given);
        EXPECT_EQ(application.session_volume, expected);
        EXPECT_EQ(standin::audio_session_volume(0), static_cast<float>(expected));

        // The same values read back from the system.
        auto stored = static_cast<float>(given);
        standin::set_endpoint_volume(stored);
        audio_session playing = session(u"Music", 3);
        playing.volume = stored;
        standin::set_audio_sessions({playing});
        auto read = run(read_both);
        EXPECT_EQ(read.endpoint_volume, static_cast<double>(static_cast<float>(expected)));
        EXPECT_EQ(read.session_volume, static_cast<double>(static_cast<float>(expected)));
    }
}

// Each step failing in turn, or handing back nothing: the status, the HRESULT, the step field
// and the steps started, with everything released (checked by run()).
TEST_F(music_volume, FailureAtEveryStep) {
    const HRESULT e_fail = E_FAIL;
    struct scenario {
        uint32_t mode;
        const char* method;
        unsigned call;
        bool empty;
        uint32_t status;
        int32_t hresult;
        int32_t volume_result::*field;
        int32_t field_value;
        uint32_t steps;
    };
    using r = volume_result;
    const scenario scenarios[] = {
        {set_application, "CoInitializeEx", 1, false, 4, e_fail, &r::hr_com_init, e_fail, 0x01},
        {set_application, "CoCreateInstance", 1, false, 5, e_fail, &r::hr_create_enumerator, e_fail,
         0x03},
        {set_application, "CoCreateInstance", 1, true, 5, 0, &r::hr_create_enumerator, 0, 0x03},
        {set_application, "IMMDeviceEnumerator::GetDefaultAudioEndpoint", 1, false, 7, e_fail,
         &r::hr_default_endpoint, e_fail, 0x07},
        {set_application, "IMMDeviceEnumerator::GetDefaultAudioEndpoint", 1, true, 7, 0,
         &r::hr_default_endpoint, 0, 0x07},
        {set_application, "IMMDevice::Activate", 1, false, 7, e_fail, &r::hr_session, e_fail, 0x17},
        {set_application, "IMMDevice::Activate", 1, true, 7, 1, &r::hr_session, 0, 0x17},
        {set_application, "IAudioSessionManager2::GetSessionEnumerator", 1, false, 7, e_fail,
         &r::hr_session, e_fail, 0x17},
        {set_application, "IAudioSessionManager2::GetSessionEnumerator", 1, true, 7, 1,
         &r::hr_session, 0, 0x17},
        {set_application, "IAudioSessionEnumerator::GetCount", 1, false, 7, e_fail, &r::hr_session,
         e_fail, 0x17},
        {set_application, "ISimpleAudioVolume::SetMasterVolume", 1, false, 7, e_fail,
         &r::hr_session, e_fail, 0x37},
        {set_device, "IMMDevice::Activate", 1, false, 7, e_fail, &r::hr_endpoint_volume, e_fail,
         0x0F},
        {set_device, "IMMDevice::Activate", 1, true, 7, 0, &r::hr_endpoint_volume, 0, 0x0F},
        {set_device, "IAudioEndpointVolume::SetMasterVolumeLevelScalar", 1, false, 7, e_fail,
         &r::hr_endpoint_volume, e_fail, 0x0F},
        // Mode 1 records what failed and still succeeds.
        {read_both, "IMMDevice::Activate", 1, false, 0, 0, &r::hr_endpoint_volume, e_fail, 0x3F},
        {read_both, "IMMDevice::Activate", 1, true, 0, 0, &r::hr_endpoint_volume, 0, 0x3F},
        {read_both, "IAudioEndpointVolume::GetMasterVolumeLevelScalar", 1, false, 0, 0,
         &r::hr_endpoint_volume, e_fail, 0x3F},
        {read_both, "IMMDeviceEnumerator::GetDefaultAudioEndpoint", 2, false, 0, 0, &r::hr_session,
         e_fail, 0x0F},
        {read_both, "IMMDeviceEnumerator::GetDefaultAudioEndpoint", 2, true, 0, 0, &r::hr_session,
         0, 0x0F},
        {read_both, "IMMDevice::Activate", 2, false, 0, 0, &r::hr_session, e_fail, 0x1F},
        {read_both, "ISimpleAudioVolume::GetMasterVolume", 1, false, 0, 0, &r::hr_session, e_fail,
         0x3F},
    };
    name_ = u"Music";
    for (const scenario& each : scenarios) {
        SCOPED_TRACE(std::string(each.method) + " #" + std::to_string(each.call) + " mode " +
                     std::to_string(each.mode) + (each.empty ? " empty" : ""));
        standin::reset();
        use_sessions({session(u"Music", 3, u"C:\\music.exe")});
        standin::script(each.method, each.call,
                        each.empty
                            ? standin::outcome{standin::outcome::kind::empty, S_OK, false}
                            : standin::outcome{standin::outcome::kind::result, e_fail, true});
        auto result = run(each.mode, 0.5);
        EXPECT_EQ(result.status, each.status);
        EXPECT_EQ(result.hresult, each.hresult);
        EXPECT_EQ(result.*each.field, each.field_value);
        EXPECT_EQ(result.steps, each.steps);
    }
}

// A session that fails somewhere is skipped or loses one text; the call goes on.
TEST_F(music_volume, PerSessionFailuresOnlyAffectThatSession) {
    struct scenario {
        const char* method;
        standin::outcome what;
        uint32_t match_kind;  // 4: the first session by its executable, 7: the second one
    };
    const standin::outcome failure{standin::outcome::kind::result, E_FAIL, true};
    const standin::outcome empty{standin::outcome::kind::empty, S_OK, false};
    const scenario scenarios[] = {
        {"IAudioSessionEnumerator::GetSession", failure, 7},
        {"IAudioSessionEnumerator::GetSession", empty, 7},
        {"IAudioSessionControl::QueryInterface", failure, 7},
        {"IAudioSessionControl::QueryInterface", empty, 7},
        {"IAudioSessionControl2::GetProcessId", failure, 7},  // process id 0: no candidate
        {"OpenProcess", failure, 0},                          // no executable name: two candidates
        {"QueryFullProcessImageNameW", failure, 0},
        {"IAudioSessionControl::GetDisplayName", failure, 4},
        {"IAudioSessionControl2::GetSessionIdentifier", failure, 4},
        {"IAudioSessionControl2::GetSessionInstanceIdentifier", empty, 4},
        {"IAudioSessionControl2::IsSystemSoundsSession", failure, 4},
        {"IAudioSessionControl2::IsSystemSoundsSession",
         {standin::outcome::kind::result, S_OK, false},
         7},
    };
    name_ = u"Foo Player";
    for (const scenario& each : scenarios) {
        SCOPED_TRACE(each.method);
        standin::reset();
        use_sessions({session(u"Music", 10, u"C:\\Apps\\FooPlayer.exe"),
                      session(u"Other", 20, u"C:\\Apps\\other.exe")});
        standin::script(each.method, 1, each.what);
        auto result = run(read_both);
        EXPECT_EQ(result.status, 0u);
        EXPECT_EQ(result.match_kind, each.match_kind);
        EXPECT_EQ(result.hr_session, each.match_kind == 0 ? 1 : 0);
        if (each.match_kind != 0) {
            EXPECT_EQ(result.session_volume, volume_of(each.match_kind == 4 ? 0 : 1));
        }
    }
}

// Running out of memory ends the scan with nothing chosen.
TEST_F(music_volume, OutOfMemoryDuringTheScan) {
    name_ = u"Foo Player";
    for (uint32_t mode : {read_both, set_application}) {
        standin::reset();
        use_sessions({session(u"Music", 10, u"C:\\Apps\\FooPlayer.exe")});
        standin::fail("HeapAlloc", E_OUTOFMEMORY);
        auto result = run(mode);
        EXPECT_EQ(result.status, mode == read_both ? 0u : 7u);
        EXPECT_EQ(result.hresult, mode == read_both ? 0 : E_OUTOFMEMORY);
        EXPECT_EQ(result.hr_session, E_OUTOFMEMORY);
        EXPECT_EQ(result.match_kind, 0u);
    }
}

TEST(name_key, NormalisesThroughIcu) {
    struct example {
        std::u16string text;
        quorven::native::ill_formed_text rule;
        std::u16string key;
    };
    using quorven::native::ill_formed_text;
    const example examples[] = {
        {u"Foo Player.exe (x64)", ill_formed_text::replace, u"fooplayerexex64"},
        {u"Vendor.App_1abc!Main", ill_formed_text::replace, u"vendorapp1abcmain"},
        // Each U+0130 maps to two units, i and a combining dot, which is no letter.
        {u"\u0130\u0130\u0130stanbul", ill_formed_text::replace, u"iiistanbul"},
        {u"\u039F\u0394\u039F\u03A3 \u03A3", ill_formed_text::replace,
         u"\u03BF\u03B4\u03BF\u03C2\u03C3"},  // final sigma
        {u"Stra\u00DFe \u216B\u00B2\u0663", ill_formed_text::replace,
         u"stra\u00DFe\u217B\u00B2\u0663"},                              // Nl, No, Nd kept
        {u"a\U0001D400b\U00010400c", ill_formed_text::replace, u"abc"},  // outside the BMP
        {u"ab\xD800"
         u"cd\xDC00",
         ill_formed_text::replace, u"abcd"},
        {u"ab\xDC00\xD800"
         u"cd",
         ill_formed_text::empty, u""},
        {u"\U0001F3B5 - _ \u3000!", ill_formed_text::replace, u""},
    };
    for (const example& each : examples) {
        quorven::native::name_key key;
        ASSERT_TRUE(key.assign(reinterpret_cast<const uint16_t*>(each.text.data()),
                               static_cast<uint32_t>(each.text.size()), each.rule));
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(key.data()), key.length()),
                  each.key);
    }
}

TEST(name_key, ExecutableNames) {
    const std::pair<std::u16string, std::u16string> names[] = {
        {u"C:\\Apps\\PLAYER.EXE", u"PLAYER"},
        {u"D:/x/player.exe.bak", u"player.exe.bak"},
        {u"C:\\Apps\\", u""},
        {u"player", u"player"},
        {u"C:\\a/b\\c.eXe", u"c"},
        {u".exe", u""},
        {u"C:\\Apps\\exe", u"exe"},
    };
    for (const auto& [path, name] : names) {
        uint32_t first = 0, length = 0;
        quorven::native::executable_name(reinterpret_cast<const uint16_t*>(path.data()),
                                         static_cast<uint32_t>(path.size()), first, length);
        EXPECT_EQ(path.substr(first, length), name) << std::string(path.begin(), path.end());
    }
}

}  // namespace
}  // namespace native_test
