// update: rescanning a tree and bringing the index file in step with it.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "qsearch_runner.h"

namespace qsearch_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class UpdateTest : public QsearchTest {
  protected:
    Outcome update(const fs::path& dir) {
        return run({"update", index_file().string(), dir.string()});
    }
};

TEST_F(UpdateTest, FollowsRenamesDeletionsAdditionsAndEdits) {
    write_file("keep.txt");
    write_file("docs/old-name.txt");
    write_file("docs/gone.txt");
    write_file("docs/edit.txt", 1600000000);
    set_mtime(tree() / "docs", 1600000000);
    index_tree();

    fs::rename(tree() / "docs/old-name.txt", tree() / "docs/new-name.txt");
    fs::remove(tree() / "docs/gone.txt");
    write_file("added/fresh.txt");
    set_mtime(tree() / "docs/edit.txt", 1600000100);
    set_mtime(tree() / "docs", 1600000200);
    const Outcome result = update(tree());
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const std::string t = tree().string();
    for (const std::string& line :
         {"+ " + t + "/docs/new-name.txt", "+ " + t + "/added", "+ " + t + "/added/fresh.txt",
          "~ " + t + "/docs/edit.txt", "~ " + t + "/docs", "- " + t + "/docs/old-name.txt",
          "- " + t + "/docs/gone.txt"}) {
        EXPECT_THAT(result.out, HasSubstr(line + "\n"));
    }
    EXPECT_THAT(result.out, HasSubstr("3 added, 2 changed, 2 removed, 1 unchanged"));

    EXPECT_EQ(find("name"), Lines{t + "/docs/new-name.txt"});
    EXPECT_EQ(find("gone"), Lines{});
    EXPECT_EQ(find("fresh"), Lines{t + "/added/fresh.txt"});
    EXPECT_EQ(find("keep"), Lines{t + "/keep.txt"});
    const Outcome long_edit = run({"find", index_file().string(), "edit.txt", "--long"});
    EXPECT_THAT(long_edit.out, HasSubstr("2020-09-13 12:28:20  file"));  // the new time

    const Outcome again = update(tree());
    ASSERT_EQ(again.exit_code, 0) << again.err;
    EXPECT_THAT(again.out, HasSubstr("is up to date"));
}

TEST_F(UpdateTest, RenameThatOnlyChangesLetterCaseKeepsOneEntry) {
    write_file("readme");
    index_tree();
    fs::rename(tree() / "readme", tree() / "README");
    ASSERT_EQ(update(tree()).exit_code, 0);
    EXPECT_EQ(find("readme"), Lines{tree().string() + "/README"});
}

// The store finds folders ignoring case and would keep the old spelling for the new entries.
TEST_F(UpdateTest, FolderRenamedOnlyInCaseTakesItsNewSpelling) {
    write_file("keep.txt");
    write_file("Docs/a.txt");
    index_tree();
    fs::rename(tree() / "Docs", tree() / "docs");
    ASSERT_EQ(update(tree()).exit_code, 0);
    const std::string t = tree().string();
    EXPECT_EQ(find("a.txt"), Lines{t + "/docs/a.txt"});
    EXPECT_EQ(find("keep"), Lines{t + "/keep.txt"});

    // Again, with nothing of the old index left over.
    fs::remove(tree() / "keep.txt");
    fs::rename(tree() / "docs", tree() / "DOCS");
    const Outcome result = update(tree());
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(find("a.txt"), Lines{t + "/DOCS/a.txt"});
    EXPECT_EQ(find("docs"), Lines{t + "/DOCS"});
}

TEST_F(UpdateTest, FileTurnedIntoFolderChangesKind) {
    write_file("thing");
    index_tree();
    fs::remove(tree() / "thing");
    write_file("thing/inner");
    ASSERT_EQ(update(tree()).exit_code, 0);
    const Outcome result = run({"find", index_file().string(), "thing", "--long"});
    EXPECT_THAT(result.out, HasSubstr("folder  " + tree().string() + "/thing\n"));
    EXPECT_EQ(find("inner"), Lines{tree().string() + "/thing/inner"});
}

TEST_F(UpdateTest, SubfolderUpdateLeavesTheRestOfTheIndexAlone) {
    write_file("a/x.txt");
    write_file("b/y.txt");
    index_tree();
    fs::remove(tree() / "b/y.txt");
    write_file("a/z.txt");
    const Outcome result = update(tree() / "a");
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("1 added, 0 changed, 0 removed, 1 unchanged"));
    EXPECT_EQ(find("y.txt"), Lines{tree().string() + "/b/y.txt"});  // b was not rescanned
    EXPECT_EQ(find("z.txt"), Lines{tree().string() + "/a/z.txt"});
}

TEST_F(UpdateTest, UpdateThatWouldEmptyTheIndexLeavesTheFileAsItWas) {
    write_file("only.txt");
    index_tree();
    const std::string before = file_bytes(index_file());
    fs::remove(tree() / "only.txt");
    const Outcome result = update(tree());
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr("would hold no entries"));
    EXPECT_EQ(file_bytes(index_file()), before);
}

}  // namespace
}  // namespace qsearch_test
