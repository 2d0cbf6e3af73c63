#include "platform/com/variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/com/dispatch.h"

namespace {

bool IsKnownType(VARTYPE vt) {
  switch (vt & ~VARTYPE{VT_BYREF}) {
    case VT_EMPTY:
    case VT_NULL:
      return (vt & VT_BYREF) == 0;
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_ERROR:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return true;
    case VT_VARIANT:
      return (vt & VT_BYREF) != 0;
    default:
      return false;
  }
}

bool IsIntegerType(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

// Reads an integer variant as a wide signed value; false only for VT_UI8
// values beyond the signed range (reported through *unsigned_big).
long long IntegerValue(const VARIANT& v, bool* unsigned_big) {
  *unsigned_big = false;
  switch (v.vt) {
    case VT_I1: return static_cast<signed char>(v.cVal);
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_INT: return v.intVal;
    case VT_UI4: return v.ulVal;
    case VT_UINT: return v.uintVal;
    case VT_I8: return v.llVal;
    case VT_UI8:
      if (v.ullVal > static_cast<ULONGLONG>(std::numeric_limits<long long>::max())) *unsigned_big = true;
      return static_cast<long long>(v.ullVal);
    default: return 0;
  }
}

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Text of a number, as the variant conversions print it.
std::u16string RealText(double d, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, d);
  return Ascii(buf);
}

std::u16string Trim(std::u16string_view s) {
  auto issp = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  while (!s.empty() && issp(s.front())) s.remove_prefix(1);
  while (!s.empty() && issp(s.back())) s.remove_suffix(1);
  return std::u16string(s);
}

// Parses decimal text: an optional sign, digits, an optional fraction and
// exponent. Integers without fraction or exponent are read exactly.
enum class NumText { kInteger, kReal, kBad };
NumText ParseNumber(std::u16string_view text, long long* integer, double* real) {
  std::u16string t = Trim(text);
  if (t.empty() || t.size() > 400) return NumText::kBad;
  std::string narrow;
  bool digits = false;
  for (char16_t c : t) {
    if (c >= u'0' && c <= u'9') {
      digits = true;
    } else if (c != u'+' && c != u'-' && c != u'.' && c != u'e' && c != u'E') {
      return NumText::kBad;
    }
    narrow.push_back(static_cast<char>(c));
  }
  if (!digits) return NumText::kBad;
  char* end = nullptr;
  bool integer_form = true;
  for (std::size_t i = 0; i < narrow.size(); ++i) {
    char c = narrow[i];
    if (c == '.' || c == 'e' || c == 'E' || ((c == '+' || c == '-') && i != 0)) integer_form = false;
  }
  errno = 0;
  if (integer_form) {
    long long v = std::strtoll(narrow.c_str(), &end, 10);
    if (end == narrow.c_str() + narrow.size()) {
      if (errno == ERANGE) {
        *real = std::strtod(narrow.c_str(), nullptr);
        return NumText::kReal;
      }
      *integer = v;
      return NumText::kInteger;
    }
    return NumText::kBad;
  }
  double d = std::strtod(narrow.c_str(), &end);
  if (end != narrow.c_str() + narrow.size()) return NumText::kBad;
  *real = d;
  return NumText::kReal;
}

// Rounds half to even, as the variant conversions do.
bool RealToInteger(double d, long long* out) {
  if (!std::isfinite(d)) return false;
  double r = std::nearbyint(d);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return false;
  *out = static_cast<long long>(r);
  return true;
}

// Value of src (not by-reference) as a signed integer.
HRESULT ToInteger(const VARIANT& src, long long* out, bool* unsigned_big) {
  *unsigned_big = false;
  if (IsIntegerType(src.vt)) {
    *out = IntegerValue(src, unsigned_big);
    return S_OK;
  }
  switch (src.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_BOOL: *out = src.boolVal ? -1 : 0; return S_OK;
    case VT_R4: return RealToInteger(src.fltVal, out) ? S_OK : DISP_E_OVERFLOW;
    case VT_R8: return RealToInteger(src.dblVal, out) ? S_OK : DISP_E_OVERFLOW;
    case VT_BSTR: {
      double real = 0;
      switch (ParseNumber(quorvia::BstrView(src.bstrVal), out, &real)) {
        case NumText::kInteger: return S_OK;
        case NumText::kReal: return RealToInteger(real, out) ? S_OK : DISP_E_OVERFLOW;
        case NumText::kBad: return DISP_E_TYPEMISMATCH;
      }
      return DISP_E_TYPEMISMATCH;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToReal(const VARIANT& src, double* out) {
  if (IsIntegerType(src.vt)) {
    bool big = false;
    long long v = IntegerValue(src, &big);
    *out = big ? static_cast<double>(src.ullVal) : static_cast<double>(v);
    return S_OK;
  }
  switch (src.vt) {
    case VT_EMPTY: *out = 0; return S_OK;
    case VT_BOOL: *out = src.boolVal ? -1.0 : 0.0; return S_OK;
    case VT_R4: *out = src.fltVal; return S_OK;
    case VT_R8: *out = src.dblVal; return S_OK;
    case VT_BSTR: {
      long long integer = 0;
      switch (ParseNumber(quorvia::BstrView(src.bstrVal), &integer, out)) {
        case NumText::kInteger: *out = static_cast<double>(integer); return S_OK;
        case NumText::kReal: return std::isfinite(*out) ? S_OK : DISP_E_OVERFLOW;
        case NumText::kBad: return DISP_E_TYPEMISMATCH;
      }
      return DISP_E_TYPEMISMATCH;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

HRESULT ToBool(const VARIANT& src, bool* out) {
  if (src.vt == VT_BSTR) {
    std::u16string t = Trim(quorvia::BstrView(src.bstrVal));
    if (EqualsIgnoreCase(t, u"true")) {
      *out = true;
      return S_OK;
    }
    if (EqualsIgnoreCase(t, u"false")) {
      *out = false;
      return S_OK;
    }
  }
  if (src.vt == VT_BOOL) {
    *out = src.boolVal != VARIANT_FALSE;
    return S_OK;
  }
  double d = 0;
  HRESULT hr = ToReal(src, &d);
  if (FAILED(hr)) return hr;
  *out = d != 0;
  return S_OK;
}

HRESULT ToText(const VARIANT& src, USHORT flags, std::u16string* out) {
  if (IsIntegerType(src.vt)) {
    bool big = false;
    long long v = IntegerValue(src, &big);
    *out = big ? Ascii(std::to_string(src.ullVal)) : Ascii(std::to_string(v));
    return S_OK;
  }
  switch (src.vt) {
    case VT_EMPTY: out->clear(); return S_OK;
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL) {
        *out = src.boolVal ? u"True" : u"False";
      } else {
        *out = src.boolVal ? u"-1" : u"0";
      }
      return S_OK;
    case VT_R4: *out = RealText(src.fltVal, 7); return S_OK;
    case VT_R8: *out = RealText(src.dblVal, 15); return S_OK;
    case VT_BSTR: *out = std::u16string(quorvia::BstrView(src.bstrVal)); return S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
}

// Stores a wide integer into an integer variant of type vt, with a range
// check.
HRESULT StoreInteger(long long v, bool unsigned_big, ULONGLONG big_value, VARTYPE vt, VARIANT* out) {
  auto in = [&](long long lo, long long hi) { return !unsigned_big && v >= lo && v <= hi; };
  VariantInit(out);
  switch (vt) {
    case VT_I1:
      if (!in(-128, 127)) return DISP_E_OVERFLOW;
      out->cVal = static_cast<char>(v);
      break;
    case VT_UI1:
      if (!in(0, 255)) return DISP_E_OVERFLOW;
      out->bVal = static_cast<BYTE>(v);
      break;
    case VT_I2:
      if (!in(-32768, 32767)) return DISP_E_OVERFLOW;
      out->iVal = static_cast<SHORT>(v);
      break;
    case VT_UI2:
      if (!in(0, 65535)) return DISP_E_OVERFLOW;
      out->uiVal = static_cast<USHORT>(v);
      break;
    case VT_I4:
    case VT_INT:
      if (!in(std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max())) return DISP_E_OVERFLOW;
      out->lVal = static_cast<LONG>(v);
      break;
    case VT_UI4:
    case VT_UINT:
      if (!in(0, std::numeric_limits<ULONG>::max())) return DISP_E_OVERFLOW;
      out->ulVal = static_cast<ULONG>(v);
      break;
    case VT_I8:
      if (unsigned_big) return DISP_E_OVERFLOW;
      out->llVal = v;
      break;
    case VT_UI8:
      if (unsigned_big) {
        out->ullVal = big_value;
      } else {
        if (v < 0) return DISP_E_OVERFLOW;
        out->ullVal = static_cast<ULONGLONG>(v);
      }
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  out->vt = vt;
  return S_OK;
}

// Converts a variant that is not by-reference into a new variant.
HRESULT Convert(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  if (src.vt == vt) return VariantCopy(out, &src);
  if (src.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (IsIntegerType(vt)) {
    long long v = 0;
    bool big = false;
    HRESULT hr = ToInteger(src, &v, &big);
    if (FAILED(hr)) return hr;
    return StoreInteger(v, big, src.ullVal, vt, out);
  }
  switch (vt) {
    case VT_EMPTY:
      return S_OK;
    case VT_NULL:
      out->vt = VT_NULL;
      return S_OK;
    case VT_R4:
    case VT_R8: {
      double d = 0;
      HRESULT hr = ToReal(src, &d);
      if (FAILED(hr)) return hr;
      if (vt == VT_R4) {
        if (std::fabs(d) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
        out->fltVal = static_cast<float>(d);
      } else {
        out->dblVal = d;
      }
      out->vt = vt;
      return S_OK;
    }
    case VT_BOOL: {
      bool b = false;
      HRESULT hr = ToBool(src, &b);
      if (FAILED(hr)) return hr;
      out->vt = VT_BOOL;
      out->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
    case VT_BSTR: {
      std::u16string text;
      HRESULT hr = ToText(src, flags, &text);
      if (FAILED(hr)) return hr;
      BSTR b = quorvia::AllocBstr(text);
      if (b == nullptr) return E_OUTOFMEMORY;
      out->vt = VT_BSTR;
      out->bstrVal = b;
      return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      if (src.vt != VT_UNKNOWN && src.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
      IUnknown* from = src.vt == VT_UNKNOWN ? src.punkVal : static_cast<IUnknown*>(src.pdispVal);
      if (from == nullptr) {
        out->vt = vt;
        out->punkVal = nullptr;
        return S_OK;
      }
      void* p = nullptr;
      HRESULT hr = from->QueryInterface(vt == VT_UNKNOWN ? IID_IUnknown : IID_IDispatch, &p);
      if (FAILED(hr)) return hr == E_NOINTERFACE ? DISP_E_TYPEMISMATCH : hr;
      out->vt = vt;
      if (vt == VT_UNKNOWN) {
        out->punkVal = static_cast<IUnknown*>(p);
      } else {
        out->pdispVal = static_cast<IDispatch*>(p);
      }
      return S_OK;
    }
    case VT_ERROR:
      return DISP_E_TYPEMISMATCH;
    default:
      return DISP_E_BADVARTYPE;
  }
}

}  // namespace

CComVariant::CComVariant(IDispatch* value) noexcept : CComVariant() {
  vt = VT_DISPATCH;
  pdispVal = value;
  if (value) value->AddRef();
}

void VariantInit(VARIANTARG* v) {
  if (v == nullptr) return;
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->ullVal = 0;
}

HRESULT VariantClear(VARIANTARG* v) {
  if (v == nullptr) return E_INVALIDARG;
  if (!IsKnownType(v->vt)) return DISP_E_BADVARTYPE;
  // Take the value out first: a Release may run code that looks at this
  // variant again.
  VARIANT old = *v;
  VariantInit(v);
  switch (old.vt) {
    case VT_BSTR:
      SysFreeString(old.bstrVal);
      break;
    case VT_UNKNOWN:
      if (old.punkVal) old.punkVal->Release();
      break;
    case VT_DISPATCH:
      if (old.pdispVal) old.pdispVal->Release();
      break;
    default:
      break;
  }
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (!IsKnownType(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *src;
  if (src->vt == VT_BSTR && src->bstrVal != nullptr) {
    copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src->bstrVal), SysStringByteLen(src->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  }
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    if (copy.vt == VT_BSTR) SysFreeString(copy.bstrVal);
    return hr;
  }
  if (copy.vt == VT_UNKNOWN && copy.punkVal) copy.punkVal->AddRef();
  if (copy.vt == VT_DISPATCH && copy.pdispVal) copy.pdispVal->AddRef();
  *dest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (!IsKnownType(src->vt)) return DISP_E_BADVARTYPE;
  if ((src->vt & VT_BYREF) == 0) return VariantCopy(dest, src);
  if (src->byref == nullptr) return E_INVALIDARG;
  VARTYPE base = src->vt & ~VARTYPE{VT_BYREF};
  if (base == VT_VARIANT) {
    // One level of indirection; a variant that refers to another reference
    // is not followed further.
    if (src->pvarVal->vt & VT_BYREF) return E_INVALIDARG;
    return VariantCopy(dest, src->pvarVal);
  }
  VARIANT value;
  VariantInit(&value);
  value.vt = base;
  switch (base) {
    case VT_I1: value.cVal = *static_cast<const char*>(src->byref); break;
    case VT_UI1: value.bVal = *static_cast<const BYTE*>(src->byref); break;
    case VT_I2: value.iVal = *src->piVal; break;
    case VT_UI2: value.uiVal = *static_cast<const USHORT*>(src->byref); break;
    case VT_I4: value.lVal = *src->plVal; break;
    case VT_UI4: value.ulVal = *src->pulVal; break;
    case VT_INT: value.intVal = *src->pintVal; break;
    case VT_UINT: value.uintVal = *src->puintVal; break;
    case VT_I8: value.llVal = *static_cast<const LONGLONG*>(src->byref); break;
    case VT_UI8: value.ullVal = *static_cast<const ULONGLONG*>(src->byref); break;
    case VT_R4: value.fltVal = *static_cast<const float*>(src->byref); break;
    case VT_R8: value.dblVal = *src->pdblVal; break;
    case VT_BOOL: value.boolVal = *src->pboolVal; break;
    case VT_ERROR: value.scode = *src->pscode; break;
    case VT_BSTR: value.bstrVal = *src->pbstrVal; break;
    case VT_UNKNOWN: value.punkVal = *src->ppunkVal; break;
    case VT_DISPATCH: value.pdispVal = *src->ppdispVal; break;
    default: return DISP_E_BADVARTYPE;
  }
  // value borrows what it points at; VariantCopy takes copies of its own.
  if (dest == src) {
    VARIANT tmp;
    VariantInit(&tmp);
    HRESULT hr = VariantCopy(&tmp, &value);
    if (FAILED(hr)) return hr;
    *dest = tmp;  // dest held only a reference, nothing to free
    return S_OK;
  }
  return VariantCopy(dest, &value);
}

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (!IsKnownType(src->vt)) return DISP_E_BADVARTYPE;
  if ((vt & VT_BYREF) != 0) return DISP_E_BADVARTYPE;
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = VariantCopyInd(&value, src);
  if (FAILED(hr)) return hr;
  VARIANT result;
  hr = Convert(value, flags, vt, &result);
  VariantClear(&value);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dest = result;
  return S_OK;
}
