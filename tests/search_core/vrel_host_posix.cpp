// The index-file tests' machine services on POSIX. Paths go to the kernel as generalised
// UTF-8, like the library's; long ones are reached by walking their directories.

#include <dirent.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "vrel_host.h"

namespace test::host {
namespace {

std::string native(const std::u16string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        uint32_t u = path[i];
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
                   path[i + 1] <= 0xDFFF) {
            uint32_t cp = 0x10000 + ((u - 0xD800) << 10) + (path[i + 1] - 0xDC00u);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            ++i;
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::u16string from_ascii(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

// Runs `use` with the descriptor of the path's directory and the last component's name.
template <typename F>
auto at_parent(const std::u16string& path, F use) {
    std::string p = native(path);
    size_t slash = p.rfind('/');
    std::string leaf = slash == std::string::npos ? p : p.substr(slash + 1);
    int dir = open(p[0] == '/' ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    size_t i = 0;
    size_t end = slash == std::string::npos ? 0 : slash;
    while (dir >= 0 && i < end) {
        size_t j = p.find('/', i);
        if (j == std::string::npos || j > end) {
            j = end;
        }
        if (j > i) {
            int next = openat(dir, p.substr(i, j - i).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(dir);
            dir = next;
        }
        i = j + 1;
    }
    if (dir < 0) {
        return use(-1, leaf.c_str());
    }
    auto result = use(dir, leaf.c_str());
    close(dir);
    return result;
}

void remove_tree_at(int parent, const char* name) {
    int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        unlinkat(parent, name, 0);
        return;
    }
    DIR* d = fdopendir(fd);
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") {
            names.push_back(n);
        }
    }
    for (const std::string& n : names) {
        remove_tree_at(dirfd(d), n.c_str());
    }
    closedir(d);
    unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace

char16_t separator() {
    return u'/';
}

bool names_ignore_case() {
    return false;
}

size_t classic_path_limit() {
    return PATH_MAX;
}

bool takes_every_path() {
    return true;
}

std::u16string longest_form(const std::u16string& absolute_path) {
    return absolute_path;
}

std::u16string join(const std::u16string& dir, std::u16string_view name) {
    return dir + u'/' + std::u16string(name);
}

temp_dir::temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quorven-vrel-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = from_ascii(pattern);
}

temp_dir::~temp_dir() {
    remove_tree_at(AT_FDCWD, native(path_).c_str());
}

bool write_file(const std::u16string& path, const bytes& content) {
    return at_parent(path, [&](int dir, const char* leaf) {
        int fd = openat(dir, leaf, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        size_t done = 0;
        while (done < content.size()) {
            ssize_t n = write(fd, content.data() + done, content.size() - done);
            if (n <= 0) {
                close(fd);
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return close(fd) == 0;
    });
}

std::optional<bytes> read_file(const std::u16string& path) {
    return at_parent(path, [&](int dir, const char* leaf) -> std::optional<bytes> {
        int fd = openat(dir, leaf, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return std::nullopt;
        }
        bytes out;
        uint8_t chunk[65536];
        ssize_t n;
        while ((n = read(fd, chunk, sizeof chunk)) > 0) {
            out.insert(out.end(), chunk, chunk + n);
        }
        close(fd);
        if (n < 0) {
            return std::nullopt;
        }
        return out;
    });
}

bool exists(const std::u16string& path) {
    return at_parent(path, [](int dir, const char* leaf) {
        struct stat info;
        return dir >= 0 && fstatat(dir, leaf, &info, AT_SYMLINK_NOFOLLOW) == 0;
    });
}

std::vector<std::u16string> list_dir(const std::u16string& dir) {
    std::vector<std::u16string> names;
    int fd = at_parent(dir, [](int parent, const char* leaf) {
        return openat(parent, leaf, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    });
    if (fd < 0) {
        return names;
    }
    DIR* d = fdopendir(fd);
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") {
            names.push_back(from_ascii(n));
        }
    }
    closedir(d);
    return names;
}

bool make_dir(const std::u16string& path) {
    return at_parent(
        path, [](int dir, const char* leaf) { return dir >= 0 && mkdirat(dir, leaf, 0755) == 0; });
}

std::u16string make_deep_dirs(const std::u16string& base, int levels, int name_units,
                              char16_t fill) {
    std::u16string path = base;
    for (int i = 0; i < levels; ++i) {
        path = join(path, std::u16string(static_cast<size_t>(name_units), fill));
        if (!make_dir(path)) {
            throw std::runtime_error("mkdir failed");
        }
    }
    return path;
}

held_file::held_file(const std::u16string& path) {
    handle_ = at_parent(path, [](int dir, const char* leaf) {
        return dir >= 0 ? openat(dir, leaf, O_RDONLY | O_CLOEXEC) : -1;
    });
    if (handle_ < 0) {
        throw std::runtime_error("open failed");
    }
}

held_file::~held_file() {
    close(static_cast<int>(handle_));
}

bool held_files_lock_others_out() {
    return false;
}

current_dir::current_dir(const std::u16string& path) {
    char* previous = getcwd(nullptr, 0);
    if (previous == nullptr) {
        throw std::runtime_error("getcwd failed");
    }
    previous_ = from_ascii(previous);  // one unit per byte, given back byte for byte below
    std::free(previous);
    if (chdir(native(path).c_str()) != 0) {
        throw std::runtime_error("chdir failed");
    }
}

current_dir::~current_dir() {
    if (chdir(std::string(previous_.begin(), previous_.end()).c_str()) != 0) {
        std::abort();
    }
}

cancel_object::cancel_object() {
    int fd = eventfd(0, EFD_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("eventfd failed");
    }
    value_ = static_cast<uint64_t>(fd);
}

cancel_object::~cancel_object() {
    close(static_cast<int>(value_));
}

void cancel_object::signal() {
    uint64_t one = 1;
    if (write(static_cast<int>(value_), &one, sizeof one) != sizeof one) {
        throw std::runtime_error("eventfd write failed");
    }
}

uint64_t invalid_cancel_object() {
    // A descriptor number far above any the process has open.
    return 1000000;
}

}  // namespace test::host
