// The shell link object: five text values and an icon index, loaded from and saved to an
// in-memory file store, with the raw target expanded on request and Resolve following moved
// targets. IShellLinkW and IPersistFile are separate faces of one object, so that the call log
// tells through which interface each call (Release included) came.

#include <string.h>

#include <map>

#include "call_state.h"
#include "class_table.h"
#include "counted_object.h"
#include "object_face.h"
#include "win_standin/shell_link_script.h"

namespace standin {

const CLSID shell_link_class = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace detail {
namespace {

const IID unknown_iid = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID shell_link_w_iid = {
    0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID persist_iid = {
    0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID persist_file_iid = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Guarded by state().lock.
struct link_store {
    std::map<std::u16string, link_file> files;
    std::map<std::u16string, std::u16string> environment;
    std::map<std::u16string, std::u16string> moved;
    bool fill_whole_buffer = false;
};

link_store& store() {
    static link_store instance;
    return instance;
}

std::u16string expand(const std::u16string& raw) {
    std::u16string out;
    size_t at = 0;
    while (at < raw.size()) {
        size_t open = raw.find(u'%', at);
        size_t close = open == std::u16string::npos ? open : raw.find(u'%', open + 1);
        if (close == std::u16string::npos) {
            out.append(raw, at, std::u16string::npos);
            break;
        }
        out.append(raw, at, open - at);
        auto value = store().environment.find(raw.substr(open + 1, close - open - 1));
        if (value == store().environment.end()) {
            out.append(raw, open, close - open + 1);
        } else {
            out.append(value->second);
        }
        at = close + 1;
    }
    return out;
}

// Copies a value the way the shell does: cut to cch - 1 units and terminated, unless the test
// asked for whole-buffer fills.
HRESULT copy_out(const std::u16string& value, LPWSTR buffer, int cch) {
    if (buffer == nullptr || cch <= 0) {
        return E_INVALIDARG;
    }
    size_t capacity = static_cast<size_t>(cch);
    size_t units = value.size();
    if (units >= capacity) {
        units = store().fill_whole_buffer ? capacity : capacity - 1;
    }
    memcpy(buffer, value.data(), units * sizeof(WCHAR));
    if (units < capacity) {
        buffer[units] = 0;
    }
    return S_OK;
}

bool all_zero(const void* bytes, size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

class shell_link_object final : public counted_object {
  public:
    shell_link_object() : link_(this), persist_(this) {}

    // Hands out one of the object's interfaces, without logging (creation uses it too).
    HRESULT hand_out(REFIID iid, void** object) {
        if (iid == unknown_iid || iid == shell_link_w_iid) {
            *object = static_cast<IShellLinkW*>(&link_);
        } else if (iid == persist_iid || iid == persist_file_iid) {
            *object = static_cast<IPersistFile*>(&persist_);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        add_ref();
        return S_OK;
    }

    // IUnknown::QueryInterface through either face.
    HRESULT query(const std::optional<outcome>& scripted, REFIID iid, void** object) {
        if (object == nullptr) {
            return leave(E_POINTER);
        }
        *object = nullptr;
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        HRESULT hr = hand_out(iid, object);
        return leave(SUCCEEDED(hr) ? after_work(scripted, hr) : hr, false);
    }

  private:
    HRESULT get(const std::optional<outcome>& scripted, const std::u16string& value, LPWSTR buffer,
                int cch, HRESULT natural = S_OK) {
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        HRESULT hr = copy_out(value, buffer, cch);
        return leave(FAILED(hr) ? hr : after_work(scripted, natural));
    }

    HRESULT set(const std::optional<outcome>& scripted, LPCWSTR text, std::u16string& field) {
        if (replaces_work(scripted)) {
            return leave(scripted->hr, scripted->sets_error_info);
        }
        if (text == nullptr) {
            return leave(E_INVALIDARG);
        }
        std::lock_guard<std::recursive_mutex> guard(state().lock);
        field = text;
        return leave(after_work(scripted, S_OK));
    }

    class link_face final : public object_face<IShellLinkW, shell_link_object> {
      public:
        explicit link_face(shell_link_object* owner) : object_face(owner, "IShellLinkW") {}

        // Arguments logged: cch, flags, 1 when the find data came zero-filled (0 when not, -1
        // when null).
        HRESULT STDMETHODCALLTYPE GetPath(LPWSTR file, int cch, WIN32_FIND_DATAW* find_data,
                                          DWORD flags) override {
            int64_t zeroed = find_data == nullptr ? -1 : all_zero(find_data, sizeof *find_data);
            auto scripted = enter("IShellLinkW::GetPath", {cch, flags, zeroed});
            std::u16string value;
            {
                std::lock_guard<std::recursive_mutex> guard(state().lock);
                const std::u16string& raw = owner_->values_.target;
                value = (flags & SLGP_RAWPATH) != 0 ? raw : expand(raw);
            }
            return owner_->get(scripted, value, file, cch, value.empty() ? S_FALSE : S_OK);
        }
        HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override {
            enter("IShellLinkW::GetIDList");
            return leave(E_NOTIMPL, false);
        }
        HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override {
            enter("IShellLinkW::SetIDList");
            return leave(E_NOTIMPL, false);
        }
        HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR name, int cch) override {
            auto scripted = enter("IShellLinkW::GetDescription", {cch});
            return owner_->get(scripted, owner_->values_.description, name, cch);
        }
        HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR name) override {
            auto scripted = enter("IShellLinkW::SetDescription");
            return owner_->set(scripted, name, owner_->values_.description);
        }
        HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR dir, int cch) override {
            auto scripted = enter("IShellLinkW::GetWorkingDirectory", {cch});
            return owner_->get(scripted, owner_->values_.working_directory, dir, cch);
        }
        HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR dir) override {
            auto scripted = enter("IShellLinkW::SetWorkingDirectory");
            return owner_->set(scripted, dir, owner_->values_.working_directory);
        }
        HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR args, int cch) override {
            auto scripted = enter("IShellLinkW::GetArguments", {cch});
            return owner_->get(scripted, owner_->values_.arguments, args, cch);
        }
        HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR args) override {
            auto scripted = enter("IShellLinkW::SetArguments");
            return owner_->set(scripted, args, owner_->values_.arguments);
        }
        HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override {
            enter("IShellLinkW::GetHotkey");
            return leave(E_NOTIMPL, false);
        }
        HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override {
            enter("IShellLinkW::SetHotkey");
            return leave(E_NOTIMPL, false);
        }
        HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override {
            enter("IShellLinkW::GetShowCmd");
            return leave(E_NOTIMPL, false);
        }
        HRESULT STDMETHODCALLTYPE SetShowCmd(int) override {
            enter("IShellLinkW::SetShowCmd");
            return leave(E_NOTIMPL, false);
        }
        HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR path, int cch, int* icon) override {
            auto scripted = enter("IShellLinkW::GetIconLocation", {cch});
            if (icon == nullptr) {
                return leave(E_INVALIDARG);
            }
            HRESULT hr = owner_->get(scripted, owner_->values_.icon_path, path, cch);
            if (SUCCEEDED(hr)) {
                *icon = owner_->values_.icon_index;
            }
            return hr;
        }
        // Arguments logged: the icon index.
        HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR path, int icon) override {
            auto scripted = enter("IShellLinkW::SetIconLocation", {icon});
            HRESULT hr = owner_->set(scripted, path, owner_->values_.icon_path);
            if (SUCCEEDED(hr) && !replaces_work(scripted)) {
                owner_->values_.icon_index = icon;
            }
            return hr;
        }
        HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR, DWORD) override {
            enter("IShellLinkW::SetRelativePath");
            return leave(E_NOTIMPL, false);
        }
        // Arguments logged: the window handle's value and the flags.
        HRESULT STDMETHODCALLTYPE Resolve(HWND window, DWORD flags) override {
            auto scripted =
                enter("IShellLinkW::Resolve",
                      {static_cast<int64_t>(reinterpret_cast<intptr_t>(window)), flags});
            if (replaces_work(scripted)) {
                return leave(scripted->hr, scripted->sets_error_info);
            }
            std::lock_guard<std::recursive_mutex> guard(state().lock);
            auto moved = store().moved.find(owner_->values_.target);
            if (moved != store().moved.end()) {
                owner_->values_.target = moved->second;
                if ((flags & SLR_UPDATE) != 0 && !owner_->loaded_from_.empty()) {
                    store().files[owner_->loaded_from_] = owner_->values_;
                }
            }
            return leave(after_work(scripted, S_OK));
        }
        HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR file) override {
            auto scripted = enter("IShellLinkW::SetPath");
            return owner_->set(scripted, file, owner_->values_.target);
        }
    };

    class persist_face final : public object_face<IPersistFile, shell_link_object> {
      public:
        explicit persist_face(shell_link_object* owner) : object_face(owner, "IPersistFile") {}

        HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
            enter("IPersistFile::GetClassID");
            if (clsid == nullptr) {
                return leave(E_POINTER);
            }
            *clsid = shell_link_class;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE IsDirty() override {
            enter("IPersistFile::IsDirty");
            return S_FALSE;
        }
        // Arguments logged: the storage mode.
        HRESULT STDMETHODCALLTYPE Load(LPCOLESTR path, DWORD mode) override {
            auto scripted = enter("IPersistFile::Load", {mode});
            if (replaces_work(scripted)) {
                return leave(scripted->hr, scripted->sets_error_info);
            }
            if (path == nullptr) {
                return leave(E_POINTER);
            }
            std::lock_guard<std::recursive_mutex> guard(state().lock);
            auto file = store().files.find(path);
            if (file == store().files.end()) {
                return leave(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
            }
            owner_->values_ = file->second;
            owner_->loaded_from_ = path;
            return leave(after_work(scripted, S_OK));
        }
        // Arguments logged: fRemember.
        HRESULT STDMETHODCALLTYPE Save(LPCOLESTR path, BOOL remember) override {
            auto scripted = enter("IPersistFile::Save", {remember});
            if (replaces_work(scripted)) {
                return leave(scripted->hr, scripted->sets_error_info);
            }
            std::lock_guard<std::recursive_mutex> guard(state().lock);
            std::u16string where = path != nullptr ? std::u16string(path) : owner_->loaded_from_;
            if (where.empty()) {
                return leave(E_INVALIDARG);
            }
            store().files[where] = owner_->values_;
            if (remember) {
                owner_->loaded_from_ = where;
            }
            return leave(after_work(scripted, S_OK));
        }
        HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override {
            enter("IPersistFile::SaveCompleted");
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override {
            enter("IPersistFile::GetCurFile");
            return leave(E_NOTIMPL, false);
        }
    };

    link_file values_;
    std::u16string loaded_from_;
    link_face link_;
    persist_face persist_;
};

HRESULT create_shell_link(REFIID iid, void** object) {
    auto* made = new shell_link_object();
    HRESULT hr = made->hand_out(iid, object);
    made->release();
    return hr;
}

const bool shell_link_registered = register_class(shell_link_class, create_shell_link);

}  // namespace

void reset_shell_links() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    store() = link_store{};
}

}  // namespace detail

void put_link_file(const std::u16string& path, const link_file& file) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::store().files[path] = file;
}

bool get_link_file(const std::u16string& path, link_file* file) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    auto found = detail::store().files.find(path);
    if (found == detail::store().files.end()) {
        return false;
    }
    *file = found->second;
    return true;
}

size_t link_file_count() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::store().files.size();
}

void set_environment(const std::u16string& name, const std::u16string& value) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::store().environment[name] = value;
}

void set_moved_target(const std::u16string& from, const std::u16string& to) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::store().moved[from] = to;
}

void set_getters_fill_whole_buffer(bool fill) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::store().fill_whole_buffer = fill;
}

}  // namespace standin
