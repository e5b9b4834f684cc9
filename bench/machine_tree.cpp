#include "machine_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>

namespace bench {
namespace {

constexpr uint64_t unix_epoch_ticks = 621355968000000000ull;
constexpr size_t least_worth_repeating = 10000;

// Strict UTF-8 to UTF-16; false for bytes that are not UTF-8 (such names are skipped).
bool to_utf16(const std::string& bytes, std::u16string& out) {
    out.clear();
    for (size_t i = 0; i < bytes.size();) {
        auto b = static_cast<unsigned char>(bytes[i]);
        uint32_t cp = 0;
        size_t extra = 0;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b < 0xE0) {
            cp = b & 0x1Fu, extra = 1;
        } else if (b >= 0xE0 && b < 0xF0) {
            cp = b & 0x0Fu, extra = 2;
        } else if (b >= 0xF0 && b < 0xF5) {
            cp = b & 0x07u, extra = 3;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) {
            return false;
        }
        for (size_t k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            cp = cp << 6 | (c & 0x3Fu);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
            return false;
        }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += extra + 1;
    }
    return true;
}

struct walk_item {
    uint32_t dir;
    std::u16string name;
    uint64_t timestamp;
    uint32_t is_folder;
};

// Depth first, without following links; the host's paths use `\`.
void walk(const std::string& path, const std::u16string& dir16, corpus& c,
          std::vector<walk_item>& items, size_t limit) {
    DIR* d = opendir(path.c_str());
    if (d == nullptr) {
        return;
    }
    auto dir_id = static_cast<uint32_t>(c.dirs.size());
    c.dirs.push_back(dir16);
    std::vector<std::pair<std::string, std::u16string>> subdirs;
    std::u16string name16;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == ".." || items.size() >= limit || !to_utf16(name, name16)) {
            continue;
        }
        struct stat st {};
        std::string full = path + "/" + name;
        if (lstat(full.c_str(), &st) != 0) {
            continue;
        }
        bool folder = S_ISDIR(st.st_mode);
        uint64_t ticks = unix_epoch_ticks + static_cast<uint64_t>(st.st_mtim.tv_sec) * 10000000u +
                         static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100u;
        items.push_back({dir_id, name16, ticks, folder ? 1u : 0u});
        if (folder) {
            subdirs.emplace_back(full, dir16 + u"\\" + name16);
        }
    }
    closedir(d);
    for (const auto& [sub, sub16] : subdirs) {
        walk(sub, sub16, c, items, limit);
    }
}

}  // namespace

bool walk_machine_tree(const char* root, uint32_t entry_count, corpus& out) {
    corpus once;
    std::vector<walk_item> items;
    walk(root, u"C:\\usr", once, items, entry_count);
    if (items.size() < least_worth_repeating) {
        return false;
    }
    // Copies of the same tree under C:\usr, D:\usr, ... until the count is reached.
    out = {};
    for (char16_t drive = u'C'; out.entries.size() < entry_count; ++drive) {
        auto first_dir = static_cast<uint32_t>(out.dirs.size());
        for (const auto& dir : once.dirs) {
            out.dirs.push_back(std::u16string(1, drive) + dir.substr(1));
        }
        for (const auto& item : items) {
            if (out.entries.size() == entry_count) {
                break;
            }
            out.entries.push_back(
                {first_dir + item.dir, item.name, item.timestamp, item.is_folder});
        }
    }
    return true;
}

}  // namespace bench
