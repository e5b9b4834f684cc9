// CoCreateInstance over a table of classes that each stand-in area registers, and task memory.

#include <stdlib.h>

#include <unordered_set>
#include <vector>

#include "call_state.h"
#include "class_table.h"

namespace standin::detail {

std::vector<class_entry>& class_table() {
    static std::vector<class_entry> instance;
    return instance;
}

bool register_class(const CLSID& clsid, HRESULT (*create)(REFIID iid, void** object)) {
    class_table().push_back(class_entry{clsid, create});
    return true;
}

}  // namespace standin::detail

using namespace standin::detail;

extern "C" HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context,
                                           REFIID iid, LPVOID* object) {
    auto scripted = enter("CoCreateInstance", {context, outer != nullptr ? 1 : 0});
    if (object == nullptr) {
        return leave(E_POINTER);
    }
    *object = nullptr;
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    if (this_thread().apartment_depth == 0) {
        return leave(CO_E_NOTINITIALIZED);
    }
    for (const class_entry& entry : class_table()) {
        if (entry.clsid == clsid) {
            HRESULT hr = entry.create(iid, object);
            return leave(SUCCEEDED(hr) ? after_work(scripted, hr) : hr);
        }
    }
    return leave(REGDB_E_CLASSNOTREG);
}

namespace {

std::unordered_set<void*>& task_blocks() {
    static std::unordered_set<void*> instance;
    return instance;
}

}  // namespace

extern "C" LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes) {
    enter("CoTaskMemAlloc", {static_cast<int64_t>(bytes)});
    void* block = malloc(bytes == 0 ? 1 : bytes);
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    task_blocks().insert(block);
    ++state().count.task_blocks_live;
    return block;
}

extern "C" void WINAPI CoTaskMemFree(LPVOID block) {
    enter("CoTaskMemFree");
    if (block == nullptr) {
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    if (task_blocks().erase(block) == 0) {
        ++state().count.heap_misuse;
        return;
    }
    --state().count.task_blocks_live;
    free(block);
}
