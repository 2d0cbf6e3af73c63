// Reference-counted COM objects: the object root with its count, the table
// that answers QueryInterface, the object templates that supply the three
// IUnknown operations, aggregation, the library lock count and a standard
// class factory.
//
// A class is written as
//
//   class Thing : public quorvia::ComObjectRootEx<quorvia::ComMultiThreadModel>,
//                 public IThing, public IOther {
//    public:
//     static const quorvia::InterfaceEntry* InterfaceTable() {
//       return quorvia::InterfaceTableOf<Thing, IThing, IOther>();
//     }
//     // the operations of IThing and IOther, not those of IUnknown
//   };
//
// and created with MakeComObject<Thing>(args...) or CreateComObject<Thing>.
// The first entry of the table also answers IUnknown and is the object's
// identity.
#pragma once

#include <atomic>
#include <mutex>
#include <new>
#include <utility>

#include "platform/com/com_ptr.h"
#include "platform/com/unknown.h"

namespace quorvia {

// The lock count of the library that compiles this header: objects alive
// plus LockServer locks. Every library gets its own copy (hidden
// visibility, defined inline), so DllCanUnloadNow of one library sees only
// its own objects.
class __attribute__((visibility("hidden"))) LibraryLock {
 public:
  static LONG Lock() noexcept { return Count().fetch_add(1, std::memory_order_acq_rel) + 1; }
  static LONG Unlock() noexcept { return Count().fetch_sub(1, std::memory_order_acq_rel) - 1; }
  static LONG GetLockCount() noexcept { return Count().load(std::memory_order_acquire); }

 private:
  static std::atomic<LONG>& Count() noexcept {
    static std::atomic<LONG> count{0};
    return count;
  }
};

// Thread models of the object root: how the reference count changes.
struct ComMultiThreadModel {
  // Interlocked: changed only with atomic increment and decrement.
  class Count {
   public:
    ULONG Increment() noexcept { return value_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Decrement() noexcept { return value_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    ULONG Get() const noexcept { return value_.load(std::memory_order_relaxed); }

   private:
    std::atomic<ULONG> value_{0};
  };
  using Mutex = std::recursive_mutex;
};

struct ComSingleThreadModel {
  class Count {
   public:
    ULONG Increment() noexcept { return ++value_; }
    ULONG Decrement() noexcept { return --value_; }
    ULONG Get() const noexcept { return value_; }

   private:
    ULONG value_ = 0;
  };
  struct Mutex {
    void lock() noexcept {}
    void unlock() noexcept {}
  };
};

// One row of an interface table: an identifier and how to reach the
// interface part of the object (self is the object's class pointer as
// void*). A row with a null iid ends the table.
struct InterfaceEntry {
  const IID* iid;
  IUnknown* (*part)(void* self);
};

// Table rows: interface I of class T; Via<I, Part> answers I on the part
// Part (for an interface that several bases share, or one answered by a
// derived interface's part).
template <class I, class Part>
struct Via {};

namespace object_detail {

template <class T, class Row>
struct Entry {
  static constexpr InterfaceEntry Make() {
    return {&IIDOf<Row>(), [](void* self) -> IUnknown* { return static_cast<Row*>(static_cast<T*>(self)); }};
  }
};

template <class T, class I, class Part>
struct Entry<T, Via<I, Part>> {
  static constexpr InterfaceEntry Make() {
    return {&IIDOf<I>(),
            [](void* self) -> IUnknown* { return static_cast<I*>(static_cast<Part*>(static_cast<T*>(self))); }};
  }
};

template <class T, class... Rows>
inline constexpr InterfaceEntry kTable[] = {Entry<T, Rows>::Make()..., InterfaceEntry{nullptr, nullptr}};

}  // namespace object_detail

// The interface table of class T with the given rows, in order.
template <class T, class... Rows>
const InterfaceEntry* InterfaceTableOf() noexcept {
  static_assert(sizeof...(Rows) > 0, "an interface table needs at least one interface");
  return object_detail::kTable<T, Rows...>;
}

// The object root: the reference count, the object lock and the table look-up.
template <class ThreadModel>
class ComObjectRootEx {
 public:
  using ThreadModelType = ThreadModel;

