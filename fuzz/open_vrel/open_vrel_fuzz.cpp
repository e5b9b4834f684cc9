// Fuzz target for opening index files: any input must give a status, never a crash, a leak or
// undefined behaviour. A file that opens must also save, unless it holds an empty name (which
// the writer refuses), and the saved file must open to the same entries and texts.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lib/store.h"
#include "quorven/search_core.h"

namespace {

namespace sc = quorven::search_core;

// Files of this process, removed when it exits.
struct scratch_files {
    std::u16string input;
    std::u16string saved;
    std::u16string temp;
    ~scratch_files() {
        for (const std::u16string* path : {&input, &saved, &temp}) {
            unlink(std::string(path->begin(), path->end()).c_str());
        }
    }
};

std::u16string widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

const scratch_files& files() {
    static const scratch_files paths = [] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string base = std::string(dir) + "/quorven-fuzz-" + std::to_string(getpid());
        return scratch_files{widen(base + ".in"), widen(base + ".out"), widen(base + ".tmp")};
    }();
    return paths;
}

std::string narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

bool write_input(const uint8_t* data, size_t size) {
    int fd = open(narrow(files().input).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return close(fd) == 0;
}

quorven_search_core_open_vrel_result_v1 open_index(const std::u16string& path) {
    quorven_search_core_open_vrel_request_v1 request{};
    request.size = sizeof request;
    request.version = 1;
    request.path = reinterpret_cast<uintptr_t>(path.data());
    request.path_length = static_cast<uint32_t>(path.size());
    request.max_entries = 300000;
    quorven_search_core_open_vrel_result_v1 result{};
    result.size = sizeof result;
    result.version = 1;
    quorven_search_core_open_vrel_v1(&request, &result);
    return result;
}

uint32_t save_index(quorven_search_core_handle store) {
    quorven_search_core_save_vrel_request_v1 request{};
    request.size = sizeof request;
    request.version = 1;
    request.path = reinterpret_cast<uintptr_t>(files().saved.data());
    request.path_length = static_cast<uint32_t>(files().saved.size());
    request.temp_path = reinterpret_cast<uintptr_t>(files().temp.data());
    request.temp_path_length = static_cast<uint32_t>(files().temp.size());
    quorven_search_core_save_vrel_result_v1 result{};
    result.size = sizeof result;
    result.version = 1;
    return quorven_search_core_save_vrel_v1(store, &request, &result);
}

struct entry_view {
    std::u16string dir;
    std::u16string name;
    uint64_t time_binary;
    uint32_t is_folder;
    bool operator==(const entry_view&) const = default;
};

std::vector<entry_view> view(quorven_search_core_handle h) {
    const auto& core = *reinterpret_cast<const sc::search_core*>(h);
    std::vector<entry_view> out;
    for (const sc::entry_record& e : core.entries) {
        sc::utf16_span d = sc::dir_text(core, e.dir_id);
        sc::utf16_span n = sc::name_text(core, e);
        out.push_back({std::u16string(reinterpret_cast<const char16_t*>(d.units), d.length),
                       std::u16string(reinterpret_cast<const char16_t*>(n.units), n.length),
                       e.time_binary, e.is_folder});
    }
    return out;
}

void fail(const char* what) {
    std::fprintf(stderr, "open_vrel_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!write_input(data, size)) {
        fail("cannot write the input file");
    }
    auto opened = open_index(files().input);
    if (opened.status != 0) {
        if (opened.handle != 0) {
            fail("a failed open returned a handle");
        }
        return 0;
    }
    auto store = reinterpret_cast<quorven_search_core_handle>(opened.handle);
    if (opened.file_size != size) {
        fail("file_size differs from the input's size");
    }
    std::vector<entry_view> before = view(store);
    bool empty_name = false;
    for (const entry_view& e : before) {
        empty_name = empty_name || e.name.empty();
    }
    uint32_t saved = save_index(store);
    quorven_search_core_destroy_v1(store);
    if (saved != (empty_name ? 1u : 0u)) {
        fail("a loaded store did not save as expected");
    }
    if (saved == 0) {
        auto reopened = open_index(files().saved);
        if (reopened.status != 0) {
            fail("a saved file did not open");
        }
        auto again = reinterpret_cast<quorven_search_core_handle>(reopened.handle);
        bool same = view(again) == before;
        quorven_search_core_destroy_v1(again);
        if (!same) {
            fail("the saved file holds other entries than the opened one");
        }
    }
    return 0;
}
