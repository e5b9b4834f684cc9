// A save killed at any point: a child process saves a store over the index file and is killed
// with SIGKILL after a random pause spread over the save's whole length. Afterwards the index
// file is the old one, byte for byte, or the complete new one (the reference save of the same
// store, but for its save time), and both open; the only other file that may be left is the
// temporary one, and the next save over the leftovers succeeds.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "vrel_fixture.h"

namespace {

using namespace test;
using namespace test::vrel;
using std::chrono::microseconds;

struct saved_store {
    explicit saved_store(quorven_search_core_handle h) : handle(h) {}
    store handle;
    host::bytes reference;  // a complete save of the store
    microseconds duration;  // how long that save took
};

// A store of `count` entries with its reference save, made in `dir`.
std::unique_ptr<saved_store> make_saved_store(const host::temp_dir& dir, uint32_t count,
                                              uint32_t salt) {
    std::vector<entry> entries = many_entries(count, 1 + count / 100);
    for (entry& e : entries) {
        e.timestamp += salt;  // stores of one size still differ
    }
    auto s = std::make_unique<saved_store>(sealed_store(entries));
    std::u16string path = dir.file(u"reference.vrel");
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(save_store(s->handle, path, dir.file(u"reference.tmp")).status, 0u);
    s->duration =
        std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - started);
    s->reference = *host::read_file(path);
    return s;
}

// Whether `file` is the store's reference save but for the save time.
bool is_save_of(const host::bytes& file, const saved_store& s) {
    if (file.size() != s.reference.size() || file.size() < 16) {
        return false;
    }
    uint64_t saved_at = 0;
    for (int i = 0; i < 8; ++i) {
        saved_at |= uint64_t{file[8 + static_cast<size_t>(i)]} << (8 * i);
    }
    return with_saved_at(s.reference, saved_at) == file;
}

// Saves `s` over `target` in a child process killed after `pause`; true if the child was killed
// before it ended by itself.
bool save_in_killed_child(const saved_store& s, const std::u16string& target,
                          const std::u16string& temp, microseconds pause) {
    pid_t child = fork();
    if (child == 0) {
        auto request = save_request(target, temp);
        auto result = blank_record<quorven_search_core_save_vrel_result_v1>();
        _exit(static_cast<int>(quorven_search_core_save_vrel_v1(s.handle, &request, &result)));
    }
    EXPECT_GT(child, 0);
    std::this_thread::sleep_for(pause);
    kill(child, SIGKILL);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0) << "a save that ran to its end failed";
        return false;
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    return true;
}

TEST(SaveKill, TheIndexFileIsTheOldOrTheNewOneWhereverTheSaveDies) {
    host::temp_dir work;
    // Small, middle and largest stores; two of each size, so that an old and a new file of one
    // size differ in their contents.
    std::vector<std::unique_ptr<saved_store>> stores;
    for (uint32_t count : {1000u, 1000u, 30000u, 30000u, 300000u, 300000u}) {
        stores.push_back(make_saved_store(work, count, static_cast<uint32_t>(stores.size())));
    }
    host::temp_dir dir;
    std::u16string target = dir.file(u"index.vrel");
    std::u16string temp = dir.file(u"index.tmp");
    ASSERT_TRUE(host::write_file(target, stores[0]->reference));
    const saved_store* current = stores[0].get();

    std::mt19937 rng(20240616);
    uint32_t killed = 0;
    uint32_t replaced = 0;
    for (uint32_t trial = 0; trial < 210; ++trial) {
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        const saved_store& next = *stores[rng() % stores.size()];
        // Pauses from before the save starts to about its end (the reference save's length,
        // which the child's save, on memory already touched, mostly undercuts).
        auto longest = next.duration.count();
        microseconds pause(std::uniform_int_distribution<int64_t>(0, longest)(rng));
        host::bytes before = *host::read_file(target);
        if (save_in_killed_child(next, target, temp, pause)) {
            ++killed;
        }

        std::optional<host::bytes> after = host::read_file(target);
        ASSERT_TRUE(after.has_value()) << "the index file is gone";
        bool old_file = *after == before;
        bool new_file = is_save_of(*after, next);
        ASSERT_TRUE(old_file || new_file) << "the index file is neither the old nor the new one";
        if (!old_file) {
            current = &next;
            ++replaced;
        }
        auto opened = open_file(target);
        ASSERT_EQ(opened.status, 0u);
        EXPECT_EQ(opened.entry_count, stats(current->handle).live_count);
        quorven_search_core_destroy_v1(QUORVEN_SC_HANDLE_FROM_U64(opened.handle));
        for (const std::u16string& name : host::list_dir(dir.path())) {
            EXPECT_TRUE(name == u"index.vrel" || name == u"index.tmp") << "a stray file is left";
        }
        if (trial % 30 == 29) {
            // The next save goes over whatever the killed one left.
            ASSERT_EQ(save_store(stores[0]->handle, target, temp).status, 0u);
            EXPECT_TRUE(is_save_of(*host::read_file(target), *stores[0]));
            EXPECT_FALSE(host::exists(temp));
            current = stores[0].get();
        }
    }
    // Both outcomes came up: the pauses cover the save's whole length.
    EXPECT_GT(killed, 0u);
    EXPECT_GT(replaced, 0u);
    RecordProperty("killed", static_cast<int>(killed));
    RecordProperty("replaced", static_cast<int>(replaced));
}

}  // namespace
