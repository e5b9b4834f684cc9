// What the index-file tests need from the machine they run on: a scratch directory, files
// read and written by path, deep directory trees, and a cancel object the library can wait
// on. Paths are UTF-16, as the host passes them. vrel_host_posix.cpp supplies this on Linux; a
// Windows build of the tests supplies the same functions over the Win32 calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test::host {

using bytes = std::vector<uint8_t>;

// The platform's path separator.
char16_t separator();

// Whether the file system takes names that differ only in letter case for one name.
bool names_ignore_case();

// The longest path the platform's classic file calls take, in units: beyond it a path needs
// the platform's long-path handling.
size_t classic_path_limit();

// Whether the file system takes every path the library accepts: up to 0x7FFF units, unpaired
// surrogates included. Linux and Windows do. Wine does not: it maps names onto Unix paths of
// at most 4095 bytes, and has no encoding for an unpaired surrogate.
bool takes_every_path();

// An absolute path in the form in which a host passes its longest paths: unchanged on POSIX;
// on Windows with the \\?\ prefix, since an absolute drive path of 0x7FFF units becomes too
// long for the kernel once the library adds it.
std::u16string longest_form(const std::u16string& absolute_path);

// `dir`, a separator, then `name`.
std::u16string join(const std::u16string& dir, std::u16string_view name);

// A fresh directory, removed with everything in it at the end of its scope.
class temp_dir {
  public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const std::u16string& path() const { return path_; }
    std::u16string file(std::u16string_view name) const { return join(path_, name); }

  private:
    std::u16string path_;
};

// These work for paths of any length the library accepts.
bool write_file(const std::u16string& path, const bytes& content);
std::optional<bytes> read_file(const std::u16string& path);
bool exists(const std::u16string& path);
// Names in a directory, "." and ".." left out.
std::vector<std::u16string> list_dir(const std::u16string& dir);
bool make_dir(const std::u16string& path);
// `levels` nested directories under `base`, each named by `name_units` units of `fill`; gives
// the deepest one.
std::u16string make_deep_dirs(const std::u16string& base, int levels, int name_units,
                              char16_t fill = u'd');

// An existing file held open, as another program holds it, for the life of the object: on
// Windows without sharing, so that meanwhile nobody else can open, replace or delete it; on
// POSIX an open file stops none of these.
class held_file {
  public:
    explicit held_file(const std::u16string& path);
    ~held_file();
    held_file(const held_file&) = delete;
    held_file& operator=(const held_file&) = delete;

  private:
    int64_t handle_;
};
bool held_files_lock_others_out();

// The process's current directory set to `path` for the life of the object, then restored.
class current_dir {
  public:
    explicit current_dir(const std::u16string& path);
    ~current_dir();
    current_dir(const current_dir&) = delete;
    current_dir& operator=(const current_dir&) = delete;

  private:
    std::u16string previous_;
};

// A waitable object that cancels an index-file operation once signalled.
class cancel_object {
  public:
    cancel_object();
    ~cancel_object();
    cancel_object(const cancel_object&) = delete;
    cancel_object& operator=(const cancel_object&) = delete;
    uint64_t value() const { return value_; }
    void signal();

  private:
    uint64_t value_;
};

// A value the library cannot wait on (the wait fails).
uint64_t invalid_cancel_object();

}  // namespace test::host
