#include "qsearch_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qsearch_test {
namespace fs = std::filesystem;

namespace {

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

void QsearchTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "qsearch-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    fs::create_directory(tree());
    // Times print in local time; pin it so the expected texts hold everywhere.
    setenv("TZ", "UTC", 1);
}

void QsearchTest::TearDown() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

void QsearchTest::write_file(const std::string& relative, std::int64_t unix_seconds,
                             const std::string& content) {
    const fs::path path = tree() / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    set_mtime(path, unix_seconds);
}

void QsearchTest::make_folder(const std::string& relative) {
    fs::create_directories(tree() / relative);
}

void QsearchTest::set_mtime(const fs::path& path, std::int64_t unix_seconds) {
    const struct timespec times[2] = {{unix_seconds, 0}, {unix_seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

Outcome QsearchTest::run(const std::vector<std::string>& args) {
    char out_name[] = "/tmp/qsearch-out-XXXXXX";
    char err_name[] = "/tmp/qsearch-err-XXXXXX";
    const int out_fd = mkstemp(out_name);
    const int err_fd = mkstemp(err_name);
    std::vector<char*> argv;
    std::string binary = QSEARCH_BINARY;
    argv.push_back(binary.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    Outcome result;
    const pid_t child = fork();
    if (child == 0) {
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    close(out_fd);
    close(err_fd);
    result.out = read_all(out_name);
    result.err = read_all(err_name);
    unlink(out_name);
    unlink(err_name);
    return result;
}

Outcome QsearchTest::index_tree() {
    Outcome result = run({"index", tree().string(), "-o", index_file().string()});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    return result;
}

std::vector<std::string> QsearchTest::find(const std::string& query, const std::string& limit) {
    const Outcome result = run({"find", index_file().string(), query, "-n", limit});
    // 1 says that nothing matched, and then nothing may have been printed.
    EXPECT_EQ(result.exit_code, result.out.empty() ? 1 : 0) << result.err;
    return lines(result.out);
}

}  // namespace qsearch_test
