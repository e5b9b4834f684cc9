// Owners that release what they hold when they go out of scope, so every path of a call
// releases in reverse order of acquisition by construction.
#pragma once

#include "qv/memory.h"

namespace qv {

// One heap object from the allocator layer.
template <typename T>
class owned {
  public:
    owned() = default;
    explicit owned(T* object) : object_(object) {}
    ~owned() { reset(); }
    owned(const owned&) = delete;
    owned& operator=(const owned&) = delete;
    owned(owned&& other) noexcept : object_(other.release()) {}
    owned& operator=(owned&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    T* release() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }
    void reset(T* object = nullptr) {
        if (object_ != nullptr) {
            object_->~T();
            mem_free(object_);
        }
        object_ = object;
    }

  private:
    T* object_ = nullptr;
};

// Constructs a T in allocator memory; an empty owner when the allocation fails.
template <typename T, typename... Args>
owned<T> make_owned(Args&&... args) noexcept {
    void* block = mem_alloc(sizeof(T));
    if (block == nullptr) {
        return owned<T>();
    }
    return owned<T>(QV_CONSTRUCT_AT(block, T)(forward<Args>(args)...));
}

// A handle-like resource closed by Traits::close; Traits::invalid() is the empty value.
template <typename Traits>
class unique_resource {
  public:
    using handle_type = typename Traits::handle_type;

    unique_resource() = default;
    explicit unique_resource(handle_type handle) : handle_(handle) {}
    ~unique_resource() { reset(); }
    unique_resource(const unique_resource&) = delete;
    unique_resource& operator=(const unique_resource&) = delete;
    unique_resource(unique_resource&& other) noexcept : handle_(other.release()) {}
    unique_resource& operator=(unique_resource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    handle_type get() const { return handle_; }
    bool valid() const { return handle_ != Traits::invalid(); }
    handle_type release() {
        handle_type handle = handle_;
        handle_ = Traits::invalid();
        return handle;
    }
    void reset(handle_type handle = Traits::invalid()) {
        if (handle_ != Traits::invalid()) {
            Traits::close(handle_);
        }
        handle_ = handle;
    }

  private:
    handle_type handle_ = Traits::invalid();
};

}  // namespace qv
