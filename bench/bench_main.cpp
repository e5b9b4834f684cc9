// The search core's benchmarks: queries, open and save over a tree of this machine's own names
// (a walk of /usr, repeated to the store's full size; the generator when there is no /usr) and
// over a generated non-Latin tree. Prints each case's ratio and target and one line per miss;
// exits 0 either way, since timings on a shared machine are no test.
//
//   search_core_bench [work directory for the index files, default /tmp]

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_cases.h"
#include "machine_tree.h"

using namespace bench;

namespace {

constexpr uint32_t entry_count = 300000;
constexpr uint32_t seed = 20240611;

void run_tree(const char* tree, const corpus& c, const std::vector<query_case>& queries,
              const std::string& work_dir, report& out) {
    quorven_search_core_handle handle = build_store(c);
    run_query_cases(tree, handle, queries, out);
    run_index_file_cases(tree, handle, work_dir, out);
    require(quorven_search_core_destroy_v1(handle) == 0, "destroy");
}

}  // namespace

int main(int argc, char** argv) {
    // Large blocks always come fresh from the system, so peak memory is seen as it would be in
    // a host that opens one index at start.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    std::string work_dir = argc > 1 ? argv[1] : "/tmp";
    std::string own = work_dir + "/search_core_bench." + std::to_string(::getpid());
    require(::mkdir(own.c_str(), 0700) == 0, "work directory");

    report out;
    corpus machine;
    const char* machine_name = "usr";
    if (!walk_machine_tree("/usr", entry_count, machine)) {
        machine = make_corpus(script::mostly_ascii, entry_count, seed);
        machine_name = "generated";
    }
    run_tree(machine_name, machine,
             {{u"re", false},
              {u"lib", false},
              {u".so", false},
              {u"config", false},
              {u"Makefile", false},
              {u"xy", false},
              {u"qzx", false},
              {u"XYLOPHONE_sonata", false},
              {u"\u00e4", true},
              {u"\u0434", true}},
             own, out);
    machine = {};
    // ä, д, файл, 数据, до, ПРЕЗЕНТАЦИЯ, 照片, and an ASCII extension among non-Latin names.
    run_tree("non-latin", make_corpus(script::mostly_non_latin, entry_count, seed),
             {{u"\u00e4", true},
              {u"\u0434", true},
              {u"\u0444\u0430\u0439\u043b", true},
              {u"\u6570\u636e", true},
              {u"\u0434\u043e", true},
              {u"\u041f\u0420\u0415\u0417\u0415\u041d\u0422\u0410\u0426\u0418\u042f", true},
              {u"\u7167\u7247", true},
              {u".PDF", false}},
             own, out);
    ::rmdir(own.c_str());
    out.print();
    return 0;
}
