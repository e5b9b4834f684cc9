// watch: the index file follows the disk. A soak run churns a tree while watch runs (with
// lost events forced through the overflow seam) and must end with exactly what a fresh index
// of the tree holds.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include "qsearch_runner.h"

namespace qsearch_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// qsearch watch running in the background, with some environment of its own.
class WatchProcess {
  public:
    WatchProcess(const fs::path& dir, const fs::path& file, const fs::path& logs,
                 const std::vector<std::pair<std::string, std::string>>& environment)
        : out_(logs / "watch.out"), err_(logs / "watch.err") {
        pid_ = fork();
        if (pid_ == 0) {
            for (const auto& [name, value] : environment) {
                setenv(name.c_str(), value.c_str(), 1);
            }
            std::freopen(out_.c_str(), "w", stdout);
            std::freopen(err_.c_str(), "w", stderr);
            execl(QSEARCH_BINARY, QSEARCH_BINARY, "watch", dir.c_str(), "-o", file.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~WatchProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Sends the signal and waits for the exit code.
    int stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string out() const { return read_file(out_); }
    std::string err() const { return read_file(err_); }

  private:
    fs::path out_;
    fs::path err_;
    pid_t pid_ = -1;
};

// Waits (generously: sanitizer builds on a busy machine) until `done` holds.
template <typename Condition>
bool eventually(Condition done) {
    const auto deadline = Clock::now() + 60s;
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// Every entry of an index file as sorted JSON lines: every name the tests make holds '_'.
std::vector<std::string> all_entries(const fs::path& file) {
    const Outcome found = QsearchTest::run({"find", file.string(), "_", "--json", "-n", "300000"});
    EXPECT_EQ(found.exit_code, 0) << found.err;
    std::vector<std::string> entries = lines(found.out);
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Random changes of every kind the watcher must follow, on a tree and a folder beside it.
class Churn {
  public:
    Churn(fs::path tree, fs::path outside) : tree_(std::move(tree)), outside_(std::move(outside)) {
        fs::create_directories(outside_);
        refresh();
    }

    // One operation; returns how many changes it made on disk.
    int step() {
        if (++steps_ % 100 == 0) {
            refresh();
        }
        std::error_code ignored;
        switch (pick(20)) {
            case 0:
            case 1:
            case 2:
            case 3:
                write(any_folder() / fresh_name("f_"), "new");
                return 1;
            case 4:
            case 5: {
                std::ofstream(any_file(), std::ios::app) << "more";
                return 1;
            }
            case 6: {
                const fs::path path = pick(2) == 0 ? any_file() : any_folder();
                if (path != tree_) {
                    fs::last_write_time(path, fs::file_time_type::clock::now() - 1h * pick(1000),
                                        ignored);
                }
                return 1;
            }
            case 7:
                fs::rename(any_file(), any_folder() / fresh_name("r_"), ignored);
                return 1;
            case 8:
            case 9: {
                const fs::path folder = any_folder() / fresh_name("d_");
                fs::create_directory(folder, ignored);
                write(folder / fresh_name("f_"), "inside");
                folders_.push_back(folder);
                return 2;
            }
            case 10:
                move_folder(any_subfolder(), any_folder() / fresh_name("m_"));
                return 1;
            case 11:
                move_folder(any_subfolder(), outside_ / fresh_name("o_"));
                return 1;
            case 12:
                for (const auto& item : fs::directory_iterator(outside_, ignored)) {
                    fs::rename(item.path(), any_folder() / item.path().filename(), ignored);
                    break;
                }
                return 1;
            case 13:
                fs::remove_all(any_subfolder(), ignored);
                return 1;
            case 14:
            case 15: {
                const fs::path path = pick(2) == 0 ? any_file() : any_subfolder();
                fs::rename(path, path.parent_path() / toggle_case(path.filename().string()),
                           ignored);
                return 1;
            }
            case 16:
                fs::remove(any_file(), ignored);
                return 1;
            case 17: {
                // A burst of events in one folder, as an unpacked archive makes.
                const fs::path folder = any_folder() / fresh_name("b_");
                fs::create_directory(folder, ignored);
                for (int i = 0; i < 150; ++i) {
                    write(folder / fresh_name("x_"), "burst");
                }
                return 151;
            }
            default:
                write(any_folder() / fresh_name("f_"), "new");
                return 1;
        }
    }

  private:
    std::size_t pick(std::size_t count) { return random_() % count; }
    std::string fresh_name(const char* prefix) { return prefix + std::to_string(++names_); }

    void write(const fs::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }

    void refresh() {
        files_.clear();
        folders_ = {tree_};
        std::error_code ignored;
        for (fs::recursive_directory_iterator it(tree_, ignored), end; it != end;
             it.increment(ignored)) {
            (it->is_directory(ignored) ? folders_ : files_).push_back(it->path());
        }
        std::erase(files_, tree_ / "keep_me");
    }

    fs::path any_folder() { return folders_[pick(folders_.size())]; }
    fs::path any_subfolder() {
        return folders_.size() > 1 ? folders_[1 + pick(folders_.size() - 1)] : tree_ / "none";
    }
    fs::path any_file() { return files_.empty() ? tree_ / "none" : files_[pick(files_.size())]; }

    void move_folder(const fs::path& from, const fs::path& to) {
        const std::string source = from.string() + "/";
        if (to.string().compare(0, source.size(), source) != 0) {  // never into itself
            std::error_code ignored;
            fs::rename(from, to, ignored);
        }
    }

    static std::string toggle_case(std::string name) {
        name[0] = static_cast<char>(std::isupper(static_cast<unsigned char>(name[0]))
                                        ? std::tolower(static_cast<unsigned char>(name[0]))
                                        : std::toupper(static_cast<unsigned char>(name[0])));
        return name;
    }

    fs::path tree_;
    fs::path outside_;
    std::mt19937 random_{20261208};
    std::vector<fs::path> files_;
    std::vector<fs::path> folders_;
    std::size_t names_ = 0;
    std::size_t steps_ = 0;
};

TEST_F(QsearchTest, SoakEndsWithExactlyWhatAFreshIndexHolds) {
    write_file("keep_me");
    for (int i = 0; i < 20; ++i) {
        write_file("start_" + std::to_string(i % 4) + "/file_" + std::to_string(i));
    }
    const fs::path watched = base() / "watched.vrel";
    WatchProcess watch(tree(), watched, base(), {{"QSEARCH_WATCH_OVERFLOW_EVERY", "700"}});
    ASSERT_TRUE(eventually([&] { return fs::exists(watched); })) << watch.err();

    // A fixed number of operations, paced to take about 20 s: a busy machine that falls behind
    // catches up instead of doing fewer.
    constexpr int kOperations = 2500;
    Churn churn(tree(), base() / "outside");
    int changes = 0;
    const auto start = Clock::now();
    for (int operation = 1; operation <= kOperations; ++operation) {
        changes += churn.step();
        if (operation % 300 == 0) {
            // The file is replaced atomically: a reader always finds a whole index.
            const Outcome stats = run({"stats", watched.string()});
            ASSERT_EQ(stats.exit_code, 0) << stats.err;
        }
        std::this_thread::sleep_until(start + operation * 8ms);
    }
    ASSERT_EQ(watch.stop(SIGINT), 0) << watch.err();
    std::cout << kOperations << " operations (" << changes << " changes on disk); " << watch.out();

    const Outcome fresh = run({"index", tree().string(), "-o", index_file().string()});
    ASSERT_EQ(fresh.exit_code, 0) << fresh.err;
    const std::vector<std::string> expected = all_entries(index_file());
    const std::vector<std::string> actual = all_entries(watched);
    EXPECT_GT(expected.size(), 20u);  // the comparison is not empty
    EXPECT_EQ(actual, expected);
    EXPECT_THAT(watch.out(), HasSubstr("rescans after lost events"));
    EXPECT_EQ(watch.out().find(" 0 rescans"), std::string::npos) << "the seam never fired";
}

// Past the limit of watches, folders are rescanned instead; entries of the index file outside
// the watched folder stay; the watched folder may be a link.
TEST_F(QsearchTest, FoldersPastTheWatchLimitAreRescannedAndOtherEntriesKept) {
    write_file("deep_1/deep_2/old_file");
    fs::create_directories(base() / "other");
    std::ofstream(base() / "other" / "other_file") << "x";
    ASSERT_EQ(run({"index", (base() / "other").string(), "-o", index_file().string()}).exit_code,
              0);

    // Named through a link, which watch follows for the root as index does.
    fs::create_directory_symlink(tree(), base() / "link");
    WatchProcess watch(base() / "link", index_file(), base(), {{"QSEARCH_WATCH_MAX_WATCHES", "1"}});
    ASSERT_TRUE(eventually([&] { return find("old_file").size() == 1; })) << watch.err();
    write_file("deep_1/deep_2/new_file");
    write_file("top_file");
    ASSERT_TRUE(eventually([&] { return find("new_file").size() == 1; })) << watch.err();
    EXPECT_EQ(watch.stop(SIGTERM), 0) << watch.err();
    EXPECT_THAT(watch.err(), HasSubstr("the limit of 1 inotify watches per user is reached"));
    EXPECT_EQ(lines(watch.err()).size(), 1u) << watch.err();  // one warning, given once
    EXPECT_EQ(find("top_file").size(), 1u);
    EXPECT_EQ(find("other_file"), std::vector<std::string>{(base() / "other/other_file").string()});
}

}  // namespace
}  // namespace qsearch_test
