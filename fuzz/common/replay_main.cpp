// Runs the fuzz target once over each file given, or each file in a directory given, so that
// builds without libFuzzer replay the seed corpus as a test. Options (-runs=0) are ignored.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    std::printf("replayed %s (%zu bytes)\n", file.c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path arg = argv[i];
        if (argv[i][0] == '-') {
            continue;
        }
        if (std::filesystem::is_directory(arg)) {
            for (const auto& item : std::filesystem::directory_iterator(arg)) {
                replay(item.path());
                ++replayed;
            }
        } else {
            replay(arg);
            ++replayed;
        }
    }
    return replayed > 0 ? 0 : 1;
}
