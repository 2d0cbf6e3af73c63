// IDispatch: late-bound calls by dispatch identifier, with their argument
// and exception records.
#pragma once

#include "platform/com/unknown.h"
#include "platform/com/variant.h"

using DISPID = LONG;
using MEMBERID = DISPID;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// Arguments of Invoke, in reverse order: rgvarg[cArgs - 1] is the first
// argument of the call.
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPTINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPTINFO*);
  SCODE scode;
};

// Type information is handed around but never looked into here.
struct ITypeInfo : IUnknown {
  QUORVIA_INTERFACE_ID(ITypeInfo, "00020401-0000-0000-C000-000000000046");

 protected:
  ~ITypeInfo() = default;
};

struct IDispatch : IUnknown {
  QUORVIA_INTERFACE_ID(IDispatch, "00020400-0000-0000-C000-000000000046");

  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPTINFO* exception, UINT* arg_error) = 0;

 protected:
  ~IDispatch() = default;
};

inline constexpr IID IID_IDispatch = IDispatch::iid;
inline constexpr IID IID_ITypeInfo = ITypeInfo::iid;
