// Per-thread COM apartments: the first CoInitializeEx picks the model, later ones in the same
// model nest (S_FALSE), one in the other model is refused with RPC_E_CHANGED_MODE.

#include "call_state.h"

using namespace standin::detail;

extern "C" HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD model) {
    auto scripted = enter("CoInitializeEx", {reserved != nullptr ? 1 : 0, model});
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    thread_state& thread = this_thread();
    HRESULT natural = S_OK;
    if (thread.apartment_depth == 0) {
        thread.apartment_model = model & COINIT_APARTMENTTHREADED;
        thread.apartment_depth = 1;
    } else if (thread.apartment_model == (model & COINIT_APARTMENTTHREADED)) {
        ++thread.apartment_depth;
        natural = S_FALSE;
    } else {
        return leave(RPC_E_CHANGED_MODE, false);
    }
    return leave(after_work(scripted, natural));
}

extern "C" void WINAPI CoUninitialize(void) {
    enter("CoUninitialize");
    thread_state& thread = this_thread();
    if (thread.apartment_depth == 0) {
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        ++state().count.unbalanced_uninitialize;
        return;
    }
    --thread.apartment_depth;
}
