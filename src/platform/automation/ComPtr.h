#pragma once

#include <utility>

#include "Interfaces.h"

namespace platform {

// Holds one reference on an interface and releases it when it goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already holds.
    static ComPtr Attach(T* p) {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) {
            p_->AddRef();
        }
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    // Gives up the reference without releasing it.
    T* Detach() { return std::exchange(p_, nullptr); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters of type T**; releases what was held first.
    T** Receive() {
        Reset();
        return &p_;
    }
    // For out-parameters of type void** (QueryInterface, CoCreateInstance).
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

private:
    T* p_ = nullptr;
};

}  // namespace platform
