// RAII for COM: a reference that is released once on every way out, and a scope that
// initialises COM for the calling thread.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace sys::win32 {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset(T* p = nullptr) {
    if (p_) p_->Release();
    p_ = p;
  }
  // The address an API fills with a new reference; any reference held now is released.
  void** PutVoid() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  T** Put() {
    Reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

// CoInitialize for this thread, undone at scope end when it succeeded.
class ComScope {
 public:
  ComScope() : hr_(CoInitialize(nullptr)) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace sys::win32
