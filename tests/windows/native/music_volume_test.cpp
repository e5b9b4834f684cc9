// quorven_music_volume_v1 against Wine's real Core Audio on its null audio device: the device
// volume is read for real; Wine has no volume setter and no session enumerator, and the export
// must report both where they belong. Every call leaves the thread's apartment and error
// information as it found them.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "host_records.h"
#include "quorven/native.h"

namespace wine_native_test {
namespace {

constexpr int32_t pending = QUORVEN_NATIVE_HR_PENDING;
constexpr int32_t not_implemented = QUORVEN_NATIVE_I32(0x80004001u);

quorven_music_volume_result_v1 run(uint32_t mode, double level = 0.5) {
    std::wstring identifier = L"Vendor.Player_1abc!App";
    std::wstring name = L"Player";
    quorven_music_volume_request_v1 request{};
    request.size = QUORVEN_MUSIC_VOLUME_REQUEST_V1_SIZE;
    request.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
    request.mode = mode;
    request.level = level;
    request.app_identifier = native_records::string_of(identifier);
    request.app_name = native_records::string_of(name);
    quorven_music_volume_result_v1 result;
    std::memset(&result, 0xAB, sizeof result);
    result.size = QUORVEN_MUSIC_VOLUME_RESULT_V1_SIZE;
    result.version = QUORVEN_NATIVE_V1_RECORD_VERSION;
    EXPECT_EQ(quorven_music_volume_v1(&request, &result), result.status);
    EXPECT_EQ(result.succeeded, result.status == 0 ? 1u : 0u);
    return result;
}

class wine_music_volume : public ::testing::Test {
  protected:
    void SetUp() override {
        auto probe = run(QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE);
        if (probe.status == QUORVEN_NATIVE_STATUS_STEP_FAILED && probe.steps == 0x07u) {
            GTEST_SKIP() << "no default audio device (run through scripts/wine-test)";
        }
    }

    // Nothing left on the thread: no error object, and the apartment gone, so that the thread
    // may now join the other kind.
    void TearDown() override {
        IErrorInfo* error = nullptr;
        EXPECT_EQ(GetErrorInfo(0, &error), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    }
};

TEST_F(wine_music_volume, ReadsTheDeviceVolume) {
    auto result = run(QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.steps, 0x0Fu);
    EXPECT_EQ(result.hr_com_init, 0);
    EXPECT_EQ(result.hr_create_enumerator, 0);
    EXPECT_EQ(result.hr_default_endpoint, 0);
    EXPECT_EQ(result.hr_endpoint_volume, 0);
    EXPECT_EQ(result.endpoint_volume, 1.0);
    EXPECT_EQ(result.hr_session, pending);
    EXPECT_EQ(result.match_kind, 0u);
}

// Wine's SetMasterVolumeLevelScalar is not implemented: status 7 with its HRESULT, the volume
// unchanged.
TEST_F(wine_music_volume, SettingTheDeviceVolumeReportsTheSetterFailure) {
    auto result = run(QUORVEN_MUSIC_VOLUME_MODE_SET_DEVICE, 0.25);
    EXPECT_EQ(result.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
    EXPECT_EQ(result.hresult, not_implemented);
    EXPECT_EQ(result.hr_endpoint_volume, not_implemented);
    EXPECT_EQ(result.steps, 0x0Fu);
    EXPECT_EQ(result.endpoint_volume, 0.0);
    EXPECT_EQ(run(QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE).endpoint_volume, 1.0);
}

// Without a session enumerator, mode 1 still reads the device and succeeds; mode 4 fails with
// the enumerator's HRESULT.
TEST_F(wine_music_volume, SessionScanReportsTheMissingEnumerator) {
    auto both = run(QUORVEN_MUSIC_VOLUME_MODE_READ_BOTH);
    EXPECT_EQ(both.status, 0u);
    EXPECT_EQ(both.steps, 0x1Fu);
    EXPECT_EQ(both.endpoint_volume, 1.0);
    EXPECT_EQ(both.hr_endpoint_volume, 0);
    EXPECT_EQ(both.hr_session, not_implemented);
    EXPECT_EQ(both.session_volume_valid, 0u);
    EXPECT_EQ(both.match_kind, 0u);

    auto application = run(QUORVEN_MUSIC_VOLUME_MODE_SET_APPLICATION, 0.25);
    EXPECT_EQ(application.status, QUORVEN_NATIVE_STATUS_STEP_FAILED);
    EXPECT_EQ(application.hresult, not_implemented);
    EXPECT_EQ(application.hr_session, not_implemented);
    EXPECT_EQ(application.steps, 0x17u);
    EXPECT_EQ(application.hr_endpoint_volume, pending);
}

// A host thread already in the single-threaded apartment is served there and keeps it.
TEST_F(wine_music_volume, ServesAThreadInTheOtherApartment) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    auto result = run(QUORVEN_MUSIC_VOLUME_MODE_READ_DEVICE);
    EXPECT_EQ(result.status, 0u);
    EXPECT_EQ(result.hr_com_init, QUORVEN_NATIVE_HR_CHANGED_MODE);
    EXPECT_EQ(result.endpoint_volume, 1.0);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

}  // namespace
}  // namespace wine_native_test
