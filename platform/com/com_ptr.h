// ComPtr<T>: a counted interface pointer. It holds one reference on the
// object it points at and releases it when it lets go.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "platform/com/unknown.h"

namespace quorvia {

template <class T>
class ComPtr {
 public:
  using InterfaceType = T;

  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a reference of its own on p.
  ComPtr(T* p) noexcept : p_(p) { InternalAddRef(); }
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) { InternalAddRef(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  // From a pointer to a derived interface.
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(const ComPtr<U>& other) noexcept : p_(other.Get()) {
    InternalAddRef();
  }
  ~ComPtr() { InternalRelease(); }

  ComPtr& operator=(const ComPtr& other) noexcept {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(T* p) noexcept {
    ComPtr(p).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  operator T*() const noexcept { return p_; }

  // Address for an out parameter. Releases what is held first, so that the
  // callee's reference is not leaked over an old one.
  T** operator&() noexcept {
    Reset();
    return &p_;
  }
  T** ReleaseAndGetAddressOf() noexcept {
    Reset();
    return &p_;
  }
  // Address without releasing (for in/out parameters).
  T* const* GetAddressOf() const noexcept { return &p_; }

  // Takes over a reference the caller owns.
  void Attach(T* p) noexcept {
    InternalRelease();
    p_ = p;
  }
  // Hands the held reference to the caller.
  T* Detach() noexcept { return std::exchange(p_, nullptr); }
  void Reset() noexcept { InternalRelease(); }
  void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  // Queries the object for interface U. The out pointer receives a new
  // reference, or null on failure; pass &other for a ComPtr<U> other (its
  // address operator releases what it held).
  template <class U>
  HRESULT As(U** out) const noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (p_ == nullptr) return E_POINTER;
    return p_->QueryInterface(IIDOf<U>(), reinterpret_cast<void**>(out));
  }
  template <class U>
  HRESULT As(ComPtr<U>& out) const noexcept {
    return As(&out);
  }
  template <class U>
  HRESULT QueryInterface(U** out) const noexcept {
    return As(out);
  }
  HRESULT QueryInterface(REFIID iid, void** out) const noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return p_ ? p_->QueryInterface(iid, out) : E_POINTER;
  }
  // Copies the pointer into an out parameter with a reference for it.
  HRESULT CopyTo(T** out) const noexcept {
    if (out == nullptr) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  // True when both point at the same object (compared by IUnknown).
  bool IsEqualObject(IUnknown* other) const noexcept {
    if (p_ == nullptr || other == nullptr) return p_ == nullptr && other == nullptr;
    ComPtr<IUnknown> a, b;
    if (FAILED(As(&a)) || FAILED(other->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b)))) return false;
    return a.Get() == b.Get();
  }

 private:
  void InternalAddRef() const noexcept {
    if (p_) p_->AddRef();
  }
  void InternalRelease() noexcept {
    // Clear first: the Release may reach this pointer again.
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  T* p_ = nullptr;
};

}  // namespace quorvia

template <class T>
using CComPtr = quorvia::ComPtr<T>;
