// The property system's conversions between VARIANTs, PROPVARIANTs and BSTRs, with the filled
// PROPVARIANTs counted until PropVariantClear.

#include <string.h>

#include <string>

#include "call_state.h"

using namespace standin::detail;

namespace {

std::u16string text_of(BSTR text) {
    return text == nullptr ? std::u16string() : std::u16string(text);
}

bool same_ignoring_ascii_case(const std::u16string& text, const char* word) {
    size_t i = 0;
    for (; i < text.size() && word[i] != 0; ++i) {
        char16_t c = text[i] >= u'A' && text[i] <= u'Z' ? text[i] + (u'a' - u'A') : text[i];
        if (c != static_cast<char16_t>(word[i])) {
            return false;
        }
    }
    return i == text.size() && word[i] == 0;
}

}  // namespace

// Copies VT_EMPTY, VT_I4, VT_BOOL and VT_BSTR (into a new BSTR); other types do not convert.
extern "C" HRESULT WINAPI VariantToPropVariant(const VARIANT* from, PROPVARIANT* to) {
    auto scripted = enter("VariantToPropVariant", {from != nullptr ? from->vt : -1});
    if (from == nullptr || to == nullptr) {
        return leave(E_INVALIDARG);
    }
    memset(to, 0, sizeof *to);
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    switch (from->vt) {
        case VT_EMPTY:
            return leave(after_work(scripted, S_OK));
        case VT_I4:
            to->lVal = from->lVal;
            break;
        case VT_BOOL:
            to->boolVal = from->boolVal;
            break;
        case VT_BSTR:
            to->bstrVal =
                make_bstr(from->bstrVal, static_cast<UINT>(text_of(from->bstrVal).size()));
            break;
        default:
            return leave(DISP_E_TYPEMISMATCH);
    }
    to->vt = from->vt;
    note_prop_variant_filled(to);
    return leave(after_work(scripted, S_OK));
}

// VT_BSTR and VT_LPWSTR as their text, VT_I4 in decimal; other types do not convert.
extern "C" HRESULT WINAPI PropVariantToBSTR(const PROPVARIANT& from, BSTR* to) {
    auto scripted = enter("PropVariantToBSTR", {from.vt});
    if (to == nullptr) {
        return leave(E_INVALIDARG);
    }
    *to = nullptr;
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    std::u16string text;
    if (from.vt == VT_BSTR) {
        text = text_of(from.bstrVal);
    } else if (from.vt == VT_LPWSTR) {
        text = from.pwszVal == nullptr ? u"" : from.pwszVal;
    } else if (from.vt == VT_I4) {
        for (char c : std::to_string(from.lVal)) {
            text.push_back(static_cast<char16_t>(c));
        }
    } else {
        return leave(TYPE_E_TYPEMISMATCH);
    }
    *to = make_bstr(text.data(), static_cast<UINT>(text.size()));
    return leave(after_work(scripted, S_OK));
}

// VT_BOOL, VT_I4 (non-zero is true) and the texts "true" and "false".
extern "C" HRESULT WINAPI VariantToBoolean(const VARIANT& from, BOOL* to) {
    auto scripted = enter("VariantToBoolean", {from.vt});
    if (to == nullptr) {
        return leave(E_INVALIDARG);
    }
    *to = FALSE;
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    if (from.vt == VT_BOOL) {
        *to = from.boolVal != VARIANT_FALSE;
    } else if (from.vt == VT_I4) {
        *to = from.lVal != 0;
    } else if (from.vt == VT_BSTR && same_ignoring_ascii_case(text_of(from.bstrVal), "true")) {
        *to = TRUE;
    } else if (!(from.vt == VT_BSTR && same_ignoring_ascii_case(text_of(from.bstrVal), "false"))) {
        return leave(DISP_E_TYPEMISMATCH);
    }
    return leave(after_work(scripted, S_OK));
}

// VT_I4 and VT_BOOL (-1 or 0).
extern "C" HRESULT WINAPI VariantToInt32(const VARIANT& from, LONG* to) {
    auto scripted = enter("VariantToInt32", {from.vt});
    if (to == nullptr) {
        return leave(E_INVALIDARG);
    }
    *to = 0;
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    if (from.vt == VT_I4) {
        *to = from.lVal;
    } else if (from.vt == VT_BOOL) {
        *to = from.boolVal != VARIANT_FALSE ? -1 : 0;
    } else {
        return leave(DISP_E_TYPEMISMATCH);
    }
    return leave(after_work(scripted, S_OK));
}

extern "C" HRESULT WINAPI PropVariantClear(PROPVARIANT* value) {
    auto scripted = enter("PropVariantClear", {value != nullptr ? value->vt : -1});
    if (value == nullptr) {
        return leave(E_INVALIDARG);
    }
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    note_prop_variant_cleared(value);
    if (value->vt == VT_BSTR) {
        free_bstr(value->bstrVal);
    }
    memset(value, 0, sizeof *value);
    return leave(after_work(scripted, S_OK));
}
