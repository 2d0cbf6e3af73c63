#include <cstring>

#include "test_support.h"

using namespace module_test;

namespace {

std::string Bytes(HMODULE module, HRSRC resource) {
  const void* data = LockResource(LoadResource(module, resource));
  DWORD size = SizeofResource(module, resource);
  if (data == nullptr) return "<no data>";
  return std::string(static_cast<const char*>(data), size);
}

class ResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(u"ModuleTestLib.dll");
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

TEST_F(ResourceTest, FoundByIdOrNameInAnyLetterCase) {
  struct Case {
    LPCWSTR name;
    LPCWSTR type;
    const char* file;
  } cases[] = {
      {MAKEINTRESOURCEW(230), RT_BITMAP, "pixels.bmp"},
      {u"#230", RT_BITMAP, "pixels.bmp"},
      {MAKEINTRESOURCEW(230), u"#2", "pixels.bmp"},
      {u"ToolBandLayout.xml", RT_HTML, "layout.xml"},
      {u"TOOLBANDLAYOUT.XML", RT_HTML, "layout.xml"},
      {u"bubbles.js", u"JS", "bubbles.js"},
      {u"BUBBLES.JS", u"js", "bubbles.js"},
      {MAKEINTRESOURCEW(2), RT_MANIFEST, "layout.xml"},
      {u"notes", MAKEINTRESOURCEW(77), "notes.txt"},
      {u"Notes", u"#77", "notes.txt"},
  };
  for (const Case& c : cases) {
    HRSRC resource = FindResourceW(module_, c.name, c.type);
    ASSERT_NE(resource, nullptr) << c.file;
    EXPECT_EQ(Bytes(module_, resource), ReadBytes(DataDir() + "/" + c.file)) << c.file;
  }
}

TEST_F(ResourceTest, MissingResourcesAreNull) {
  struct Case {
    LPCWSTR name;
    LPCWSTR type;
  } cases[] = {
      {MAKEINTRESOURCEW(231), RT_BITMAP},           // no such id
      {u"ToolBandLayout.xml", RT_BITMAP},           // right name, wrong type
      {u"ToolBandLayout", RT_HTML},                 // part of a name
      {u"bubbles.js", u"CSS"},                      // custom type that does not exist
      {u"bubbles.js", u"HTML"},                     // a word is a custom type, not RT_HTML
      {MAKEINTRESOURCEW(230), RT_HTML},             // id under another type
      {u"230", RT_BITMAP},                          // a name without "#" is a text
      {u"#", RT_BITMAP},                            // "#" without digits
      {u"#99999", RT_BITMAP},                       // out of range
      {u"Notes", u"77"},                            // numeric type needs "#"
  };
  for (const Case& c : cases) EXPECT_EQ(FindResourceW(module_, c.name, c.type), nullptr);
  // The program's resources are its own.
  EXPECT_EQ(FindResourceW(module_, MAKEINTRESOURCEW(500), RT_BITMAP), nullptr);
}

TEST_F(ResourceTest, NullModuleIsTheProgram) {
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(500), RT_BITMAP);
  ASSERT_NE(resource, nullptr);
  EXPECT_EQ(Bytes(nullptr, resource), ReadBytes(DataDir() + "/single.bmp"));
  EXPECT_EQ(FindResourceW(nullptr, u"PAGE.HTML", RT_HTML), FindResourceW(GetModuleHandleW(nullptr), u"page.html", RT_HTML));
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(230), RT_BITMAP), nullptr);
}

