// Indexing a tree and reading it back: find, recent, folders, stats.
#include <algorithm>
#include <filesystem>

#include "qsearch_runner.h"

namespace qsearch_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

TEST_F(QsearchTest, IndexReportsTotalsAndLeavesOnlyTheIndexFile) {
    write_file("docs/report.txt");
    write_file("src/main.cpp");
    make_folder("empty");
    const Outcome result = index_tree();
    EXPECT_THAT(result.out, HasSubstr("indexed 5 entries (2 files, 3 folders) under " +
                                      tree().string() + "\n"));
    EXPECT_THAT(result.out, HasSubstr("-> " + index_file().string()));
    Lines names;
    for (const auto& item : fs::directory_iterator(base())) {
        names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"index.vrel", "tree"}));  // no temporary file left beside it
}

TEST_F(QsearchTest, FindRanksExactThenPrefixThenContainsNewestFirst) {
    write_file("a/notes", 1000000000);
    write_file("b/NOTES", 1100000000);
    write_file("c/notes.txt", 1200000000);
    write_file("d/old-notes.md", 1300000000);
    write_file("e/nothing", 1400000000);
    index_tree();
    const std::string t = tree().string();
    EXPECT_EQ(find("notes"),
              (Lines{t + "/b/NOTES", t + "/a/notes", t + "/c/notes.txt", t + "/d/old-notes.md"}));
    EXPECT_EQ(find("NoTeS", "2"), (Lines{t + "/b/NOTES", t + "/a/notes"}));
    EXPECT_EQ(find("absent"), Lines{});
}

TEST_F(QsearchTest, FindLongShowsScoreKindAndTimeWithoutEscapesOffTerminal) {
    write_file("x/report", 1577934245);  // 2020-01-02 03:04:05 UTC
    make_folder("reports");
    set_mtime(tree() / "reports", 1577934245);
    index_tree();
    const Outcome result = run({"find", index_file().string(), "report", "--long"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const Lines out = lines(result.out);
    ASSERT_EQ(out.size(), 3u) << result.out;
    EXPECT_EQ(out[0], "100  2020-01-02 03:04:05  file    " + tree().string() + "/x/report");
    EXPECT_EQ(out[1], " 80  2020-01-02 03:04:05  folder  " + tree().string() + "/reports");
    EXPECT_THAT(out[2], HasSubstr("2 of 2 matches, 3 entries scanned in "));
    EXPECT_EQ(result.out.find('\033'), std::string::npos);
}

TEST_F(QsearchTest, RecentListsNewestFilesOnly) {
    write_file("old.txt", 1000000000);
    write_file("sub/new.txt", 1700000000);
    write_file("mid.txt", 1500000000);
    set_mtime(tree() / "sub", 1800000000);  // newest of all, but a folder
    index_tree();
    const Outcome result = run({"recent", index_file().string(), "-n", "2"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(lines(result.out), (Lines{"2023-11-14 22:13:20  " + tree().string() + "/sub/new.txt",
                                        "2017-07-14 02:40:00  " + tree().string() + "/mid.txt"}));
}

TEST_F(QsearchTest, FoldersListsFullestFirst) {
    for (const char* name : {"many/1", "many/2", "many/3", "few/1", "top1", "top2"}) {
        write_file(name, 1500000000);
    }
    index_tree();
    const Outcome result = run({"folders", index_file().string()});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const Lines out = lines(result.out);
    ASSERT_EQ(out.size(), 3u) << result.out;
    EXPECT_THAT(out[0], HasSubstr("3 files"));
    EXPECT_THAT(out[0], HasSubstr(tree().string() + "/many/"));
    EXPECT_THAT(out[1], HasSubstr("2 files"));
    EXPECT_THAT(out[1], HasSubstr(tree().string() + "/"));
    EXPECT_THAT(out[2], HasSubstr(tree().string() + "/few/"));
}

TEST_F(QsearchTest, StatsShowsWhatTheFileHolds) {
    write_file("a/one");
    write_file("a/two");
    index_tree();
    const Outcome result = run({"stats", index_file().string()});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("entries         3\n"));
    EXPECT_THAT(result.out, HasSubstr("folder paths    2\n"));
}

}  // namespace
}  // namespace qsearch_test
