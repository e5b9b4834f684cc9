// State shared by every area of the stand-in: the lock, counters, scripts, call log and the
// per-thread apartment and error object, plus the entry and exit every stand-in call goes
// through.
#pragma once

#include <stdint.h>

#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "win_standin/property_system.h"
#include "win_standin/script.h"
#include "win_standin/windows.h"

namespace standin::detail {

struct shared_state {
    std::recursive_mutex lock;
    counters count;
    std::map<std::string, std::vector<std::pair<unsigned, outcome>>> scripts;
    std::map<std::string, unsigned> calls;
    std::map<std::string, std::vector<int64_t>> last_arguments;
    std::vector<std::string> log;
};
shared_state& state();

struct thread_state {
    int apartment_depth = 0;
    DWORD apartment_model = 0;
    IErrorInfo* error_object = nullptr;
    bool error_object_flagged = false;  // already counted as stale
};
thread_state& this_thread();

// Start of every stand-in call: logs and counts it, flags an unfetched error object (unless
// `quiet_about_errors`, for the calls that fetch or release it) and returns the scripted
// outcome for this call, if there is one.
std::optional<outcome> enter(const char* method, std::initializer_list<int64_t> arguments = {},
                             bool quiet_about_errors = false);

// End of a call that returns an HRESULT: counts failures and, when asked, leaves an error object
// on the thread.
HRESULT leave(HRESULT hr, bool sets_error_info = true);

// A scripted outcome that replaces the call's work: a negative result or an empty success.
inline bool replaces_work(const std::optional<outcome>& scripted) {
    return scripted && (scripted->what == outcome::kind::empty || scripted->hr < 0);
}

// The HRESULT to return after the call's own work produced `natural`.
inline HRESULT after_work(const std::optional<outcome>& scripted, HRESULT natural) {
    return scripted ? scripted->hr : natural;
}

// Leaves a new error object on the calling thread (error_info.cpp).
void raise_error_object();
// Drops the calling thread's error object without counting it as fetched (reset()).
void clear_error_object();

// Hooks by which each area forgets its data on reset().
void reset_shell_links();
void reset_variant_tracking();
void reset_shell_automation();
void reset_paths();
void reset_audio();

// BSTRs made and freed by the stand-in itself, counted like the library's but not logged
// (automation.cpp).
BSTR make_bstr(const OLECHAR* units, UINT length);
void free_bstr(BSTR text);
// VARIANTs and PROPVARIANTs that stand-in methods filled, counted live until they are cleared.
void note_variant_filled(const VARIANT* value);
void note_prop_variant_filled(const PROPVARIANT* value);
bool note_prop_variant_cleared(const PROPVARIANT* value);

}  // namespace standin::detail
