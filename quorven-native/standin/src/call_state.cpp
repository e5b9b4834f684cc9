// The shared state, the entry and exit of every stand-in call, and the test-facing accessors.

#include "call_state.h"

namespace standin {
namespace detail {

shared_state& state() {
    static shared_state instance;
    return instance;
}

thread_state& this_thread() {
    thread_local thread_state instance;
    return instance;
}

std::optional<outcome> enter(const char* method, std::initializer_list<int64_t> arguments,
                             bool quiet_about_errors) {
    thread_state& thread = this_thread();
    shared_state& shared = state();
    std::lock_guard<std::recursive_mutex> guard(shared.lock);
    if (!quiet_about_errors && thread.error_object != nullptr && !thread.error_object_flagged) {
        thread.error_object_flagged = true;
        ++shared.count.stale_error_objects;
    }
    shared.log.emplace_back(method);
    shared.last_arguments[method] = std::vector<int64_t>(arguments);
    unsigned call = ++shared.calls[method];
    auto scripted = shared.scripts.find(method);
    if (scripted == shared.scripts.end()) {
        return std::nullopt;
    }
    for (const auto& [number, what] : scripted->second) {
        if (number == call || number == 0) {
            return what;
        }
    }
    return std::nullopt;
}

HRESULT leave(HRESULT hr, bool sets_error_info) {
    if (hr < 0) {
        {
            std::lock_guard<std::recursive_mutex> guard(state().lock);
            ++state().count.failures;
        }
        if (sets_error_info) {
            raise_error_object();
        }
    }
    return hr;
}

}  // namespace detail

void script(const std::string& method, unsigned call, const outcome& what) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    detail::state().scripts[method].emplace_back(call, what);
}

void reset() {
    detail::clear_error_object();
    detail::this_thread().apartment_depth = 0;
    detail::reset_shell_links();
    detail::reset_variant_tracking();
    detail::reset_shell_automation();
    detail::reset_paths();
    detail::reset_audio();
    detail::shared_state& shared = detail::state();
    std::lock_guard<std::recursive_mutex> guard(shared.lock);
    shared.count = counters{};
    shared.scripts.clear();
    shared.calls.clear();
    shared.last_arguments.clear();
    shared.log.clear();
}

counters snapshot() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::state().count;
}

int apartment_depth() {
    return detail::this_thread().apartment_depth;
}
DWORD apartment_model() {
    return detail::this_thread().apartment_model;
}
bool error_object_pending() {
    return detail::this_thread().error_object != nullptr;
}

std::vector<std::string> call_log() {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    return detail::state().log;
}

unsigned call_count(const std::string& method) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    auto found = detail::state().calls.find(method);
    return found == detail::state().calls.end() ? 0 : found->second;
}

std::vector<int64_t> last_arguments(const std::string& method) {
    std::lock_guard<std::recursive_mutex> guard(detail::state().lock);
    auto found = detail::state().last_arguments.find(method);
    return found == detail::state().last_arguments.end() ? std::vector<int64_t>{} : found->second;
}

}  // namespace standin
