// The save request: its checks in order, and the stores and texts it refuses. A refused save
// leaves the target as it was and no temporary file behind.

#include <gtest/gtest.h>

#include "mutation_fixture.h"
#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;

class VrelSave : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(host::write_file(target_, old_)); }
    void expect_untouched() {
        EXPECT_EQ(*host::read_file(target_), old_);
        EXPECT_FALSE(host::exists(temp_));
    }
    host::temp_dir dir_;
    std::u16string target_ = dir_.file(u"index.vrel");
    std::u16string temp_ = dir_.file(u"index.tmp");
    const host::bytes old_ = {'o', 'l', 'd'};
};

TEST_F(VrelSave, RequestChecksInOrder) {
    store s(sealed_store({{u"d", u"n", 1}}));
    auto result = blank_record<quorven_search_core_save_vrel_result_v1>();
    auto expect_refused = [&](quorven_search_core_handle h,
                              quorven_search_core_save_vrel_request_v1 r) {
        fill(result, 0xCC);
        result.size = sizeof result;
        result.version = 1;
        EXPECT_EQ(quorven_search_core_save_vrel_v1(h, &r, &result), 1u);
        EXPECT_TRUE(is_reset_with_status(result, 1));
    };
    expect_refused(nullptr, save_request(target_, temp_));
    auto r = save_request(target_, temp_);
    r.path = 0;
    expect_refused(s, r);
    r = save_request(target_, temp_);
    r.temp_path = 0;
    expect_refused(s, r);
    for (uint32_t length : {0u, 0x8000u}) {
        r = save_request(target_, temp_);
        r.path_length = length;
        expect_refused(s, r);
        r = save_request(target_, temp_);
        r.temp_path_length = length;
        expect_refused(s, r);
    }
    r = save_request(target_, temp_);
    r.reserved0 = 1;
    expect_refused(s, r);
    r = save_request(target_, temp_);
    r.reserved1 = 1;
    expect_refused(s, r);
    for (size_t i = 0; i < 32; ++i) {
        r = save_request(target_, temp_);
        r.reserved[i] = 1;
        expect_refused(s, r);
    }
    expect_untouched();

    auto good = save_request(target_, temp_);
    EXPECT_EQ(quorven_search_core_save_vrel_v1(s, nullptr, &result), 1u);
    EXPECT_EQ(quorven_search_core_save_vrel_v1(s, &good, nullptr), 1u);
    auto mismatched = blank_record<quorven_search_core_save_vrel_result_v1>();
    mismatched.size = 80;
    auto copy = bytes_of(mismatched);
    EXPECT_EQ(quorven_search_core_save_vrel_v1(s, &good, &mismatched), 2u);
    EXPECT_EQ(bytes_of(mismatched), copy);
    expect_untouched();
}

TEST_F(VrelSave, PathsWithNulOrEqualPathsAreRefused) {
    store s(sealed_store({{u"d", u"n", 1}}));
    EXPECT_EQ(save_store(s, target_ + u'\0', temp_).status, 1u);
    EXPECT_EQ(save_store(s, target_, temp_ + u'\0').status, 1u);
    EXPECT_EQ(save_store(s, target_, target_).status, 1u);
    expect_untouched();
    // The comparison is exact: paths that differ in case only are two paths. Where the file
    // system ignores case they name the target itself, which is refused like another spelling.
    std::u16string upper = dir_.file(u"INDEX.VREL");
    if (host::names_ignore_case()) {
        EXPECT_EQ(save_store(s, target_, upper).status, 1u);
        EXPECT_EQ(save_store(s, upper, target_).status, 1u);
        EXPECT_EQ(*host::read_file(target_), old_);
    } else {
        EXPECT_EQ(save_store(s, target_, upper).status, 0u);
        EXPECT_FALSE(host::exists(upper));
    }
}

// Creating the temporary file would empty the target and a failed save would delete it, so a
// temporary path that is only another spelling of the target is refused like the same path.
TEST_F(VrelSave, AnotherSpellingOfTheTargetIsRefusedUntouched) {
    store s(sealed_store({{u"d", u"n", 1}}));
    std::u16string dotted = host::join(host::join(dir_.path(), u"."), u"index.vrel");
    EXPECT_EQ(save_store(s, target_, dotted).status, 1u);
    EXPECT_EQ(save_store(s, dotted, target_).status, 1u);
    EXPECT_EQ(*host::read_file(target_), old_);
    // A temporary file left by an earlier save is another file, and is replaced as usual.
    ASSERT_TRUE(host::write_file(temp_, old_));
    EXPECT_EQ(save_store(s, target_, temp_).status, 0u);
    EXPECT_FALSE(host::exists(temp_));
}

