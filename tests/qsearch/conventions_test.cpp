// What users of locate, fd and grep expect: exit codes, NUL-terminated and JSON output,
// --version and help COMMAND.
#include <filesystem>
#include <string>

#include "qsearch_runner.h"

namespace qsearch_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Lines = std::vector<std::string>;

Lines split_on_nul(const std::string& text) {
    Lines parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "output does not end in a NUL";
    return parts;
}

class ConventionsTest : public QsearchTest {
  protected:
    void SetUp() override {
        QsearchTest::SetUp();
        write_file("docs/report", 1577934245);  // 2020-01-02 03:04:05 UTC
        write_file("docs/quote\"back\\slash\ttab", 1500000000);
        write_file("new line\nname", 1600000000);
        set_mtime(tree() / "docs", 1577934245);
        index_tree();
    }
    std::string file() const { return index_file().string(); }
};

TEST_F(ConventionsTest, FindExitsZeroOnHitsOneOnNoneTwoOnBadUsage) {
    struct Case {
        std::vector<std::string> args;
        int exit_code;
    };
    for (const Case& c : std::vector<Case>{{{"find", file(), "report"}, 0},
                                           {{"find", file(), "absent"}, 1},
                                           {{"find", file(), "absent", "--json"}, 1},
                                           {{"find", file(), "report", "--long", "--json"}, 2},
                                           {{"find", file(), "report", "-0", "--json"}, 2},
                                           {{"recent", file(), "--long"}, 2},
                                           {{"stats", file(), "--json"}, 2},
                                           {{"help", "bogus"}, 2},
                                           {{"help", "find", "index"}, 2}}) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        const Outcome result = run(c.args);
        EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
        if (c.exit_code != 0) {
            EXPECT_EQ(result.out, "");
        }
    }
}

TEST_F(ConventionsTest, NullTerminatedPathsCarryAnyNameUnchanged) {
    const std::string t = tree().string();
    const Outcome found = run({"find", file(), "name", "-0"});
    ASSERT_EQ(found.exit_code, 0) << found.err;
    EXPECT_EQ(split_on_nul(found.out), Lines{t + "/new line\nname"});
    const Outcome both = run({"find", file(), "o", "--null", "-n", "2"});
    EXPECT_EQ(split_on_nul(both.out).size(), 2u);

    const Outcome recent = run({"recent", file(), "-0"});
    EXPECT_EQ(split_on_nul(recent.out), (Lines{t + "/new line\nname", t + "/docs/report",
                                               t + "/docs/quote\"back\\slash\ttab"}));
    const Outcome folders = run({"folders", file(), "--null", "-n", "1"});
    EXPECT_EQ(split_on_nul(folders.out), Lines{t + "/docs/"});
}

TEST_F(ConventionsTest, JsonIsOneEscapedObjectPerLine) {
    const std::string t = tree().string();
    const Outcome found = run({"find", file(), "report", "--json"});
    ASSERT_EQ(found.exit_code, 0) << found.err;
    EXPECT_EQ(found.out, "{\"path\":\"" + t +
                             "/docs/report\",\"name\":\"report\",\"folder\":false,"
                             "\"modified\":\"2020-01-02T03:04:05Z\",\"score\":100}\n");

    const Outcome odd = run({"find", file(), "quote", "--json"});
    EXPECT_THAT(odd.out, HasSubstr("\"name\":\"quote\\\"back\\\\slash\\u0009tab\""));
    const Outcome recent = run({"recent", file(), "--json", "-n", "1"});
    EXPECT_EQ(recent.out, "{\"path\":\"" + t +
                              "/new line\\u000aname\",\"name\":\"new line\\u000aname\","
                              "\"folder\":false,\"modified\":\"2020-09-13T12:26:40Z\"}\n");
    const Outcome folders = run({"folders", file(), "--json", "-n", "1"});
    EXPECT_EQ(folders.out, "{\"path\":\"" + t +
                               "/docs/\",\"name\":\"docs\",\"folder\":true,"
                               "\"modified\":\"2020-01-02T03:04:05Z\",\"files\":2}\n");
}

TEST_F(QsearchTest, VersionAndHelpForEachCommand) {
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_THAT(version.out, StartsWith("qsearch "));
    EXPECT_THAT(version.out, HasSubstr("search core interface 3"));
    for (const char* command :
         {"index", "find", "recent", "folders", "update", "watch", "ui", "stats", "help"}) {
        SCOPED_TRACE(command);
        const Outcome help = run({"help", command});
        EXPECT_EQ(help.exit_code, 0);
        EXPECT_THAT(help.out, StartsWith(std::string("usage: qsearch ") + command));
        EXPECT_THAT(run({"help"}).out, HasSubstr(std::string("\n  ") + command + " "));
    }
    EXPECT_THAT(run({"help", "find"}).out, HasSubstr("--json"));
}

}  // namespace
}  // namespace qsearch_test
