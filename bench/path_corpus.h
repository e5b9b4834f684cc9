// Deterministic stores of realistic file-system entries for the benchmarks: a directory tree
// grown from a seed, with names built from a vocabulary, numbers and extensions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct corpus_entry {
    uint32_t dir;  // index into corpus::dirs
    std::u16string name;
    uint64_t timestamp;
    uint32_t is_folder;
};

struct corpus {
    std::vector<std::u16string> dirs;
    std::vector<corpus_entry> entries;
};

enum class script {
    mostly_ascii,      // an English-speaking user's disk
    mostly_non_latin,  // Cyrillic, Greek and CJK folder and file names
};

corpus make_corpus(script kind, uint32_t entry_count, uint32_t seed);
// The same with a chosen number of directories (at least the script's roots).
corpus make_corpus(script kind, uint32_t entry_count, uint32_t dir_count, uint32_t seed);

}  // namespace bench
