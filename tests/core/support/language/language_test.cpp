#include "core/support/language.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/support/globals.h"
#include "core/support/singleton_cleaner.h"
#include "language_test_support.h"

namespace {

using language_test::Document;

const std::string kEnglish = Document(
    "<entry id=\"display\" value=\"English\"/>\n"
    "<entry id=\"cmdIdAbout\" value=\"About Harbinel\"/>\n"
    "<entry id=\"cmdIdHelp\">Help me</entry>\n");

const std::string kGerman = Document(
    "<entry id=\"display\" value=\"Deutsch\"/>\n"
    "<entry id=\"cmdIdAbout\" value=\"\xC3\x9C" "ber Harbinel\"/>\n");

class LanguageTable : public language_test::TempSettings {
 protected:
  void SetUp() override {
    TempSettings::SetUp();
    Language::SetBaseFolder(Folder());
  }
  void TearDown() override {
    Language::SetBaseFolder(u"");
    TempSettings::TearDown();
  }

  // The table reloaded from the current settings and folder.
  static Language& Reloaded() {
    Language* language = Language::Instance();
    language->Load();
    return *language;
  }
};

TEST_F(LanguageTable, InstanceIsOneRegisteredSingleton) {
  Language* first = Language::Instance();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Language::Instance(), first);
  EXPECT_EQ(SingletonCleaner::Get().GetInstance(), first);
}

TEST_F(LanguageTable, WithoutSettingsKeyLoadingWritesEnglishAndLoadsItsDocument) {
  Write("English.xml", kEnglish);
  ASSERT_FALSE(LanguageValue().has_value());

  Language& language = Reloaded();
  DWORD type = 0;
  EXPECT_EQ(LanguageValue(&type), u"English");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(Language::GetLanguageName(), u"English");
  EXPECT_EQ(language.FindText(kLangCmdIdAbout), u"About Harbinel");
}

TEST_F(LanguageTable, ChosenLanguageLoadsItsDocumentMatchingTheNameAsCaseAllows) {
  struct Case {
    const char* label;
    std::vector<std::string> files;  // written with kGerman; any "english" with kEnglish
    std::u16string chosen;
    std::u16string expected_about;
  };
  const Case cases[] = {
      {"exact name", {"Deutsch.xml"}, u"Deutsch", u"\u00DCber Harbinel"},
      {"lower-cased choice finds a capitalised file", {"Deutsch.xml"}, u"deutsch", u"\u00DCber Harbinel"},
      {"capitals in the choice find a lower-case file", {"deutsch.xml"}, u"DEUTSCH", u"\u00DCber Harbinel"},
      {"extension in capitals", {"Deutsch.XML"}, u"deutsch", u"\u00DCber Harbinel"},
      {"exact name wins over a case-insensitive match", {"Deutsch.xml", "deutsch.xml=english"}, u"deutsch",
       u"About Harbinel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    for (const std::string& file : c.files) {
      const auto eq = file.find('=');
      Write(file.substr(0, eq), eq == std::string::npos ? kGerman : kEnglish);
    }
    SetLanguageValue(c.chosen);
    Language& language = Reloaded();
    EXPECT_EQ(Language::GetLanguageName(), c.chosen);
    EXPECT_EQ(language.FindText(kLangCmdIdAbout), c.expected_about);
    // The choice is kept as stored, not rewritten.
    EXPECT_EQ(LanguageValue(), c.chosen);
  }
}

TEST_F(LanguageTable, MissingOrBrokenDocumentKeepsTheTableAsItWas) {
  Write("English.xml", kEnglish);
  Language& language = Reloaded();
  ASSERT_EQ(language.FindText(kLangCmdIdAbout), u"About Harbinel");

  Write("Broken.xml", "<language><entry id=\"cmdIdAbout\" value=\"x\"></language>");
  Write("Entity.xml",
        "<!DOCTYPE language [<!ENTITY e \"x\">]><language><entry id=\"cmdIdAbout\" value=\"&e;\"/></language>");
  std::filesystem::create_directory(folder_ + "Folder.xml");
  for (const char16_t* chosen : {u"Klingon", u"Broken", u"Entity", u"Folder", u""}) {
    SCOPED_TRACE(quorvia::Utf16ToUtf8(chosen));
    SetLanguageValue(chosen);
    language.Load();
    EXPECT_EQ(Language::GetLanguageName(), chosen);
    EXPECT_EQ(language.FindText(kLangCmdIdAbout), u"About Harbinel");
  }

  // A readable document without entries empties the table.
  Write("Empty.xml", Document(""));
  SetLanguageValue(u"Empty");
  language.Load();
  EXPECT_EQ(language.FindText(kLangCmdIdAbout), u"");
}

