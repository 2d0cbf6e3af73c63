// Small COM classes the COM tests count and query.
#pragma once

#include "platform/com/dispatch.h"
#include "platform/com/object.h"

struct IFoo : IUnknown {
  QUORVIA_INTERFACE_ID(IFoo, "6C1D3A10-5B2E-4F7A-9C11-2E6B1F0A0001");
  virtual int Foo() = 0;

 protected:
  ~IFoo() = default;
};

struct IBar : IUnknown {
  QUORVIA_INTERFACE_ID(IBar, "6C1D3A10-5B2E-4F7A-9C11-2E6B1F0A0002");
  virtual int Bar() = 0;

 protected:
  ~IBar() = default;
};

// A dual interface: answers IDispatch through its own part.
struct IFooDispatch : IDispatch {
  QUORVIA_INTERFACE_ID(IFooDispatch, "6C1D3A10-5B2E-4F7A-9C11-2E6B1F0A0003");

 protected:
  ~IFooDispatch() = default;
};

// Counts its live instances, so a test sees when the last Release deleted it.
class FooBar : public quorvia::ComObjectRootEx<quorvia::ComMultiThreadModel>,
               public IFoo,
               public IBar,
               public IFooDispatch {
 public:
  static inline int live = 0;

  explicit FooBar(int value = 7) : value_(value) { ++live; }
  ~FooBar() { --live; }

  static const quorvia::InterfaceEntry* InterfaceTable() {
    return quorvia::InterfaceTableOf<FooBar, IFoo, IBar, IFooDispatch, quorvia::Via<IDispatch, IFooDispatch>>();
  }

  int Foo() override { return value_; }
  int Bar() override { return value_ + 1; }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPTINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  int value_;
};
