#include <gtest/gtest.h>

#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/guid.h"
#include "platform/text/convert.h"

namespace {

TEST(Guid, WellKnownIdentifiersHaveTheirRegistryText) {
  EXPECT_EQ(quorvia::GuidToString(IID_IUnknown), "{00000000-0000-0000-C000-000000000046}");
  EXPECT_EQ(quorvia::GuidToString(IID_IClassFactory), "{00000001-0000-0000-C000-000000000046}");
  EXPECT_EQ(quorvia::GuidToString(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(quorvia::GuidToString(quorvia::IIDOf<ITypeInfo>()), "{00020401-0000-0000-C000-000000000046}");
  // Byte order of the text: Data1..Data3 as numbers, Data4 byte by byte.
  constexpr GUID g = {0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(quorvia::GuidToWString(g), u"{01234567-89AB-CDEF-FEDC-BA9876543210}");
  static_assert(quorvia::MakeGuid("{01234567-89ab-CDEF-FEDC-BA9876543210}") == g);
}

TEST(Guid, TextRoundTrips) {
  const GUID cases[] = {
      GUID_NULL,
      IID_IDispatch,
      {0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {0xA1B2C3D4, 0x0E0F, 0x1011, {0x00, 0x01, 0xAB, 0xCD, 0xEF, 0x00, 0x7F, 0x80}},
  };
  for (const GUID& g : cases) {
    char16_t buffer[40];
    ASSERT_EQ(StringFromGUID2(g, buffer, 39), 39);
    EXPECT_EQ(std::u16string(buffer).size(), 38u);
    CLSID back{};
    ASSERT_EQ(CLSIDFromString(buffer, &back), S_OK) << quorvia::GuidToString(g);
    EXPECT_EQ(back, g);
    IID iid{};
    ASSERT_EQ(IIDFromString(buffer, &iid), S_OK);
    EXPECT_TRUE(IsEqualGUID(iid, g));
  }
}

TEST(Guid, StringFromGuid2NeedsRoomForTheTerminator) {
  char16_t buffer[39];
  buffer[0] = u'x';
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, buffer, 38), 0);
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, nullptr, 39), 0);
  EXPECT_EQ(StringFromGUID2(IID_IUnknown, buffer, 39), 39);
  EXPECT_EQ(buffer[38], u'\0');
}

TEST(Guid, MalformedTextIsRejected) {
  const char16_t* cases[] = {
      u"",
      u"{}",
      u"00000000-0000-0000-C000-000000000046",     // no braces
      u"{00000000-0000-0000-C000-000000000046",    // no closing brace
      u"00000000-0000-0000-C000-000000000046}",
      u"{00000000-0000-0000-C000-000000000046}x",  // trailing text
      u"{00000000-0000-0000-C000-00000000004}",    // one digit short
      u"{0000000-00000-0000-C000-000000000046}",   // dash moved
      u"{00000000-0000-0000-C0000000000000046}",   // dash missing
      u"{00000000-0000-0000-C000-00000000004G}",   // not a hex digit
      u"{00000000 0000-0000-C000-000000000046}",
      u"{+0000000-0000-0000-C000-000000000046}",
      u"{00000000-0000-0000-C000-000000000046 }",
  };
  for (const char16_t* text : cases) {
    CLSID clsid = IID_IDispatch;
    EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING) << quorvia::Utf16ToUtf8(text);
    EXPECT_EQ(clsid, GUID_NULL);
    IID iid = IID_IDispatch;
    EXPECT_TRUE(FAILED(IIDFromString(text, &iid)));
    GUID untouched = IID_IDispatch;
    EXPECT_FALSE(quorvia::ParseGuid(std::u16string_view(text), &untouched));
    EXPECT_EQ(untouched, IID_IDispatch);
  }
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), CO_E_CLASSSTRING);
  EXPECT_TRUE(FAILED(CLSIDFromString(u"{00000000-0000-0000-C000-000000000046}", nullptr)));
}

TEST(Guid, ParseAcceptsLowerCaseAndTheBareFormWhenAsked) {
  GUID g{};
  EXPECT_TRUE(quorvia::ParseGuid(std::string_view("{00020400-0000-0000-c000-000000000046}"), &g));
  EXPECT_EQ(g, IID_IDispatch);
  EXPECT_FALSE(quorvia::ParseGuid(std::string_view("00020400-0000-0000-C000-000000000046"), &g));
  EXPECT_TRUE(quorvia::ParseGuid(std::string_view("00020400-0000-0000-C000-000000000046"), &g, true));
  EXPECT_EQ(g, IID_IDispatch);
}

TEST(Guid, InterfacesCarryTheirOwnIdentifiers) {
  EXPECT_EQ(quorvia::IIDOf<IUnknown>(), IID_IUnknown);
  EXPECT_EQ(quorvia::IIDOf<IDispatch>(), IID_IDispatch);
  EXPECT_FALSE(quorvia::IIDOf<IDispatch>() == quorvia::IIDOf<IUnknown>());
  EXPECT_TRUE(quorvia::IIDOf<IDispatch>() != quorvia::IIDOf<IClassFactory>());
}

}  // namespace
