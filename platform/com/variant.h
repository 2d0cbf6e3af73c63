// VARIANT: the tagged value of dispatch calls, and its owning wrapper.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IDispatch;

using VARTYPE = USHORT;
using SCODE = LONG;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

// A value and its type. vt says which member of the union is live; VT_BYREF
// combined with a type means the matching pointer member is live and points
// at a value the variant does not own (VT_BYREF | VT_VARIANT: pvarVal).
struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    ULONGLONG ullVal;
    LONG lVal;
    ULONG ulVal;
    SHORT iVal;
    USHORT uiVal;
    char cVal;
    BYTE bVal;
    INT intVal;
    UINT uintVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    LONG* plVal;
    SHORT* piVal;
    ULONG* pulVal;
    INT* pintVal;
    UINT* puintVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
    void* byref;
  };
};
using VARIANTARG = VARIANT;

#define V_VT(v) ((v)->vt)
#define V_I2(v) ((v)->iVal)
#define V_I4(v) ((v)->lVal)
#define V_UI4(v) ((v)->ulVal)
#define V_INT(v) ((v)->intVal)
#define V_UINT(v) ((v)->uintVal)
#define V_R8(v) ((v)->dblVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_BSTR(v) ((v)->bstrVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_ERROR(v) ((v)->scode)
#define V_VARIANTREF(v) ((v)->pvarVal)

// VariantChangeType flag: booleans become "True"/"False" instead of "-1"/"0".
constexpr USHORT VARIANT_ALPHABOOL = 0x02;

// Sets the variant to VT_EMPTY without looking at what it held.
QUORVIA_PLATFORM_API void VariantInit(VARIANTARG* v);
// Frees what the variant owns (a BSTR; a reference on an interface) and
// makes it VT_EMPTY. DISP_E_BADVARTYPE for a type this layer does not know
// (the variant is then left as it was).
QUORVIA_PLATFORM_API HRESULT VariantClear(VARIANTARG* v);
// Clears dest, then makes it a copy of src: a BSTR is duplicated, an
// interface gets a reference of its own; by-reference values copy the
// pointer.
QUORVIA_PLATFORM_API HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
// As VariantCopy, but a by-reference source is copied as the value it
// points at.
QUORVIA_PLATFORM_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src);
// Converts src to type vt into dest (dest may be src). Supported targets:
// the integer types, VT_R4, VT_R8, VT_BOOL, VT_BSTR, VT_UNKNOWN,
// VT_DISPATCH, VT_EMPTY, VT_NULL and VT_ERROR (from itself). Numbers out of
// range give DISP_E_OVERFLOW; text that is not a number (or "True"/"False"
// for VT_BOOL) gives DISP_E_TYPEMISMATCH. On failure dest is unchanged.
QUORVIA_PLATFORM_API HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);

// Owns the value of one VARIANT. Derives from VARIANT, so its address can be
// passed wherever a VARIANT* is expected.
class CComVariant : public VARIANT {
 public:
  CComVariant() noexcept { VariantInit(this); }
  CComVariant(const CComVariant& other) : CComVariant() { Copy(&other); }
  CComVariant(CComVariant&& other) noexcept : VARIANT(other) { VariantInit(&other); }
  explicit CComVariant(const VARIANT& other) : CComVariant() { Copy(&other); }
  CComVariant(bool value) noexcept : CComVariant() {
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  CComVariant(std::int16_t value) noexcept : CComVariant() {
    vt = VT_I2;
    iVal = value;
  }
  // VT_I4 by default; VT_INT or VT_ERROR when asked.
  CComVariant(std::int32_t value, VARTYPE type = VT_I4) noexcept : CComVariant() {
    vt = (type == VT_INT || type == VT_ERROR) ? type : VARTYPE{VT_I4};
    lVal = value;
  }
  CComVariant(std::uint32_t value) noexcept : CComVariant() {
    vt = VT_UI4;
    ulVal = value;
  }
  CComVariant(std::int64_t value) noexcept : CComVariant() {
    vt = VT_I8;
    llVal = value;
  }
  CComVariant(double value) noexcept : CComVariant() {
    vt = VT_R8;
    dblVal = value;
  }
  // A string variant; a null pointer gives a null BSTR (the empty string).
  CComVariant(LPCOLESTR text) : CComVariant() {
    vt = VT_BSTR;
    bstrVal = text ? SysAllocString(text) : nullptr;
  }
  CComVariant(std::u16string_view text) : CComVariant() {
    vt = VT_BSTR;
    bstrVal = quorvia::AllocBstr(text);
  }
  CComVariant(const std::u16string& text) : CComVariant(std::u16string_view(text)) {}
  // An interface variant holding a reference of its own.
  QUORVIA_PLATFORM_API CComVariant(IDispatch* value) noexcept;
  CComVariant(IUnknown* value) noexcept : CComVariant() {
    vt = VT_UNKNOWN;
    punkVal = value;
    if (value) value->AddRef();
  }
  ~CComVariant() { VariantClear(this); }

  CComVariant& operator=(const CComVariant& other) {
    if (this != std::addressof(other)) Copy(&other);
    return *this;
  }
  CComVariant& operator=(CComVariant&& other) noexcept {
    if (this != std::addressof(other)) {
      VariantClear(this);
      static_cast<VARIANT&>(*this) = other;
      VariantInit(&other);
    }
    return *this;
  }

  HRESULT Clear() noexcept { return VariantClear(this); }
  HRESULT Copy(const VARIANT* src) { return VariantCopy(this, src); }
  HRESULT CopyTo(VARIANT* dest) const { return VariantCopy(dest, this); }
  // Converts in place, or from src into this variant.
  HRESULT ChangeType(VARTYPE type, const VARIANT* src = nullptr, USHORT flags = 0) {
    return VariantChangeType(this, src ? src : this, flags, type);
  }
  // Takes over src's value (src becomes VT_EMPTY).
  HRESULT Attach(VARIANT* src) {
    if (src == nullptr) return E_INVALIDARG;
    HRESULT hr = VariantClear(this);
    if (FAILED(hr)) return hr;
    static_cast<VARIANT&>(*this) = *src;
    VariantInit(src);
    return S_OK;
  }
  // Hands this value to dest (cleared first); this becomes VT_EMPTY.
  HRESULT Detach(VARIANT* dest) {
    if (dest == nullptr) return E_POINTER;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    *dest = *this;
    VariantInit(this);
    return S_OK;
  }

  // The string of a VT_BSTR variant (empty for other types).
  std::u16string_view StringView() const noexcept {
    return vt == VT_BSTR ? quorvia::BstrView(bstrVal) : std::u16string_view();
  }
};
