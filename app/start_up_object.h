#pragma once

#include <new>

// Room for one object that start-up makes and shutdown destroys, each at its own point of the
// program. Unlike a global object it runs nothing before WinMain or after it, and it takes no
// memory of its own beyond this storage.
template <typename T>
class StartUpObject {
public:
    constexpr StartUpObject() = default;
    StartUpObject(const StartUpObject&) = delete;
    StartUpObject& operator=(const StartUpObject&) = delete;

    void Make() { object_ = new (storage_) T(); }
    void Destroy() {
        if (object_ != nullptr) {
            object_->~T();
            object_ = nullptr;
        }
    }
    bool IsMade() const { return object_ != nullptr; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }

private:
    alignas(T) unsigned char storage_[sizeof(T)] = {};
    T* object_ = nullptr;
};
