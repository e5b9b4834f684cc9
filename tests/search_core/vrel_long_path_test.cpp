// Paths beyond the platform's classic limit: a save and an open through directories nested
// deeper than the classic calls of the platform can name, up to the longest path the records
// allow.

#include <gtest/gtest.h>

#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;

void expect_save_and_open(const std::u16string& target, const std::u16string& temp) {
    store s(sealed_store({{u"C:\\long", u"entry", 1}}));
    auto saved = save_store(s, target, temp);
    ASSERT_EQ(saved.status, 0u);
    EXPECT_FALSE(host::exists(temp));
    auto content = host::read_file(target);
    ASSERT_TRUE(content.has_value());
    EXPECT_EQ(content->size(), saved.file_size);
    auto opened = open_file(target);
    ASSERT_EQ(opened.status, 0u);
    store loaded(QUORVEN_SC_HANDLE_FROM_U64(opened.handle));
    EXPECT_EQ(copied_entries(loaded), copied_entries(s));

    // Replacing the file just written works there too.
    ASSERT_EQ(save_store(s, target, temp).status, 0u);
    EXPECT_FALSE(host::exists(temp));
}

TEST(VrelLongPath, SaveAndOpenBeyondTheClassicLimit) {
    host::temp_dir dir;
    const int levels = static_cast<int>(host::classic_path_limit() / 200) + 4;
    std::u16string deep = host::make_deep_dirs(dir.path(), levels, 200);
    ASSERT_GT(deep.size(), host::classic_path_limit() + 600);
    expect_save_and_open(host::join(deep, u"index.vrel"), host::join(deep, u"index.tmp"));
    // The same files named in the form hosts use for their longest paths.
    deep = host::longest_form(deep);
    expect_save_and_open(host::join(deep, u"index.vrel"), host::join(deep, u"index.tmp"));
}

TEST(VrelLongPath, TargetAndTempInDifferentDeepDirectories) {
    host::temp_dir dir;
    const int levels = static_cast<int>(host::classic_path_limit() / 250) + 6;
    std::u16string a = host::make_deep_dirs(dir.path(), levels, 250, u'a');
    std::u16string b = host::make_deep_dirs(dir.path(), levels, 250, u'b');
    ASSERT_GT(a.size(), host::classic_path_limit() + 1000);
    expect_save_and_open(host::join(a, u"index.vrel"), host::join(b, u"index.tmp"));
}

// A directory under `base` whose path is `length` units long.
std::u16string dir_of_length(const std::u16string& base, size_t length) {
    std::u16string path = base;
    while (path.size() + 1 + 200 < length) {
        path = host::make_deep_dirs(path, 1, 200);
    }
    EXPECT_LT(path.size() + 1, length);
    return host::make_deep_dirs(path, 1, static_cast<int>(length - path.size() - 1));
}

// Paths shorter than the classic limit that pass it once made absolute: the limit applies to
// the path the platform resolves, so a host that passes relative paths loses nothing.
TEST(VrelLongPath, RelativePathsBeyondTheClassicLimitOnceAbsolute) {
    host::temp_dir dir;
    const size_t limit = host::classic_path_limit();
    std::u16string cwd = dir_of_length(dir.path(), limit - 60);
    host::current_dir inside(cwd);
    const std::u16string name(80, u'n');
    ASSERT_TRUE(host::make_dir(name));
    for (const std::u16string& folder : {std::u16string(u"."), name}) {
        SCOPED_TRACE(folder.size());
        std::u16string target = host::join(folder, name + u".vrel");
        ASSERT_LT(target.size(), limit);
        ASSERT_GE(cwd.size() + 1 + target.size(), limit);
        expect_save_and_open(target, host::join(folder, name + u".tmp"));
    }
}

TEST(VrelLongPath, PathsOfTheLongestLengthAllowed) {
    if (!host::takes_every_path()) {
        GTEST_SKIP() << "this machine's file system holds no path of 0x7FFF units";
    }
    host::temp_dir dir;
    const size_t limit = QUORVEN_SC_MAX_PATH_UNITS;
    const std::u16string leaf_target = u"index.vrel";
    const std::u16string leaf_temp = u"index.tmx";  // one unit shorter, so both fit
    // Directories of 250 units until the last one makes the target exactly 32767 units.
    std::u16string deep = host::longest_form(dir.path());
    while (deep.size() + 1 + 251 + 1 + leaf_target.size() < limit) {
        deep = host::make_deep_dirs(deep, 1, 250);
    }
    size_t last = limit - deep.size() - 2 - leaf_target.size();
    ASSERT_GE(last, 1u);
    ASSERT_LE(last, 255u);
    deep = host::make_deep_dirs(deep, 1, static_cast<int>(last));
    std::u16string target = host::join(deep, leaf_target);
    ASSERT_EQ(target.size(), limit);
    expect_save_and_open(target, host::join(deep, leaf_temp));
    // One unit more is refused by the request check.
    EXPECT_EQ(save_store(store(sealed_store({{u"d", u"n", 1}})), target + u'x',
                         host::join(deep, leaf_temp))
                  .status,
              1u);
}

TEST(VrelLongPath, LoneSurrogatesStillNameDistinctFiles) {
    host::temp_dir dir;
    // Two names that differ only in their unpaired surrogate must be two files.
    std::u16string a = dir.file(u"idx\xD800");
    std::u16string b = dir.file(u"idx\xD801");
    store s(sealed_store({{u"d", u"n", 1}}));
    if (host::takes_every_path()) {
        ASSERT_EQ(save_store(s, a, dir.file(u"t\xDC00")).status, 0u);
        EXPECT_FALSE(host::exists(b));
        EXPECT_TRUE(host::exists(a));
        EXPECT_EQ(open_status(a), 0u);
        EXPECT_EQ(open_status(b), 7u);
    } else {
        // A name the file system cannot hold is an I/O error, and nothing is left behind.
        EXPECT_EQ(save_store(s, a, dir.file(u"t\xDC00")).status, 7u);
        EXPECT_EQ(save_store(s, a, dir.file(u"t")).status, 7u);
        EXPECT_EQ(host::list_dir(dir.path()), std::vector<std::u16string>{});
        EXPECT_EQ(open_status(a), 7u);
    }
}

}  // namespace