  ULONG InternalAddRef() noexcept { return count_.Increment(); }
  ULONG InternalRelease() noexcept { return count_.Decrement(); }
  // The current count (for diagnostics and tests).
  ULONG GetRefCount() const noexcept { return count_.Get(); }

  // The object's own lock (a no-op in the single-threaded model).
  void LockObject() { mutex_.lock(); }
  void UnlockObject() { mutex_.unlock(); }

  // Answers iid from table for the object self: the first row also answers
  // IUnknown. The interface handed out gets a reference (through its own
  // AddRef, so an aggregated object counts on its outer object).
  static HRESULT InternalQueryInterface(void* self, const InterfaceEntry* table, REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (table == nullptr || table[0].iid == nullptr) return E_NOINTERFACE;
    IUnknown* part = nullptr;
    if (iid == IID_IUnknown) {
      part = table[0].part(self);
    } else {
      for (const InterfaceEntry* e = table; e->iid != nullptr; ++e) {
        if (*e->iid == iid) {
          part = e->part(self);
          break;
        }
      }
    }
    if (part == nullptr) return E_NOINTERFACE;
    part->AddRef();
    *out = part;
    return S_OK;
  }

 protected:
  ComObjectRootEx() = default;
  ~ComObjectRootEx() = default;
  ComObjectRootEx(const ComObjectRootEx&) = delete;
  ComObjectRootEx& operator=(const ComObjectRootEx&) = delete;

 private:
  typename ThreadModel::Count count_;
  typename ThreadModel::Mutex mutex_;
};

namespace object_detail {

template <class T>
HRESULT CallFinalConstruct(T* object) {
  if constexpr (requires { object->FinalConstruct(); }) {
    return object->FinalConstruct();
  } else {
    (void)object;
    return S_OK;
  }
}

template <class T>
void CallFinalRelease(T* object) {
  if constexpr (requires { object->FinalRelease(); }) object->FinalRelease();
  (void)object;
}

}  // namespace object_detail

// The created object: T with the three IUnknown operations. The last
// Release runs T's FinalRelease (when it has one) and deletes the object.
// While it lives it holds a lock on its library, unless kLocksLibrary is
// false (class objects that a library caches for its whole life).
template <class T, bool kLocksLibrary = true>
class ComObjectImpl final : public T {
 public:
  template <class... Args>
  explicit ComObjectImpl(Args&&... args) : T(std::forward<Args>(args)...) {
    if constexpr (kLocksLibrary) LibraryLock::Lock();
  }
  ~ComObjectImpl() {
    if constexpr (kLocksLibrary) LibraryLock::Unlock();
  }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    return T::InternalQueryInterface(static_cast<T*>(this), T::InterfaceTable(), iid, out);
  }
  // Typed form: the identifier comes from the out pointer's type.
  template <class I>
  HRESULT QueryInterface(I** out) {
    return QueryInterface(IIDOf<I>(), reinterpret_cast<void**>(out));
  }
  ULONG AddRef() override { return this->InternalAddRef(); }
  ULONG Release() override {
    ULONG n = this->InternalRelease();
    if (n == 0) {
      object_detail::CallFinalRelease(static_cast<T*>(this));
      delete this;
    }
    return n;
  }
};

template <class T>
using ComObject = ComObjectImpl<T, true>;
template <class T>
using ComObjectNoLock = ComObjectImpl<T, false>;

// Creates a T with one reference held by the result; runs T's
// FinalConstruct (when it has one). Null when memory runs out or
// FinalConstruct fails.
template <class T, bool kLocksLibrary = true, class... Args>
ComPtr<ComObjectImpl<T, kLocksLibrary>> MakeComObject(Args&&... args) {
  using Object = ComObjectImpl<T, kLocksLibrary>;
  auto* object = new (std::nothrow) Object(std::forward<Args>(args)...);
  ComPtr<Object> result;
  if (object == nullptr) return result;
  result = object;
  if (FAILED(object_detail::CallFinalConstruct(static_cast<T*>(object)))) result = nullptr;
  return result;
}

// Creates a T and queries it for iid into *out; the object is gone again
// when the query fails.
template <class T, class... Args>
HRESULT CreateComObject(REFIID iid, void** out, Args&&... args) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto object = MakeComObject<T>(std::forward<Args>(args)...);
  if (!object) return E_OUTOFMEMORY;
  return object->QueryInterface(iid, out);
}

// T living inside an aggregate: its IUnknown operations go to the outer
// object, which is the identity of the whole.
template <class T>
class ComContainedObject final : public T {
 public:
  template <class... Args>
  explicit ComContainedObject(IUnknown* outer, Args&&... args) : T(std::forward<Args>(args)...), outer_(outer) {}
  HRESULT QueryInterface(REFIID iid, void** out) override { return outer_->QueryInterface(iid, out); }
  ULONG AddRef() override { return outer_->AddRef(); }
  ULONG Release() override { return outer_->Release(); }
  IUnknown* GetControllingUnknown() const noexcept { return outer_; }

