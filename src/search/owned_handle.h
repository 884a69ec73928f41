// Sole ownership of a handle of a C library (a database, a statement, a result): released
// once, by the library's own function, when its owner goes or takes another handle.
#pragma once

#include <utility>

namespace quarrymink {

template <class T, auto Release>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(T* handle) noexcept : handle_(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            Free();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ~OwnedHandle() { Free(); }

    T* get() const noexcept { return handle_; }

private:
    void Free() noexcept {
        if (handle_) Release(handle_);
    }

    T* handle_ = nullptr;
};

}  // namespace quarrymink
