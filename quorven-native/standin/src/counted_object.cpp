// Live-object accounting of the stand-in's COM objects.

#include "counted_object.h"

#include "call_state.h"

namespace standin::detail {

counted_object::counted_object() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    ++state().count.objects_created;
    ++state().count.objects_live;
}

counted_object::~counted_object() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    --state().count.objects_live;
}

ULONG counted_object::release() {
    ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

}  // namespace standin::detail
