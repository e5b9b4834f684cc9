// ui: driven through a pseudo-terminal as a user would: type, move, select, quit, be killed.
// Every way out must leave the terminal as it found it.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "qsearch_runner.h"

namespace qsearch_test {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

constexpr char kLeaveScreen[] = "\033[?1049l";

// qsearch ui on the far side of a pseudo-terminal of 24 rows and 100 columns.
class UiSession {
  public:
    explicit UiSession(const std::string& file) {
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 100;
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            execl(QSEARCH_BINARY, QSEARCH_BINARY, "ui", file.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~UiSession() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(master_);
    }

    void type(const std::string& keys) {
        ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    // Reads until the screen so far holds `text` (false after a generous wait or at the end).
    bool wait_for(const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (screen_.find(text, seen_) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline || !read_some(100)) {
                return false;
            }
        }
        seen_ = screen_.find(text, seen_) + text.size();
        return true;
    }

    // Reads to the end, then returns the exit code and checks the terminal was put back.
    int finish() {
        while (read_some(30000)) {
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        termios settings{};
        EXPECT_EQ(tcgetattr(master_, &settings), 0);
        EXPECT_NE(settings.c_lflag & ECHO, 0u) << "echo left off";
        EXPECT_NE(settings.c_lflag & ICANON, 0u) << "line editing left off";
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    void signal(int number) { kill(pid_, number); }
    const std::string& screen() const { return screen_; }
    // What came after the ui left its screen.
    std::string after_leaving() const {
        const std::size_t left = screen_.rfind(kLeaveScreen);
        return left == std::string::npos ? "(never left)"
                                         : screen_.substr(left + sizeof kLeaveScreen - 1);
    }

  private:
    bool read_some(int timeout_ms) {
        pollfd fd{master_, POLLIN, 0};
        if (poll(&fd, 1, timeout_ms) <= 0) {
            return true;  // nothing yet; the caller decides how long to wait
        }
        char bytes[4096];
        const ssize_t count = read(master_, bytes, sizeof bytes);
        if (count <= 0) {
            return false;  // the ui closed its side
        }
        screen_.append(bytes, static_cast<std::size_t>(count));
        return true;
    }

    int master_ = -1;
    pid_t pid_ = -1;
    std::string screen_;
    std::size_t seen_ = 0;
};

class UiTest : public QsearchTest {
  protected:
    void SetUp() override {
        QsearchTest::SetUp();
        write_file("a/report_new", 1600000000);
        write_file("b/report_old", 1500000000);
        write_file("c/other", 1400000000);
        index_tree();
    }
};

TEST_F(UiTest, TypeMoveAndSelectPrintsThePath) {
    UiSession ui(index_file().string());
    ASSERT_TRUE(ui.wait_for("type to search")) << ui.screen();
    ui.type("rep");
    ASSERT_TRUE(ui.wait_for("2 of 2 matches")) << ui.screen();
    ui.type("x");
    ASSERT_TRUE(ui.wait_for("0 of 0 matches")) << ui.screen();
    ui.type(
        "\x7f"
        "ort");  // Backspace, then more of the name
    ASSERT_TRUE(ui.wait_for("\033[1;31mreport\033[0m_old")) << ui.screen();  // highlighted
    ui.type("\033[B");
    ui.type("\033[B");  // already at the last hit: stays there
    ui.type("\033[A\033[B");
    ui.type("\r");
    EXPECT_EQ(ui.finish(), 0);
    EXPECT_EQ(ui.after_leaving(), tree().string() + "/b/report_old\r\n");
}

TEST_F(UiTest, EscCtrlCAndSignalsLeaveWithoutOutputAndRestoreTheTerminal) {
    struct Way {
        const char* name;
        const char* keys;
        int signal;
        int exit_code;
    };
    for (const Way& way :
         {Way{"Esc", "\033", 0, 1}, Way{"Ctrl-C", "\x03", 0, 1},
          Way{"SIGTERM", "", SIGTERM, 128 + SIGTERM}, Way{"SIGHUP", "", SIGHUP, 128 + SIGHUP}}) {
        SCOPED_TRACE(way.name);
        UiSession ui(index_file().string());
        ASSERT_TRUE(ui.wait_for("type to search")) << ui.screen();
        ui.type("rep");
        ASSERT_TRUE(ui.wait_for("2 of 2 matches")) << ui.screen();
        if (way.signal != 0) {
            ui.signal(way.signal);
        } else {
            ui.type(way.keys);
        }
        EXPECT_EQ(ui.finish(), way.exit_code);
        EXPECT_EQ(ui.after_leaving(), "");
    }
}

TEST_F(UiTest, RefusesWithoutATerminal) {
    const Outcome result = run({"ui", index_file().string()});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr("ui needs a terminal"));
    EXPECT_EQ(result.out, "");
}

}  // namespace
}  // namespace qsearch_test
