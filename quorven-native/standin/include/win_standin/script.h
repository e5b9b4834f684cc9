// The stand-in's control panel for tests: scripted outcomes per method and call number, the
// accounting that every export call must leave balanced, and the call log.
//
// Method names are "Function" for flat functions ("CoCreateInstance", "HeapAlloc") and
// "Interface::Method" for interface methods ("IPersistFile::Load", "IShellLinkW::Release").
// The same names appear in the call log and key the scripts.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "win_standin/windows.h"

namespace standin {

// What one scripted call does.
struct outcome {
    enum class kind {
        result,  // return `hr`; a negative one skips the call's work and hands back nothing
        empty,   // return `hr` (a success) and hand back no object or interface
    };
    kind what = kind::result;
    HRESULT hr = S_OK;
    // A failing result leaves an error object on the thread, as a real server would.
    bool sets_error_info = true;
};

// Scripts call number `call` of `method` (1-based, counted since reset()); 0 scripts every call.
// A non-negative `result` outcome does the call's normal work and then returns `hr`.
void script(const std::string& method, unsigned call, const outcome& what);

inline void fail(const std::string& method, HRESULT hr, unsigned call = 0) {
    script(method, call, outcome{outcome::kind::result, hr, true});
}
inline void succeed_with(const std::string& method, HRESULT hr, unsigned call = 0) {
    script(method, call, outcome{outcome::kind::result, hr, false});
}
inline void succeed_empty(const std::string& method, unsigned call = 0) {
    script(method, call, outcome{outcome::kind::empty, S_OK, false});
}

// Forgets scripts, counters, the call log, every area's data (files, environment) and the calling
// thread's apartment and error object.
void reset();

// Process-wide accounting since reset().
struct counters {
    long objects_created = 0;
    long objects_live = 0;      // COM objects not yet released to zero
    long heap_allocations = 0;  // HeapAlloc calls that returned a block
    long heap_blocks_live = 0;  // of those, not yet freed
    long heap_misuse = 0;       // foreign heap handle, flags, unknown or double free
    long bstr_allocations = 0;
    long bstrs_live = 0;               // BSTRs not yet freed
    long task_blocks_live = 0;         // CoTaskMemAlloc blocks not yet freed
    long failures = 0;                 // negative HRESULTs returned by stand-in calls
    long error_objects_set = 0;        // error objects left on a thread by a failing call
    long error_objects_fetched = 0;    // error objects handed out by GetErrorInfo
    long stale_error_objects = 0;      // calls made while an error object waited to be fetched
    long unbalanced_uninitialize = 0;  // CoUninitialize without a matching initialisation
    long variants_live = 0;            // VARIANTs filled by stand-in methods and not yet cleared
    long prop_variants_live = 0;       // PROPVARIANTs filled by conversions and not yet cleared
};
counters snapshot();

// The calling thread's apartment: successful CoInitializeEx calls not yet balanced, and the
// COINIT model of the first one (meaningful only while depth > 0).
int apartment_depth();
DWORD apartment_model();
// Whether the calling thread holds an error object that nobody fetched.
bool error_object_pending();

// Every stand-in call since reset(), in order.
std::vector<std::string> call_log();
unsigned call_count(const std::string& method);
// Integer arguments of the last call of `method` (which ones: see each method's stand-in).
std::vector<int64_t> last_arguments(const std::string& method);

}  // namespace standin
