#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/com/bstr.h"

namespace {

std::uint32_t Prefix(BSTR b) {
  std::uint32_t n = 0;
  std::memcpy(&n, reinterpret_cast<const unsigned char*>(b) - 4, 4);
  return n;
}

TEST(Bstr, LayoutIsByteCountCharactersAndTerminator) {
  BSTR b = SysAllocString(u"abc");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Prefix(b), 6u);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(SysStringByteLen(b), 6u);
  EXPECT_EQ(std::u16string(b), u"abc");
  EXPECT_EQ(b[3], u'\0');
  SysFreeString(b);
}

TEST(Bstr, EmbeddedNullsAreKept) {
  const char16_t text[] = {u'a', 0, u'b', 0, u'c'};
  BSTR b = SysAllocStringLen(text, 5);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 5u);
  EXPECT_EQ(quorvia::BstrView(b), std::u16string_view(text, 5));
  EXPECT_EQ(b[5], u'\0');

  // Copies keep the whole length, not just up to the first null.
  CComBSTR owner;
  owner.Attach(b);
  CComBSTR copy(owner);
  EXPECT_NE(copy.Get(), owner.Get());
  EXPECT_EQ(copy.Length(), 5u);
  EXPECT_EQ(copy.ToU16String(), std::u16string(text, 5));
}

TEST(Bstr, NullBstrIsTheEmptyString) {
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_TRUE(quorvia::BstrView(nullptr).empty());
  SysFreeString(nullptr);
  CComBSTR empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.ToU16String(), u"");
  EXPECT_EQ(empty.Copy(), nullptr);

  // A null source allocates a real, empty string.
  BSTR b = SysAllocString(nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 0u);
  EXPECT_EQ(b[0], u'\0');
  SysFreeString(b);
}

TEST(Bstr, ByteLengthsNeedNotBeEven) {
  BSTR b = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringByteLen(b), 3u);
  EXPECT_EQ(SysStringLen(b), 1u);
  EXPECT_EQ(reinterpret_cast<const char*>(b)[3], '\0');
  SysFreeString(b);

  BSTR zeros = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(SysStringLen(zeros), 4u);
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(zeros[i], u'\0');
  SysFreeString(zeros);
}

TEST(Bstr, LengthsBeyondTheCountAreRefused) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
  BSTR b = SysAllocString(u"keep");
  EXPECT_EQ(SysReAllocStringLen(&b, nullptr, 0xFFFFFFFFu), FALSE);
  EXPECT_EQ(quorvia::BstrView(b), u"keep");
  SysFreeString(b);
}

TEST(Bstr, ReallocationMayCopyFromItself) {
  BSTR b = SysAllocString(u"hello world");
  ASSERT_EQ(SysReAllocString(&b, b + 6), TRUE);
  EXPECT_EQ(quorvia::BstrView(b), u"world");
  ASSERT_EQ(SysReAllocStringLen(&b, b, 3), TRUE);
  EXPECT_EQ(quorvia::BstrView(b), u"wor");
  EXPECT_EQ(SysReAllocString(nullptr, u"x"), FALSE);
  SysFreeString(b);
}

TEST(Bstr, WrapperOwnsExactlyOneString) {
  CComBSTR a(u"first");
  CComBSTR moved(std::move(a));
  EXPECT_EQ(a.Get(), nullptr);
  EXPECT_EQ(moved.View(), u"first");

  CComBSTR b(std::u16string(u"second"));
  b = moved;  // copy assignment frees the old string
  EXPECT_EQ(b.View(), u"first");
  b = std::u16string(u"third");
  EXPECT_EQ(b.View(), u"third");

  // Out parameter: the address hands the slot to a callee.
  CComBSTR out;
  *(&out) = SysAllocString(u"from callee");
  EXPECT_EQ(out.View(), u"from callee");

  BSTR raw = out.Detach();
  EXPECT_EQ(out.Get(), nullptr);
  SysFreeString(raw);

  BSTR copy = nullptr;
  ASSERT_EQ(b.CopyTo(&copy), S_OK);
  EXPECT_NE(copy, b.Get());
  EXPECT_EQ(quorvia::BstrView(copy), u"third");
  SysFreeString(copy);
}

}  // namespace