// Where an open file cannot be replaced, the rename fails: the target stays as it was and the
// temporary file goes. Where it can, the save goes through.
TEST_F(VrelSave, ATargetHeldOpenByAnotherProgram) {
    store s(sealed_store({{u"d", u"n", 1}}));
    {
        host::held_file held(target_);
        uint32_t expected = host::held_files_lock_others_out() ? 7 : 0;
        EXPECT_EQ(save_store(s, target_, temp_).status, expected);
        EXPECT_FALSE(host::exists(temp_));
        EXPECT_EQ(open_status(target_), expected);
    }
    if (host::held_files_lock_others_out()) {
        expect_untouched();
    } else {
        EXPECT_EQ(open_status(target_), 0u);
    }
}

TEST_F(VrelSave, UnsealedOrEmptyStoresAreRefusedBeforeAnyFile) {
    store unsealed;
    EXPECT_EQ(add(unsealed, batch({{u"d", u"n", 1}})).status, 0u);
    EXPECT_EQ(save_store(unsealed, target_, temp_).status, 1u);
    store empty(sealed_store({}));
    EXPECT_EQ(save_store(empty, target_, temp_).status, 1u);
    store all_deleted(sealed_store({{u"d", u"n", 1}, {u"d", u"m", 2}}));
    remove_paths(all_deleted, {u"d\\n", u"d\\m"});
    EXPECT_EQ(save_store(all_deleted, target_, temp_).status, 1u);
    // A leftover temporary file is not touched by a save refused this early.
    ASSERT_TRUE(host::write_file(temp_, {'x'}));
    EXPECT_EQ(save_store(all_deleted, target_, temp_).status, 1u);
    EXPECT_EQ(*host::read_file(temp_), host::bytes{'x'});
}

TEST_F(VrelSave, UnpairedSurrogatesAreInvalidDataAndLeaveNothingBehind) {
    const std::u16string bad[] = {u"\xD800", u"a\xDC00",
                                  u"\xDBFF"
                                  u"b",
                                  u"x\xDFFF\xD800"};
    for (const std::u16string& text : bad) {
        store in_name(sealed_store({{u"d", u"ok", 1}, {u"d", text, 2}}));
        EXPECT_EQ(save_store(in_name, target_, temp_).status, 9u);
        expect_untouched();
        store in_dir(sealed_store({{text, u"n", 1}}));
        EXPECT_EQ(save_store(in_dir, target_, temp_).status, 9u);
        expect_untouched();
    }
    // A deleted entry's name is never written, so it cannot fail the save.
    store deleted(sealed_store({{u"d", u"\xD800", 1}, {u"d", u"ok", 2}}));
    remove_paths(deleted, {u"d\\\xD800"});
    EXPECT_EQ(save_store(deleted, target_, temp_).status, 0u);
}

TEST_F(VrelSave, TextsTooLongForTheFileAreInvalidArguments) {
    // 0x100000 UTF-8 bytes is the most a text may take; one more is refused.
    store at_limit(
        sealed_store({{std::u16string(0x100000, u'd'), std::u16string(0x80000, u'\u00E9'), 1}}));
    EXPECT_EQ(save_store(at_limit, target_, temp_).status, 0u);
    ASSERT_TRUE(host::write_file(target_, old_));
    store long_name(sealed_store({{u"d", std::u16string(0x80000, u'\u00E9') + u"x", 1}}));
    EXPECT_EQ(save_store(long_name, target_, temp_).status, 1u);
    expect_untouched();
    store long_dir(sealed_store({{std::u16string(0x100001, u'd'), u"n", 1}}));
    EXPECT_EQ(save_store(long_dir, target_, temp_).status, 1u);
    expect_untouched();
    // An unpaired surrogate is reported before the length.
    store both(sealed_store({{u"d", std::u16string(0x100001, u'n') + u"\xD800", 1}}));
    EXPECT_EQ(save_store(both, target_, temp_).status, 9u);
}

TEST_F(VrelSave, AnEmptyNameLoadedFromAFileCannotBeSavedBack) {
    std::u16string source = dir_.file(u"source.vrel");
    ASSERT_TRUE(host::write_file(
        source, file_builder().header(1).dir("d").u32(2).entry(0, "a").entry(0, "").bytes()));
    auto opened = open_file(source);
    ASSERT_EQ(opened.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(opened.handle));
    EXPECT_EQ(save_store(loaded, target_, temp_).status, 1u);
    expect_untouched();
}

TEST_F(VrelSave, MissingDirectoryIsAnIoErrorAndTheTargetStays) {
    store s(sealed_store({{u"d", u"n", 1}}));
    EXPECT_EQ(save_store(s, target_, host::join(dir_.file(u"absent"), u"index.tmp")).status, 7u);
    expect_untouched();
    EXPECT_EQ(save_store(s, host::join(dir_.file(u"absent"), u"index.vrel"), temp_).status, 7u);
    expect_untouched();
}

TEST_F(VrelSave, SaveLeavesTheStoreAsItWas) {
    store s(sealed_store({{u"d", u"n", 1}, {u"e", u"m", 2}}));
    remove_paths(s, {u"d\\n"});
    auto before = visible(s);
    ASSERT_EQ(save_store(s, target_, temp_).status, 0u);
    EXPECT_TRUE(visible(s) == before);
}

}  // namespace