 private:
  IUnknown* outer_;
};

// The inner object of an aggregate. The outer object holds this object's
// own (non-delegating) IUnknown; queries through it reach T's table, and
// the interfaces handed out count on the outer object.
template <class T>
class ComAggObject final : public IUnknown {
 public:
  template <class... Args>
  explicit ComAggObject(IUnknown* outer, Args&&... args) : contained_(outer, std::forward<Args>(args)...) {
    LibraryLock::Lock();
  }
  ~ComAggObject() { LibraryLock::Unlock(); }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return T::InternalQueryInterface(static_cast<T*>(&contained_), T::InterfaceTable(), iid, out);
  }
  ULONG AddRef() override { return contained_.InternalAddRef(); }
  ULONG Release() override {
    ULONG n = contained_.InternalRelease();
    if (n == 0) {
      object_detail::CallFinalRelease(static_cast<T*>(&contained_));
      delete this;
    }
    return n;
  }
  T* Inner() noexcept { return &contained_; }

 private:
  ComContainedObject<T> contained_;
};

// Creates T for a class factory: alone when outer is null, else as the inner
// object of an aggregate (the caller must then ask for IUnknown, and gets
// the inner object's own IUnknown).
template <class T, class... Args>
HRESULT CreateAggregatableComObject(IUnknown* outer, REFIID iid, void** out, Args&&... args) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer == nullptr) return CreateComObject<T>(iid, out, std::forward<Args>(args)...);
  if (!(iid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  auto* object = new (std::nothrow) ComAggObject<T>(outer, std::forward<Args>(args)...);
  if (object == nullptr) return E_OUTOFMEMORY;
  object->AddRef();
  HRESULT hr = object_detail::CallFinalConstruct(object->Inner());
  if (FAILED(hr)) {
    object->Release();
    return hr;
  }
  *out = static_cast<IUnknown*>(object);
  return S_OK;
}

// The standard class factory of class T. With kAggregatable, instances can
// be created as part of an outer object; otherwise an outer object gives
// CLASS_E_NOAGGREGATION. LockServer holds the library's lock count. Create
// it with MakeComObject<ClassFactory<T>, false>() when the library caches it
// for its whole life, so that the cached factory does not keep the library
// loaded.
template <class T, bool kAggregatable = false>
class ClassFactory : public ComObjectRootEx<ComMultiThreadModel>, public IClassFactory {
 public:
  static const InterfaceEntry* InterfaceTable() noexcept { return InterfaceTableOf<ClassFactory, IClassFactory>(); }

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if constexpr (kAggregatable) {
      return CreateAggregatableComObject<T>(outer, iid, out);
    } else {
      if (outer != nullptr) return CLASS_E_NOAGGREGATION;
      return CreateComObject<T>(iid, out);
    }
  }
  HRESULT LockServer(BOOL lock) override {
    if (lock) {
      LibraryLock::Lock();
    } else {
      LibraryLock::Unlock();
    }
    return S_OK;
  }
};

}  // namespace quorvia
