// The shell's automation objects: the shell application object (IShellDispatch2), the shell
// windows with one desktop, the desktop's browser and folder view, and folders with items that
// tests script. Every object is a separate counted object whose methods are logged as
// "Interface::Method"; getters hand out new objects, so that every reference the library takes
// shows in the live count.

#include <string.h>

#include <functional>
#include <map>

#include "call_state.h"
#include "class_table.h"
#include "counted_object.h"
#include "win_standin/shell_automation_script.h"

namespace standin {

const CLSID shell_application_class = {
    0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace detail {
namespace {

const IID unknown_iid = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID dispatch_iid = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID shell_dispatch_iid = {
    0xD8F015C0, 0xC278, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID shell_dispatch2_iid = {
    0xA4C6892C, 0x3BA9, 0x11D2, {0x9D, 0xEA, 0x00, 0xC0, 0x4F, 0xB1, 0x61, 0x62}};
const IID shell_windows_iid = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const IID web_browser_iid = {
    0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};
const IID folder_view_iid = {
    0xE7A1AF80, 0x4D96, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const IID folder_iid = {
    0xBBCBDE60, 0xC3FF, 0x11CE, {0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID folder_items_iid = {
    0x744129E0, 0xCBE5, 0x11CE, {0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID folder_item_iid = {
    0xFAC32C80, 0xCBE4, 0x11CE, {0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID folder_item2_iid = {
    0xEDC817AA, 0x92B8, 0x11D1, {0xB0, 0x75, 0x00, 0xC0, 0x4F, 0xC3, 0x3A, 0xA5}};

// Guarded by state().lock.
struct shell_store {
    std::map<int32_t, std::vector<shell_item>> numbered;
    std::map<std::u16string, std::vector<shell_item>> named;
    bool desktop = true;
    std::vector<invoked_verb> verbs;
    std::vector<shell_execute_call> executes;
    variant_seen last_namespace;
};

shell_store& store() {
    static shell_store instance;
    return instance;
}

std::u16string text_of(BSTR text) {
    return text == nullptr ? std::u16string() : std::u16string(text);
}

variant_seen seen(const VARIANT& value) {
    variant_seen out;
    out.vt = value.vt;
    if (value.vt == VT_BSTR) {
        out.null_text = value.bstrVal == nullptr;
        out.text = text_of(value.bstrVal);
    } else if (value.vt == VT_I4) {
        out.number = value.lVal;
    }
    return out;
}

// A new BSTR for the caller, null for an empty text.
BSTR text_for_caller(const std::u16string& text) {
    return text.empty() ? nullptr : make_bstr(text.data(), static_cast<UINT>(text.size()));
}

// What every automation object shares: reference counting, IUnknown logged under the object's
// interface name, and IDispatch, which the library never uses.
template <typename Interface>
class automation_object : public counted_object, public Interface {
  public:
    automation_object(const char* name, std::initializer_list<IID> faces)
        : name_(name), faces_(faces) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        auto scripted = enter((name_ + "::QueryInterface").c_str());
        if (object == nullptr) {
            return leave(E_POINTER);
        }
        *object = nullptr;
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        for (const IID& face : faces_) {
            if (face == iid) {
                *object = static_cast<Interface*>(this);
                add_ref();
                return leave(after_work(scripted, S_OK));
            }
        }
        return leave(E_NOINTERFACE, false);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        enter((name_ + "::AddRef").c_str());
        return add_ref();
    }
    ULONG STDMETHODCALLTYPE Release() override {
        enter((name_ + "::Release").c_str());
        return release();
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

  private:
    std::string name_;
    std::vector<IID> faces_;
};

// The end of a method that hands back an object: a scripted failure or empty success hands back
// nothing; otherwise `make` builds the object (null for "none", then `natural` is returned).
template <typename Out>
HRESULT hand_out(const std::optional<outcome>& scripted, Out** out,
                 const std::function<Out*()>& make, HRESULT natural = S_OK) {
    if (out == nullptr) {
        return leave(E_POINTER);
    }
    *out = nullptr;
    if (replaces_work(scripted)) {
        return leave(scripted->hr, scripted->sets_error_info);
    }
    *out = make();
    return leave(after_work(scripted, *out != nullptr ? S_OK : natural));
}

HRESULT not_implemented(const char* method) {
    enter(method);
    return leave(E_NOTIMPL, false);
}

class item_object final : public automation_object<FolderItem2> {
  public:
    explicit item_object(const shell_item& item)
        : automation_object("FolderItem",
                            {unknown_iid, dispatch_iid, folder_item_iid, folder_item2_iid}),
          item_(item) {}

    HRESULT STDMETHODCALLTYPE get_Application(IDispatch**) override {
        return not_implemented("FolderItem::get_Application");
    }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) override {
        return not_implemented("FolderItem::get_Parent");
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        return text_out(enter("FolderItem::get_Name"), item_.name, name);
    }
    HRESULT STDMETHODCALLTYPE put_Name(BSTR) override {
        return not_implemented("FolderItem::put_Name");
    }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override {
        return text_out(enter("FolderItem::get_Path"), item_.path, path);
    }
    // Arguments logged: the verb's type.
    HRESULT STDMETHODCALLTYPE InvokeVerb(VARIANT verb) override {
        auto scripted = enter("FolderItem::InvokeVerb", {verb.vt});
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        store().verbs.push_back(invoked_verb{item_.path.empty() ? item_.name : item_.path,
                                             verb.vt == VT_BSTR ? text_of(verb.bstrVal) : u""});
        return leave(after_work(scripted, S_OK));
    }
    HRESULT STDMETHODCALLTYPE InvokeVerbEx(VARIANT, VARIANT) override {
        return not_implemented("FolderItem2::InvokeVerbEx");
    }
    // A property the item does not have comes back as VT_EMPTY, as the shell does.
    HRESULT STDMETHODCALLTYPE ExtendedProperty(BSTR name, VARIANT* value) override {
        auto scripted = enter("FolderItem2::ExtendedProperty");
        if (value == nullptr) {
            return leave(E_POINTER);
        }
        memset(value, 0, sizeof *value);
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        auto found = item_.properties.find(text_of(name));
        if (found != item_.properties.end()) {
            const property_value& property = found->second;
            value->vt = property.vt;
            if (property.vt == VT_BSTR) {
                value->bstrVal =
                    make_bstr(property.text.data(), static_cast<UINT>(property.text.size()));
            } else if (property.vt == VT_BOOL) {
                value->boolVal = property.number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            } else {
                value->lVal = property.number;
            }
            note_variant_filled(value);
        }
        return leave(after_work(scripted, S_OK));
    }

  private:
    HRESULT text_out(const std::optional<outcome>& scripted, const std::u16string& text,
                     BSTR* out) {
        if (out == nullptr) {
            return leave(E_POINTER);
        }
        *out = nullptr;
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        *out = text_for_caller(text);
        return leave(after_work(scripted, S_OK));
    }

    shell_item item_;
};

class items_object final : public automation_object<FolderItems> {
  public:
    explicit items_object(const std::vector<shell_item>& items)
        : automation_object("FolderItems", {unknown_iid, dispatch_iid, folder_items_iid}),
          items_(items) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        auto scripted = enter("FolderItems::get_Count");
        if (count == nullptr) {
            return leave(E_POINTER);
        }
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        *count = static_cast<LONG>(items_.size());
        return leave(after_work(scripted, S_OK));
    }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch**) override {
        return not_implemented("FolderItems::get_Application");
    }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) override {
        return not_implemented("FolderItems::get_Parent");
    }
    // Arguments logged: the index's type and value. An index out of range gives S_FALSE and no
    // item.
    HRESULT STDMETHODCALLTYPE Item(VARIANT index, FolderItem** item) override {
        auto scripted = enter("FolderItems::Item", {index.vt, index.lVal});
        return hand_out<FolderItem>(
            scripted, item,
            [&]() -> FolderItem* {
                if (index.vt != VT_I4 || index.lVal < 0 ||
                    static_cast<size_t>(index.lVal) >= items_.size()) {
                    return nullptr;
                }
                return new item_object(items_[static_cast<size_t>(index.lVal)]);
            },
            S_FALSE);
    }

  private:
    std::vector<shell_item> items_;
};

bool same_ignoring_ascii_case(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

class folder_object final : public automation_object<Folder> {
  public:
    explicit folder_object(const std::vector<shell_item>& items)
        : automation_object("Folder", {unknown_iid, dispatch_iid, folder_iid}), items_(items) {}

    HRESULT STDMETHODCALLTYPE get_Title(BSTR*) override {
        return not_implemented("Folder::get_Title");
    }
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch**) override {
        return not_implemented("Folder::get_Application");
    }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) override {
        return not_implemented("Folder::get_Parent");
    }
    HRESULT STDMETHODCALLTYPE get_ParentFolder(Folder**) override {
        return not_implemented("Folder::get_ParentFolder");
    }
    HRESULT STDMETHODCALLTYPE Items(FolderItems** items) override {
        return hand_out<FolderItems>(enter("Folder::Items"), items,
                                     [&] { return new items_object(items_); });
    }
    // A name that no item has gives S_FALSE and no item, as the shell does.
    HRESULT STDMETHODCALLTYPE ParseName(BSTR name, FolderItem** item) override {
        auto scripted = enter("Folder::ParseName");
        return hand_out<FolderItem>(
            scripted, item,
            [&]() -> FolderItem* {
                for (const shell_item& each : items_) {
                    if (same_ignoring_ascii_case(each.name, text_of(name))) {
                        return new item_object(each);
                    }
                }
                return nullptr;
            },
            S_FALSE);
    }

  private:
    std::vector<shell_item> items_;
};

class shell_object;

// The desktop's folder view: its application is a shell application object of its own.
class view_object final : public automation_object<IShellFolderViewDual> {
  public:
    view_object()
        : automation_object("IShellFolderViewDual", {unknown_iid, dispatch_iid, folder_view_iid}) {}
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** application) override;
};

class browser_object final : public automation_object<IWebBrowser> {
  public:
    browser_object()
        : automation_object("IWebBrowser", {unknown_iid, dispatch_iid, web_browser_iid}) {}
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override {
        return hand_out<IDispatch>(enter("IWebBrowser::get_Document"), document,
                                   [] { return new view_object(); });
    }
};

class windows_object final : public automation_object<IShellWindows> {
  public:
    windows_object()
        : automation_object("IShellWindows", {unknown_iid, dispatch_iid, shell_windows_iid}) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG*) override {
        return not_implemented("IShellWindows::get_Count");
    }
    HRESULT STDMETHODCALLTYPE Item(VARIANT, IDispatch**) override {
        return not_implemented("IShellWindows::Item");
    }
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown**) override {
        return not_implemented("IShellWindows::_NewEnum");
    }
    // Arguments logged: the location's type, the root's type and value, the window class, the
    // window handle's value on entry (-1 for a null pointer) and the options. Without a desktop
    // the search comes back S_FALSE and empty.
    HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT* location, VARIANT* root, int window_class,
                                           LONG* window, int options, IDispatch** found) override {
        auto scripted = enter("IShellWindows::FindWindowSW",
                              {location != nullptr ? location->vt : -1,
                               root != nullptr ? root->vt : -1, root != nullptr ? root->lVal : -1,
                               window_class, window != nullptr ? *window : -1, options});
        return hand_out<IDispatch>(
            scripted, found,
            [&]() -> IDispatch* {
                std::lock_guard<std::recursive_mutex> guard(state().lock);
                if (!store().desktop || window_class != SWC_DESKTOP) {
                    return nullptr;
                }
                if (window != nullptr) {
                    *window = 0x10010;
                }
                return new browser_object();
            },
            S_FALSE);
    }
};

class shell_object final : public automation_object<IShellDispatch2> {
  public:
    shell_object()
        : automation_object("IShellDispatch",
                            {unknown_iid, dispatch_iid, shell_dispatch_iid, shell_dispatch2_iid}) {}

    HRESULT STDMETHODCALLTYPE get_Application(IDispatch**) override {
        return not_implemented("IShellDispatch::get_Application");
    }
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) override {
        return not_implemented("IShellDispatch::get_Parent");
    }
    // Arguments logged: the folder's type and, for VT_I4, its number.
    HRESULT STDMETHODCALLTYPE NameSpace(VARIANT where, Folder** folder) override {
        auto scripted = enter("IShellDispatch::NameSpace", {where.vt, where.lVal});
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        store().last_namespace = seen(where);
        return hand_out<Folder>(
            scripted, folder,
            [&]() -> Folder* {
                if (where.vt == VT_I4) {
                    auto found = store().numbered.find(where.lVal);
                    return found == store().numbered.end() ? nullptr
                                                           : new folder_object(found->second);
                }
                auto found = store().named.find(where.vt == VT_BSTR ? text_of(where.bstrVal)
                                                                    : std::u16string());
                return found == store().named.end() ? nullptr : new folder_object(found->second);
            },
            S_FALSE);
    }
    HRESULT STDMETHODCALLTYPE BrowseForFolder(LONG, BSTR, LONG, VARIANT, Folder**) override {
        return not_implemented("IShellDispatch::BrowseForFolder");
    }
    HRESULT STDMETHODCALLTYPE Windows(IDispatch** windows) override {
        return hand_out<IDispatch>(enter("IShellDispatch::Windows"), windows,
                                   [] { return new windows_object(); });
    }
    HRESULT STDMETHODCALLTYPE IsRestricted(BSTR, BSTR, LONG*) override {
        return not_implemented("IShellDispatch2::IsRestricted");
    }
    HRESULT STDMETHODCALLTYPE ShellExecute(BSTR file, VARIANT arguments, VARIANT directory,
                                           VARIANT operation, VARIANT show) override {
        auto scripted = enter("IShellDispatch2::ShellExecute");
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        store().executes.push_back(shell_execute_call{text_of(file), file == nullptr,
                                                      seen(arguments), seen(directory),
                                                      seen(operation), seen(show)});
        return leave(after_work(scripted, S_OK));
    }
};

HRESULT view_object::get_Application(IDispatch** application) {
    return hand_out<IDispatch>(enter("IShellFolderViewDual::get_Application"), application,
                               [] { return static_cast<IShellDispatch2*>(new shell_object()); });
}

HRESULT create_shell_application(REFIID iid, void** object) {
    auto* made = new shell_object();
    HRESULT hr = E_NOINTERFACE;
    *object = nullptr;
    if (iid == unknown_iid || iid == dispatch_iid || iid == shell_dispatch_iid ||
        iid == shell_dispatch2_iid) {
        *object = static_cast<IShellDispatch2*>(made);
        made->add_ref();
        hr = S_OK;
    }
    made->release();
    return hr;
}

const bool shell_application_registered =
    register_class(shell_application_class, create_shell_application);

}  // namespace

void reset_shell_automation() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    store() = shell_store{};
}

}  // namespace detail

void put_numbered_folder(int32_t number, const std::vector<shell_item>& items) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::store().numbered[number] = items;
}

void put_named_folder(const std::u16string& name, const std::vector<shell_item>& items) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::store().named[name] = items;
}

void set_desktop_present(bool present) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::store().desktop = present;
}

std::vector<invoked_verb> invoked_verbs() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::store().verbs;
}

std::vector<shell_execute_call> shell_executes() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::store().executes;
}

variant_seen last_namespace_argument() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::store().last_namespace;
}

}  // namespace standin
