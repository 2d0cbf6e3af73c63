#include <gtest/gtest.h>

#include <string>

#include "platform/com/variant.h"
#include "tests/platform/com/test_objects.h"

namespace {

using quorvia::ComPtr;

TEST(Variant, ClearFreesTheStringAndReleasesInterfaces) {
  auto object = quorvia::MakeComObject<FooBar>();
  ASSERT_TRUE(object);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(object.As(&dispatch), S_OK);
  EXPECT_EQ(object->GetRefCount(), 2u);
  {
    CComVariant v(dispatch.Get());
    EXPECT_EQ(v.vt, VT_DISPATCH);
    EXPECT_EQ(object->GetRefCount(), 3u);
    CComVariant copy(v);
    EXPECT_EQ(object->GetRefCount(), 4u);
    EXPECT_EQ(copy.Clear(), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    EXPECT_EQ(object->GetRefCount(), 3u);
  }
  EXPECT_EQ(object->GetRefCount(), 2u);

  // A raw VARIANT holding the only remaining reference deletes the object.
  VARIANT raw;
  VariantInit(&raw);
  raw.vt = VT_UNKNOWN;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&raw.punkVal)), S_OK);
  dispatch = nullptr;
  object = nullptr;
  EXPECT_EQ(FooBar::live, 1);
  EXPECT_EQ(VariantClear(&raw), S_OK);
  EXPECT_EQ(FooBar::live, 0);
  EXPECT_EQ(raw.vt, VT_EMPTY);

  raw.vt = VT_BSTR;
  raw.bstrVal = SysAllocString(u"freed by clear");  // the leak checker sees it if not
  EXPECT_EQ(VariantClear(&raw), S_OK);
}

TEST(Variant, ClearRefusesUnknownTypes) {
  VARIANT v;
  VariantInit(&v);
  v.vt = 0x2000 | VT_I4;  // an array: not a type of this layer
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
  EXPECT_EQ(v.vt, 0x2000 | VT_I4);
}

TEST(Variant, CopyDuplicatesStringsWithEmbeddedNulls) {
  const char16_t text[] = {u'x', 0, u'y'};
  CComVariant a(std::u16string_view(text, 3));
  CComVariant b;
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_EQ(b.vt, VT_BSTR);
  EXPECT_NE(b.bstrVal, a.bstrVal);
  EXPECT_EQ(b.StringView(), std::u16string_view(text, 3));
  EXPECT_EQ(VariantCopy(&b, &b), S_OK);  // onto itself: nothing freed
  EXPECT_EQ(b.StringView(), std::u16string_view(text, 3));
}

struct ChangeCase {
  const char* name;
  CComVariant from;
  VARTYPE to;
  USHORT flags;
  HRESULT hr;
  CComVariant expected;
};

TEST(Variant, ChangeTypeConvertsOrReportsWhy) {
  const ChangeCase cases[] = {
      {"int to text", CComVariant(-42), VT_BSTR, 0, S_OK, CComVariant(u"-42")},
      {"unsigned to text", CComVariant(4000000000u), VT_BSTR, 0, S_OK, CComVariant(u"4000000000")},
      {"bool to text", CComVariant(true), VT_BSTR, 0, S_OK, CComVariant(u"-1")},
      {"bool to words", CComVariant(false), VT_BSTR, VARIANT_ALPHABOOL, S_OK, CComVariant(u"False")},
      {"empty to text", CComVariant(), VT_BSTR, 0, S_OK, CComVariant(u"")},
      {"double to text", CComVariant(2.5), VT_BSTR, 0, S_OK, CComVariant(u"2.5")},
      {"text to int", CComVariant(u" 17 "), VT_I4, 0, S_OK, CComVariant(17)},
      {"negative text to int", CComVariant(u"-17"), VT_I4, 0, S_OK, CComVariant(-17)},
      {"word to int", CComVariant(u"abc"), VT_I4, 0, DISP_E_TYPEMISMATCH, CComVariant()},
      {"empty text to int", CComVariant(u""), VT_I4, 0, DISP_E_TYPEMISMATCH, CComVariant()},
      {"big text to int", CComVariant(u"3000000000"), VT_I4, 0, DISP_E_OVERFLOW, CComVariant()},
      {"big text to unsigned", CComVariant(u"3000000000"), VT_UI4, 0, S_OK, CComVariant(3000000000u)},
      {"negative to unsigned", CComVariant(-1), VT_UI4, 0, DISP_E_OVERFLOW, CComVariant()},
      {"half rounds to even", CComVariant(2.5), VT_I4, 0, S_OK, CComVariant(2)},
      {"half rounds to even up", CComVariant(3.5), VT_I4, 0, S_OK, CComVariant(4)},
      {"bool to int", CComVariant(true), VT_I4, 0, S_OK, CComVariant(-1)},
      {"empty to int", CComVariant(), VT_I4, 0, S_OK, CComVariant(0)},
      {"int to short overflow", CComVariant(40000), VT_I2, 0, DISP_E_OVERFLOW, CComVariant()},
      {"text true to bool", CComVariant(u"TRUE"), VT_BOOL, 0, S_OK, CComVariant(true)},
      {"text number to bool", CComVariant(u"0"), VT_BOOL, 0, S_OK, CComVariant(false)},
      {"int to bool", CComVariant(5), VT_BOOL, 0, S_OK, CComVariant(true)},
      {"word to bool", CComVariant(u"yes"), VT_BOOL, 0, DISP_E_TYPEMISMATCH, CComVariant()},
      {"int to int type", CComVariant(9), VT_INT, 0, S_OK, CComVariant(9, VT_INT)},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    CComVariant out(u"untouched");
    HRESULT hr = VariantChangeType(&out, &c.from, c.flags, c.to);
    EXPECT_EQ(hr, c.hr);
    if (SUCCEEDED(c.hr)) {
      ASSERT_EQ(out.vt, c.expected.vt);
      if (out.vt == VT_BSTR) {
        EXPECT_EQ(out.StringView(), c.expected.StringView());
      } else {
        EXPECT_EQ(out.llVal, c.expected.llVal);
      }
    } else {
      EXPECT_EQ(out.StringView(), u"untouched");
    }
  }
}

TEST(Variant, ChangeTypeInPlaceAndThroughReferences) {
  CComVariant v(u"123");
  ASSERT_EQ(v.ChangeType(VT_I4), S_OK);  // the old string is freed
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 123);

  CComVariant target(u"77");
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_VARIANT;
  ref.pvarVal = &target;
  CComVariant out;
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 77);
  EXPECT_EQ(VariantClear(&ref), S_OK);  // a reference owns nothing
  EXPECT_EQ(target.StringView(), u"77");

  CComVariant null;
  null.vt = VT_NULL;
  EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
}

TEST(Variant, ChangeTypeBetweenInterfacesQueries) {
  auto object = quorvia::MakeComObject<FooBar>();
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(object.As(&unknown), S_OK);
  CComVariant v(unknown.Get());
  CComVariant dispatch;
  ASSERT_EQ(dispatch.ChangeType(VT_DISPATCH, &v), S_OK);
  ComPtr<IDispatch> expected;
  ASSERT_EQ(object.As(&expected), S_OK);
  EXPECT_EQ(dispatch.pdispVal, expected.Get());
  EXPECT_EQ(VariantChangeType(&dispatch, &v, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

}  // namespace
