// The language table of a freshly loaded library: its first load, and its
// deletion when the library is unloaded.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "core/support/globals.h"
#include "language_test_support.h"

namespace {

using language_test::Document;

using CreateLanguage = void (*)(const char16_t*, int*);
using Registered = int (*)();
using FindText = int (*)(const char16_t*, char16_t*, int);

class FreshLanguageTable : public language_test::TempSettings {
 protected:
  void SetUp() override {
    TempSettings::SetUp();
    Write("English.xml", Document("<entry id=\"cmdIdHelp\" value=\"Help text\"/>\n"));
    library_ = dlopen(LANGUAGE_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    create_ = reinterpret_cast<CreateLanguage>(dlsym(library_, "ProbeCreateLanguage"));
    registered_ = reinterpret_cast<Registered>(dlsym(library_, "ProbeRegistered"));
    find_text_ = reinterpret_cast<FindText>(dlsym(library_, "ProbeFindText"));
    ASSERT_TRUE(create_ && registered_ && find_text_);
  }
  void TearDown() override {
    if (library_ != nullptr) dlclose(library_);
    TempSettings::TearDown();
  }

  std::u16string Text(const char16_t* key) const {
    char16_t buffer[128] = {};
    find_text_(key, buffer, 128);
    return buffer;
  }

  // Unloads the library; true when it is really gone.
  bool Unload() {
    const bool closed = dlclose(library_) == 0;
    library_ = nullptr;
    return closed && dlopen(LANGUAGE_PROBE_PATH, RTLD_NOW | RTLD_NOLOAD) == nullptr;
  }

  void* library_ = nullptr;
  CreateLanguage create_ = nullptr;
  Registered registered_ = nullptr;
  FindText find_text_ = nullptr;
};

TEST_F(FreshLanguageTable, UnloadingTheLibraryDeletesTheTableOnce) {
  int deletions = 0;
  create_(Folder().c_str(), &deletions);
  EXPECT_EQ(registered_(), 1);
  EXPECT_EQ(Text(kLangCmdIdHelp), u"Help text");
  EXPECT_EQ(deletions, 0);

  ASSERT_TRUE(Unload()) << "library still loaded";
  EXPECT_EQ(deletions, 1);
}

TEST_F(FreshLanguageTable, FirstLoadOfAMissingDocumentLeavesTheTableEmpty) {
  SetLanguageValue(u"Klingon");
  int deletions = 0;
  create_(Folder().c_str(), &deletions);
  EXPECT_EQ(Text(kLangCmdIdHelp), u"");
  EXPECT_EQ(Text(kLangCmdIdAbout), u"");
  EXPECT_EQ(LanguageValue(), u"Klingon");  // the choice stays as it was

  ASSERT_TRUE(Unload());
  EXPECT_EQ(deletions, 1);
}

}  // namespace
