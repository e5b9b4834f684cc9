// BSTRs with the Windows layout (a byte-length prefix before the units, a terminator after them),
// tracked so that tests see leaks and foreign frees; VARIANT clearing, and the VARIANTs and
// PROPVARIANTs that stand-in methods filled, counted until they are cleared.

#include <stdlib.h>
#include <string.h>

#include <unordered_set>

#include "call_state.h"

using namespace standin::detail;

namespace {

std::unordered_set<BSTR>& live_bstrs() {
    static std::unordered_set<BSTR> instance;
    return instance;
}

std::unordered_set<const VARIANT*>& live_variants() {
    static std::unordered_set<const VARIANT*> instance;
    return instance;
}

std::unordered_set<const PROPVARIANT*>& live_prop_variants() {
    static std::unordered_set<const PROPVARIANT*> instance;
    return instance;
}

}  // namespace

namespace standin::detail {

BSTR make_bstr(const OLECHAR* units, UINT length) {
    auto* block = static_cast<unsigned char*>(malloc(sizeof(uint32_t) + (length + 1u) * 2u));
    if (block == nullptr) {
        return nullptr;
    }
    uint32_t bytes = length * 2u;
    memcpy(block, &bytes, sizeof bytes);
    BSTR text = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
    if (units != nullptr) {
        memcpy(text, units, length * 2u);
    } else {
        memset(text, 0, length * 2u);
    }
    text[length] = 0;
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    live_bstrs().insert(text);
    ++state().count.bstr_allocations;
    ++state().count.bstrs_live;
    return text;
}

void free_bstr(BSTR text) {
    if (text == nullptr) {
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    if (live_bstrs().erase(text) == 0) {
        ++state().count.heap_misuse;
        return;
    }
    --state().count.bstrs_live;
    free(reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t));
}

void note_variant_filled(const VARIANT* value) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    if (live_variants().insert(value).second) {
        ++state().count.variants_live;
    }
}

void note_prop_variant_filled(const PROPVARIANT* value) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    if (live_prop_variants().insert(value).second) {
        ++state().count.prop_variants_live;
    }
}

bool note_prop_variant_cleared(const PROPVARIANT* value) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    if (live_prop_variants().erase(value) == 0) {
        return false;
    }
    --state().count.prop_variants_live;
    return true;
}

void reset_variant_tracking() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    live_variants().clear();
    live_prop_variants().clear();
}

}  // namespace standin::detail

extern "C" BSTR WINAPI SysAllocStringLen(const OLECHAR* units, UINT length) {
    auto scripted = enter("SysAllocStringLen", {length});
    if (scripted && scripted->hr < 0) {
        return nullptr;
    }
    return make_bstr(units, length);
}

extern "C" UINT WINAPI SysStringLen(BSTR text) {
    enter("SysStringLen");
    if (text == nullptr) {
        return 0;
    }
    uint32_t bytes = 0;
    memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t), sizeof bytes);
    return bytes / 2u;
}

extern "C" void WINAPI SysFreeString(BSTR text) {
    enter("SysFreeString");
    free_bstr(text);
}

extern "C" void WINAPI VariantInit(VARIANTARG* value) {
    enter("VariantInit");
    memset(value, 0, sizeof *value);
}

extern "C" HRESULT WINAPI VariantClear(VARIANTARG* value) {
    auto scripted = enter("VariantClear", {value != nullptr ? value->vt : -1});
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    if (value == nullptr) {
        return leave(E_INVALIDARG);
    }
    {
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        if (live_variants().erase(value) != 0) {
            --state().count.variants_live;
        }
    }
    switch (value->vt) {
        case VT_BSTR:
            free_bstr(value->bstrVal);
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (value->punkVal != nullptr) {
                value->punkVal->Release();
            }
            break;
        default:
            break;
    }
    memset(value, 0, sizeof *value);
    return leave(after_work(scripted, S_OK));
}
