// The index file's open and save against what the same bytes cost the machine without any
// decoding: a plain read of the file from the page cache, and a write, fsync, rename and fsync
// of the directory of the same bytes (what a save must do to replace a file durably). Open also
// reports its peak memory against the size of the store it builds.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "bench_cases.h"
#include "lib/store.h"

namespace bench {
namespace {

constexpr int open_runs = 15;
constexpr int save_runs = 7;

std::u16string utf16_of(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

quorven_search_core_handle open_file(const std::u16string& path,
                                     quorven_search_core_open_vrel_result_v1* result) {
    auto request = blank<quorven_search_core_open_vrel_request_v1>();
    request.path = QUORVEN_SC_PTR_TO_U64(path.data());
    request.path_length = static_cast<uint32_t>(path.size());
    request.max_entries = QUORVEN_SC_MAX_ENTRIES;
    *result = blank<quorven_search_core_open_vrel_result_v1>();
    require(quorven_search_core_open_vrel_v1(&request, result) == 0, "open_vrel");
    return QUORVEN_SC_HANDLE_FROM_U64(result->handle);
}

void save_file(quorven_search_core_handle handle, const std::u16string& path,
               const std::u16string& temp) {
    auto request = blank<quorven_search_core_save_vrel_request_v1>();
    request.path = QUORVEN_SC_PTR_TO_U64(path.data());
    request.path_length = static_cast<uint32_t>(path.size());
    request.temp_path = QUORVEN_SC_PTR_TO_U64(temp.data());
    request.temp_path_length = static_cast<uint32_t>(temp.size());
    auto result = blank<quorven_search_core_save_vrel_result_v1>();
    require(quorven_search_core_save_vrel_v1(handle, &request, &result) == 0, "save_vrel");
}

void read_whole(const std::string& path, std::vector<char>& into) {
    int fd = ::open(path.c_str(), O_RDONLY);
    require(fd >= 0, "open for a plain read");
    size_t done = 0;
    while (done < into.size()) {
        ssize_t got = ::read(fd, into.data() + done, into.size() - done);
        require(got > 0, "plain read");
        done += static_cast<size_t>(got);
    }
    ::close(fd);
}

void write_sync_rename(const std::vector<char>& bytes, const std::string& temp,
                       const std::string& target, const std::string& dir) {
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    require(fd >= 0, "create for a plain write");
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        require(put > 0, "plain write");
        done += static_cast<size_t>(put);
    }
    require(::fsync(fd) == 0 && ::close(fd) == 0, "fsync");
    require(::rename(temp.c_str(), target.c_str()) == 0, "rename");
    int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    require(dir_fd >= 0 && ::fsync(dir_fd) == 0 && ::close(dir_fd) == 0, "directory fsync");
}

long status_kib(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, n, field) == 0) {
            return std::stol(line.substr(n));
        }
    }
    return -1;
}

struct peak_figures {
    double peak_bytes;   // resident growth of the process during one open
    double store_bytes;  // the arrays of the store it built
};

// Measured in a child process, so that the heap holds no freed blocks the open could reuse
// without touching new pages.
peak_figures measure_open_peak(const std::u16string& path) {
    int fds[2];
    require(::pipe(fds) == 0, "pipe");
    pid_t child = ::fork();
    require(child >= 0, "fork");
    if (child == 0) {
        long before = status_kib("VmRSS:");
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
        quorven_search_core_open_vrel_result_v1 result;
        auto handle = open_file(path, &result);
        long peak = status_kib("VmHWM:");
        const auto& core = *reinterpret_cast<const quorven::search_core::search_core*>(handle);
        peak_figures f = {
            static_cast<double>(peak - before) * 1024.0,
            static_cast<double>(core.entries.capacity() * sizeof core.entries[0] +
                                core.dir_table.capacity() * sizeof core.dir_table[0] +
                                (core.dir_pool.capacity() + core.name_pool.capacity()) * 2)};
        ssize_t put = ::write(fds[1], &f, sizeof f);
        ::_exit(put == sizeof f ? 0 : 1);
    }
    ::close(fds[1]);
    peak_figures f = {};
    ssize_t got = ::read(fds[0], &f, sizeof f);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    require(got == sizeof f && WIFEXITED(status) && WEXITSTATUS(status) == 0, "peak child");
    return f;
}

}  // namespace

void run_index_file_cases(const char* tree, quorven_search_core_handle handle,
                          const std::string& work_dir, report& out) {
    std::string file = work_dir + "/" + tree + ".vrel";
    std::u16string path = utf16_of(file);
    std::u16string temp = utf16_of(file + ".tmp");
    save_file(handle, path, temp);
    std::vector<char> bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    double mb = static_cast<double>(bytes.size()) / 1e6;
    std::printf("%s: index file of %.1f MB\n", tree, mb);

    std::vector<char> scratch(bytes.size());
    double plain_read = fastest_seconds(open_runs, [&] { read_whole(file, scratch); });
    double open = fastest_seconds(open_runs, [&] {
        quorven_search_core_open_vrel_result_v1 result;
        auto opened = open_file(path, &result);
        require(quorven_search_core_destroy_v1(opened) == 0, "destroy");
    });
    char detail[160];
    std::snprintf(detail, sizeof detail, "%.2f ms, %.2f x a plain read of %.2f ms", open * 1e3,
                  open / plain_read, plain_read * 1e3);
    out.add({std::string("open ") + tree, mb / open, bound::at_least, 1000, "MB/s", detail});

    peak_figures peak = measure_open_peak(path);
    std::snprintf(detail, sizeof detail, "peak %.1f MB over a store of %.1f MB",
                  peak.peak_bytes / 1e6, peak.store_bytes / 1e6);
    out.add({std::string("open peak memory ") + tree, peak.peak_bytes / peak.store_bytes,
             bound::at_most, 1.2, "x", detail});

    // Every timed write replaces a file of the same size, as every timed save does: the
    // rename frees the old file's blocks, which costs as much again as the write.
    std::string plain_target = work_dir + "/plain.bin";
    write_sync_rename(bytes, plain_target + ".tmp", plain_target, work_dir);
    double plain_write = fastest_seconds(
        save_runs, [&] { write_sync_rename(bytes, plain_target + ".tmp", plain_target, work_dir); },
        clock_kind::wall);
    double save = fastest_seconds(
        save_runs, [&] { save_file(handle, path, temp); }, clock_kind::wall);
    double save_cpu = fastest_seconds(save_runs, [&] { save_file(handle, path, temp); });
    std::snprintf(detail, sizeof detail,
                  "%.2f ms (%.2f ms processor), %.0f MB/s; write+fsync+rename+dir fsync %.2f ms",
                  save * 1e3, save_cpu * 1e3, mb / save, plain_write * 1e3);
    out.add({std::string("save ") + tree, save / plain_write, bound::at_most, 1.5, "x", detail});
    std::remove(plain_target.c_str());
    std::remove(file.c_str());
}

}  // namespace bench