TEST_F(ResourceTest, HandlesFromElsewhereAreRefused) {
  HRSRC resource = FindResourceW(module_, MAKEINTRESOURCEW(230), RT_BITMAP);
  ASSERT_NE(resource, nullptr);
  // Asked through another module, or a pointer that is no resource handle.
  EXPECT_EQ(LoadResource(nullptr, resource), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, resource), 0u);
  char not_a_resource[64] = {};
  EXPECT_EQ(LoadResource(module_, reinterpret_cast<HRSRC>(not_a_resource)), nullptr);
  EXPECT_EQ(SizeofResource(module_, reinterpret_cast<HRSRC>(not_a_resource)), 0u);
  EXPECT_EQ(LoadResource(module_, reinterpret_cast<HRSRC>(reinterpret_cast<char*>(resource) + 1)), nullptr);
  EXPECT_EQ(LoadResource(module_, nullptr), nullptr);
}

TEST(ResAddress, ResolvesToTheResourceBytes) {
  ASSERT_FALSE(TestLibraryLoaded());
  struct Case {
    const char16_t* address;
    const char* file;
  } cases[] = {
      {u"res://ModuleTestLib.dll/ToolBandLayout.xml", "layout.xml"},   // type defaults to HTML
      {u"RES://moduletestlib.DLL/toolbandlayout.XML", "layout.xml"},
      {u"res://ModuleTestLib.dll/HTML/ToolBandLayout.xml", "layout.xml"},
      {u"res://ModuleTestLib.dll/#23/ToolBandLayout.xml", "layout.xml"},
      {u"res://ModuleTestLib.dll/js/bubbles.js", "bubbles.js"},
      {u"res://ModuleTestLib.dll/JS/Bubbles.JS", "bubbles.js"},
      {u"res://ModuleTestLib.dll/js/bubbles%2Ejs", "bubbles.js"},
      {u"res://ModuleTestLib.dll/js/bubbles.js?v=2", "bubbles.js"},
      {u"res://ModuleTestLib.dll/#2/#230", "pixels.bmp"},
      {u"res://ModuleTestLib.dll/bitmap/#230", "pixels.bmp"},
      {u"res://ModuleTestLib.dll/#77/notes", "notes.txt"},
  };
  for (const Case& c : cases) {
    std::string bytes;
    EXPECT_TRUE(quorvia::LoadResAddress(c.address, bytes)) << quorvia::Utf16ToUtf8(c.address);
    EXPECT_EQ(bytes, ReadBytes(DataDir() + "/" + c.file)) << quorvia::Utf16ToUtf8(c.address);
  }
  // The library was loaded for each look-up and unloaded again.
  EXPECT_FALSE(TestLibraryLoaded());

  std::u16string by_path = U16("res://" + LibDir() + "/ModuleTestLib.dll/js/bubbles.js");
  std::string bytes;
  EXPECT_TRUE(quorvia::LoadResAddress(by_path, bytes));
  EXPECT_EQ(bytes, ReadBytes(DataDir() + "/bubbles.js"));
}

TEST(ResAddress, BadAddressesLeaveTheBytesAlone) {
  const char16_t* cases[] = {
      u"res://NoSuchModule.dll/ToolBandLayout.xml",
      u"res://ModuleTestLib.dll/NoSuchName.xml",
      u"res://ModuleTestLib.dll/",
      u"res://ModuleTestLib.dll",
      u"res://ModuleTestLib.dll/js/",
      u"res://ModuleTestLib.dll//bubbles.js",
      u"res://ModuleTestLib.dll/a/js/bubbles.js",
      u"res://ModuleTestLib.dll/bubbles.js",            // not an HTML resource
      u"res://ModuleTestLib.dll/js/bubbles%2",          // broken escape
      u"res://ModuleTestLib.dll/js/bubbles%zzjs",
      u"res:///ModuleTestLib.dll/x",
      u"res://",
      u"http://ModuleTestLib.dll/ToolBandLayout.xml",
      u"",
  };
  for (const char16_t* address : cases) {
    std::string bytes = "untouched";
    EXPECT_FALSE(quorvia::LoadResAddress(address, bytes)) << quorvia::Utf16ToUtf8(address);
    EXPECT_EQ(bytes, "untouched");
  }
  EXPECT_FALSE(TestLibraryLoaded());
}

}  // namespace
