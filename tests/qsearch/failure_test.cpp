// Failures: a damaged or missing index file, bad arguments, nothing to index. Each gives one
// clear line and a non-zero exit, and never a half-written index file.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "qsearch_runner.h"

namespace qsearch_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void put_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every command that reads the index fails the same way on it.
void expect_every_reader_fails(const fs::path& index, const fs::path& tree,
                               const std::string& status, const std::string& advice) {
    const std::string file = index.string();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"find", file, "a"},
                                                 {"recent", file},
                                                 {"folders", file},
                                                 {"stats", file},
                                                 {"update", file, tree.string()}}) {
        SCOPED_TRACE(args[0]);
        const Outcome result = QsearchTest::run(args);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(lines(result.err).size(), 1u) << result.err;
        EXPECT_THAT(result.err, StartsWith("qsearch: cannot open index file '" + file + "': "));
        EXPECT_THAT(result.err, HasSubstr(status));
        EXPECT_THAT(result.err, HasSubstr(advice));
    }
}

TEST_F(QsearchTest, DamagedIndexFileGivesOneClearLine) {
    write_file("a/b.txt");
    index_tree();
    const std::string good = file_bytes(index_file());

    put_bytes(index_file(), good.substr(0, good.size() / 2));
    expect_every_reader_fails(index_file(), tree(), "invalid_data (status 9)", "rebuild it");

    put_bytes(index_file(), good + "x");
    expect_every_reader_fails(index_file(), tree(), "invalid_data (status 9)", "rebuild it");

    put_bytes(index_file(), "not an index file at all\n");
    expect_every_reader_fails(index_file(), tree(), "unsupported_format (status 8)", "rebuild it");

    put_bytes(index_file(), "");
    expect_every_reader_fails(index_file(), tree(), "invalid_data (status 9)", "rebuild it");

    fs::remove(index_file());
    expect_every_reader_fails(index_file(), tree(), "io_error (status 7)", "exists");
}

TEST_F(QsearchTest, BadArgumentsPrintUsage) {
    const std::string file = index_file().string();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"index"},
             {"index", "a", "b"},
             {"index", tree().string(), "--bogus"},
             {"index", tree().string(), "--max-entries", "300001"},
             {"find", file},
             {"find", file, ""},
             {"find", file, "q", "-n", "0"},
             {"find", file, "q", "-n", "12x"},
             {"find", file, "q", "-o", "x"},
             {"recent", file, "-n"},
             {"update", file},
             {"stats"}}) {
        const Outcome result = run(args);
        SCOPED_TRACE(args.empty() ? "(none)" : args[0]);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_THAT(result.err, HasSubstr("usage: qsearch COMMAND ARGUMENTS"));
        EXPECT_EQ(result.out, "");
    }
    const Outcome help = run({"help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_THAT(help.out, HasSubstr("usage: qsearch"));
}

TEST_F(QsearchTest, NothingToIndexWritesNothing) {
    const auto index_empty_tree = [this] {
        return run({"index", tree().string(), "-o", index_file().string()});
    };
    Outcome result = index_empty_tree();
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr("holds no entries"));
    EXPECT_FALSE(fs::exists(index_file()));

    put_bytes(index_file(), "previous");
    result = index_empty_tree();
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(file_bytes(index_file()), "previous");

    result = run({"index", (base() / "missing").string(), "-o", index_file().string()});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr("is not a folder"));
}

TEST_F(QsearchTest, SaveIntoMissingFolderIsAnIoErrorAndLeavesNothing) {
    write_file("a.txt");
    const fs::path target = base() / "missing" / "index.vrel";
    const Outcome result = run({"index", tree().string(), "-o", target.string()});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot save index file"));
    EXPECT_THAT(result.err, HasSubstr("io_error (status 7)"));
    EXPECT_FALSE(fs::exists(base() / "missing"));
}

}  // namespace
}  // namespace qsearch_test
