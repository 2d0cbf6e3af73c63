// The root interface of every COM object, and the class object interface
// that creates instances.
#pragma once

#include "platform/com/guid.h"

// Interfaces have no virtual destructor: the three slots below are the whole
// contract, and an object is destroyed only by its own last Release. The
// protected destructor keeps anyone from deleting through an interface.
struct IUnknown {
  QUORVIA_INTERFACE_ID(IUnknown, "00000000-0000-0000-C000-000000000046");

  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

  // Typed form: the identifier comes from the out pointer's type.
  template <class I>
  HRESULT QueryInterface(I** out) {
    return QueryInterface(::quorvia::IIDOf<I>(), reinterpret_cast<void**>(out));
  }

 protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : IUnknown {
  QUORVIA_INTERFACE_ID(IClassFactory, "00000001-0000-0000-C000-000000000046");

  // outer: the controlling unknown when the new object is aggregated.
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

inline constexpr IID IID_IUnknown = IUnknown::iid;
inline constexpr IID IID_IClassFactory = IClassFactory::iid;