TEST_F(LanguageTable, EntriesTakeTheValueAttributeOrTheTextAndTheFirstOfAKey) {
  Write("English.xml", Document(
      "<entry value=\"no id\">no id either</entry>\n"
      "<entry id=\"attribute\" value=\"from the attribute\">not this text</entry>\n"
      "<entry id=\"text\">\n   from the text <b>and a child</b>  \n</entry>\n"
      "<entry id=\"nothing\"/>\n"
      "<entry id=\"blank\">   </entry>\n"
      "<entry id=\"empty\" value=\"\">ignored text</entry>\n"
      "<entry id=\"twice\" value=\"first\"/>\n"
      "<entry id=\"twice\" value=\"second\"/>\n"
      "<entry id=\"nothing\" value=\"a later entry with text\"/>\n"
      "<other><entry id=\"outside\" value=\"not a language entry\"/></other>\n"
      "<entry id=\"\u00e9t\u00e9\" value=\"\u00e9\u00e9 \u6c49\u5b57\"/>\n"));
  Language& language = Reloaded();

  struct Case {
    const char16_t* key;
    const char16_t* text;
  };
  const Case cases[] = {
      {u"attribute", u"from the attribute"},
      {u"text", u"from the text and a child"},
      {u"nothing", u"a later entry with text"},  // the entry without text was skipped
      {u"blank", u""},
      {u"empty", u""},
      {u"twice", u"first"},
      {u"outside", u""},
      {u"\u00e9t\u00e9", u"\u00e9\u00e9 \u6c49\u5b57"},
      {u"Attribute", u""},  // keys match exactly
      {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(quorvia::Utf16ToUtf8(c.key));
    EXPECT_EQ(language.FindText(c.key), c.text);
    BSTR text = language.FindTextBstr(c.key);
    if (c.text[0] == u'\0') {
      EXPECT_EQ(text, nullptr);  // an empty text is missing
    } else {
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(quorvia::BstrView(text), c.text);
    }
    SysFreeString(text);
  }
}

TEST_F(LanguageTable, EmptyBaseFolderFallsBackToTheLibrarysOwnFolder) {
  Language::SetBaseFolder(u"");
  Reloaded();
  // The language code is linked into this program, so its folder is the
  // program's.
  const auto program = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(Language::GetBaseFolder(), quorvia::Utf8ToUtf16(program.parent_path().string() + "/"));

  // A folder that is set is kept.
  Language::SetBaseFolder(Folder());
  Reloaded();
  EXPECT_EQ(Language::GetBaseFolder(), Folder());
}

TEST_F(LanguageTable, ListLanguagesNamesEveryDocumentWithOneDisplayEntry) {
  Write("English.xml", kEnglish);
  Write("Deutsch.XML", kGerman);
  Write("Text.xml", Document("<entry id=\"display\">  Fran\xC3\xA7" "ais  </entry>\n"));
  Write("AlsoEnglish.xml", kEnglish);  // same display name: found first, so it stays
  Write("config.xml", Document("<entry id=\"display\" value=\"Configuration\"/>\n"));
  Write("CONFIG.XML", Document("<entry id=\"display\" value=\"Configuration in capitals\"/>\n"));
  Write("NoDisplay.xml", Document("<entry id=\"cmdIdAbout\" value=\"About\"/>\n"));
  Write("TwoDisplays.xml", Document("<entry id=\"display\" value=\"One\"/><entry id=\"display\" value=\"Two\"/>\n"));
  Write("EmptyDisplay.xml", Document("<entry id=\"display\" value=\"\">not this</entry>\n"));
  Write("Broken.xml", "<language><entry id=\"display\" value=\"Broken\">");
  Write("readme.txt", Document("<entry id=\"display\" value=\"Not a document\"/>\n"));
  std::filesystem::create_directory(folder_ + "Folder.xml");

  const Language::LanguageList expected = {
      {u"Deutsch", Folder() + u"deutsch.xml"},
      {u"English", Folder() + u"alsoenglish.xml"},
      {u"Fran\u00e7ais", Folder() + u"text.xml"},
  };
  EXPECT_EQ(Language::ListLanguages(Folder()), expected);

  // A folder named without its closing separator is the same folder.
  std::u16string bare = Folder();
  bare.pop_back();
  EXPECT_EQ(Language::ListLanguages(bare), expected);

  EXPECT_TRUE(Language::ListLanguages(Folder() + u"missing/").empty());
}

TEST_F(LanguageTable, ChoosingAListedLanguageByItsLowerCasedNameLoadsIt) {
  Write("English.xml", kEnglish);
  Write("Deutsch.xml", kGerman);
  const Language::LanguageList languages = Language::ListLanguages(Folder());
  ASSERT_EQ(languages.count(u"Deutsch"), 1u);

  // What the About dialog stores: the listed file name without folder and
  // extension.
  const std::filesystem::path listed(quorvia::Utf16ToUtf8(languages.at(u"Deutsch")));
  const std::u16string stored = quorvia::Utf8ToUtf16(listed.stem().string());
  EXPECT_EQ(stored, u"deutsch");
  SetLanguageValue(stored);
  EXPECT_EQ(Reloaded().FindText(kLangCmdIdAbout), u"\u00DCber Harbinel");
}

TEST_F(LanguageTable, ResolveDocumentPathPrefersTheExactName) {
  Write("Deutsch.xml", kGerman);
  Write("b.xml", kGerman);
  Write("B.xml", kGerman);
  EXPECT_EQ(Language::ResolveDocumentPath(Folder() + u"Deutsch.xml"), Folder() + u"Deutsch.xml");
  EXPECT_EQ(Language::ResolveDocumentPath(Folder() + u"DEUTSCH.xml"), Folder() + u"Deutsch.xml");
  EXPECT_EQ(Language::ResolveDocumentPath(Folder() + u"b.xml"), Folder() + u"b.xml");
  // Of several case-insensitive matches, the first in plain character order.
  EXPECT_EQ(Language::ResolveDocumentPath(Folder() + u"b.XML"), Folder() + u"B.xml");
  EXPECT_EQ(Language::ResolveDocumentPath(Folder() + u"Missing.xml"), std::nullopt);
  EXPECT_EQ(Language::ResolveDocumentPath(Folder()), std::nullopt);
  EXPECT_EQ(Language::ResolveDocumentPath(u""), std::nullopt);
}

}  // namespace
