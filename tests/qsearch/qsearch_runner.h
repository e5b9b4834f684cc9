// Runs the qsearch binary on a temporary tree and captures what it prints.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qsearch_test {

struct Outcome {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

// A fresh folder per test, removed afterwards; `tree()` is what the tests index.
class QsearchTest : public ::testing::Test {
  public:
    static Outcome run(const std::vector<std::string>& args);

  protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path tree() const { return base_ / "tree"; }
    std::filesystem::path index_file() const { return base_ / "index.vrel"; }
    const std::filesystem::path& base() const { return base_; }

    // Creates a file (and its folders) under tree() with the given modification time.
    void write_file(const std::string& relative, std::int64_t unix_seconds = 1600000000,
                    const std::string& content = "x");
    void make_folder(const std::string& relative);
    static void set_mtime(const std::filesystem::path& path, std::int64_t unix_seconds);

    // index tree() into index_file(), asserting success.
    Outcome index_tree();
    // Full paths that `find` prints for a query (checking its exit code: 0, or 1 for none).
    std::vector<std::string> find(const std::string& query, const std::string& limit = "20");

  private:
    std::filesystem::path base_;
};

}  // namespace qsearch_test
