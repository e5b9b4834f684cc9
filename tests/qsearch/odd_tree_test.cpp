// Trees with what real disks hold: links, names the store takes for one another, bytes that
// are not UTF-8, entries that cannot be read, more entries than allowed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "qsearch_runner.h"

namespace qsearch_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

TEST_F(QsearchTest, SymbolicLinksAreEntriesButNotFollowed) {
    write_file("real/inside.txt");
    fs::create_directories(base() / "elsewhere");
    std::ofstream(base() / "elsewhere" / "outside.txt") << "x";
    fs::create_directory_symlink(base() / "elsewhere", tree() / "link");
    const Outcome result = index_tree();
    EXPECT_THAT(result.out, HasSubstr("indexed 3 entries (2 files, 1 folders)"));
    EXPECT_EQ(find("outside"), Lines{});
    EXPECT_EQ(find("link"), Lines{tree().string() + "/link"});
}

TEST_F(QsearchTest, NamesDifferingOnlyInCaseKeepTheFirstAndStayInStep) {
    write_file("Makefile");
    write_file("makefile");
    write_file("sub/Docs/a.txt");
    write_file("sub/docs/b.txt");
    write_file("\xC3\x84pfel");  // "Äpfel"
    write_file("\xC3\xA4pfel");  // "äpfel": the same name to the store
    write_file("caf\xC3\xA9");   // "café" and "cafe" are different names
    write_file("cafe");
    const Outcome result = index_tree();
    EXPECT_THAT(result.err, HasSubstr("left out 3 names differing from a sibling only in letter "
                                      "case"));
    const std::string t = tree().string();
    EXPECT_EQ(find("makefile"), Lines{t + "/Makefile"});
    EXPECT_EQ(find("b.txt"), Lines{});  // inside the left-out twin folder
    EXPECT_EQ(find("a.txt"), Lines{t + "/sub/Docs/a.txt"});
    EXPECT_EQ(find("pfel"), Lines{t + "/\xC3\x84pfel"});
    EXPECT_EQ(find("caf").size(), 2u);

    const Outcome update = run({"update", index_file().string(), t});
    ASSERT_EQ(update.exit_code, 0) << update.err;
    EXPECT_THAT(update.out, HasSubstr("is up to date"));
}

TEST_F(QsearchTest, NamesThatAreNotUtf8AreIndexedWithReplacement) {
    write_file("bad\xFF.txt");
    const Outcome result = index_tree();
    EXPECT_THAT(result.err, HasSubstr("indexed 1 name with invalid UTF-8"));
    EXPECT_EQ(find("bad"), Lines{tree().string() + "/bad\xEF\xBF\xBD.txt"});
    const Outcome update = run({"update", index_file().string(), tree().string()});
    EXPECT_THAT(update.out, HasSubstr("is up to date"));
}

// A chain of folders whose full path passes PATH_MAX: the walk cannot open the deepest ones,
// even as root, and must say so and go on.
class DeepTreeTest : public QsearchTest {
  protected:
    static constexpr int kLevels = 24;
    const std::string level_ = std::string(200, 'd');

    void SetUp() override {
        QsearchTest::SetUp();
        int fd = open(tree().c_str(), O_DIRECTORY);
        for (int i = 0; i < kLevels; ++i) {
            ASSERT_EQ(mkdirat(fd, level_.c_str(), 0755), 0);
            const int next = openat(fd, level_.c_str(), O_DIRECTORY);
            close(fd);
            fd = next;
        }
        close(fd);
    }

    // fs::remove_all cannot reach past PATH_MAX either; unlink bottom up by descriptor.
    void TearDown() override {
        std::vector<int> fds{open(tree().c_str(), O_DIRECTORY)};
        for (int i = 0; i + 1 < kLevels; ++i) {
            fds.push_back(openat(fds.back(), level_.c_str(), O_DIRECTORY));
        }
        while (!fds.empty()) {
            unlinkat(fds.back(), level_.c_str(), AT_REMOVEDIR);
            close(fds.back());
            fds.pop_back();
        }
        QsearchTest::TearDown();
    }
};

TEST_F(DeepTreeTest, UnreadableEntriesAreReportedAndSkipped) {
    write_file("ok.txt");
    const Outcome result = index_tree();
    EXPECT_THAT(result.err, HasSubstr("File name too long"));
    EXPECT_THAT(result.err, HasSubstr("skipped 1 unreadable item"));
    EXPECT_EQ(find("ok.txt"), Lines{tree().string() + "/ok.txt"});
}

TEST_F(QsearchTest, MaxEntriesIndexesTheFirstEntriesAndSaysSo) {
    for (const char* name : {"a/1", "b", "c", "d"}) {
        write_file(name);
    }
    const Outcome result =
        run({"index", tree().string(), "-o", index_file().string(), "--max-entries", "3"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("only the first 3"));
    EXPECT_THAT(result.out, HasSubstr("indexed 3 entries"));
    // Folders in name order: a, then b and c beside it; a's contents come after them.
    EXPECT_EQ(find("c").size(), 1u);
    EXPECT_EQ(find("d"), Lines{});
}

}  // namespace
}  // namespace qsearch_test
