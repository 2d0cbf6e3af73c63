// The product's language documents: the copies beside the libraries, the
// same keys in every language, and a text for every key the code reads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/support/globals.h"
#include "core/support/language.h"
#include "core/support/registry.h"
#include "core/support/string_helper.h"
#include "platform/com/com_ptr.h"
#include "platform/registry/registry_api.h"
#include "platform/text/convert.h"
#include "platform/xml/xml_dom.h"

namespace {

namespace fs = std::filesystem;

// Keys the code reads that are named where they are used rather than among
// the library's constants.
const char* const kKeysNamedInPlace[] = {
    "unknown", "yes", "no", "display", "aboutTitle", "aboutVersion", "aboutLang", "aboutLicense",
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Every language key among the library's constants (kLang... = u"key", not
// the kLanguage... names of the documents themselves).
std::set<std::string> KeysOfTheConstants() {
  const std::string source = ReadFile(fs::path(QUORVIA_SOURCE_DIR) / "core/support/globals.h");
  std::set<std::string> keys;
  const std::string marker = "char16_t ";
  for (auto at = source.find(marker + "kLang"); at != std::string::npos; at = source.find(marker + "kLang", at + 1)) {
    const auto name_begin = at + marker.size();
    const auto name_end = source.find('[', name_begin);
    if (name_end == std::string::npos) break;
    const std::string name = source.substr(name_begin, name_end - name_begin);
    if (name.rfind("kLanguage", 0) == 0) continue;
    const auto open = source.find("u\"", name_end);
    const auto close = source.find('"', open + 2);
    if (open == std::string::npos || close == std::string::npos) break;
    keys.insert(source.substr(open + 2, close - open - 2));
  }
  return keys;
}

std::set<std::string> RequiredKeys() {
  std::set<std::string> keys = KeysOfTheConstants();
  keys.insert(std::begin(kKeysNamedInPlace), std::end(kKeysNamedInPlace));
  return keys;
}

// The ids of a document's entries in document order, duplicates included.
std::vector<std::string> EntryIds(const fs::path& path) {
  quorvia::ComPtr<IXMLDOMDocument> document;
  EXPECT_EQ(CreateXmlDocument(&document), S_OK);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  EXPECT_EQ(document->load(CComVariant(quorvia::Utf8ToUtf16(path.string())), &loaded), S_OK) << path;
  quorvia::ComPtr<IXMLDOMNodeList> entries;
  EXPECT_EQ(document->selectNodes(CComBSTR(u"//language/entry"), &entries), S_OK);
  std::vector<std::string> ids;
  LONG count = 0;
  if (!entries || FAILED(entries->get_length(&count))) return ids;
  for (LONG i = 0; i < count; ++i) {
    quorvia::ComPtr<IXMLDOMNode> node;
    quorvia::ComPtr<IXMLDOMElement> element;
    CComVariant id;
    if (entries->get_item(i, &node) == S_OK && node.As(&element) == S_OK &&
        element->getAttribute(CComBSTR(u"id"), &id) == S_OK) {
      ids.push_back(quorvia::Utf16ToUtf8(quorvia::BstrView(id.bstrVal)));
    }
  }
  return ids;
}

class LanguageDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("QUORVIA_TEST_BIN");
    ASSERT_NE(bin, nullptr);
    output_ = bin;
    for (const auto& entry : fs::directory_iterator(fs::path(QUORVIA_SOURCE_DIR) / "data/lang")) {
      if (entry.path().extension() == ".xml") sources_.push_back(entry.path());
    }
    std::sort(sources_.begin(), sources_.end());
    home_ = (fs::temp_directory_path() / "quorvia-langdocs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(home_.data()), nullptr);
    ::setenv("QUORVIA_HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    Language::SetBaseFolder(u"");
    ::unsetenv("QUORVIA_HOME");
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  fs::path output_;
  std::vector<fs::path> sources_;
  std::string home_;
};

TEST_F(LanguageDocuments, EnglishAndASecondLanguageLieBesideTheLibraries) {
  ASSERT_GE(sources_.size(), 2u);
  ASSERT_TRUE(fs::exists(fs::path(QUORVIA_SOURCE_DIR) / "data/lang/English.xml"));
  for (const fs::path& source : sources_) {
    SCOPED_TRACE(source.filename().string());
    const fs::path copy = output_ / source.filename();
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(ReadFile(copy), ReadFile(source));
  }
}

TEST_F(LanguageDocuments, EveryDocumentHasExactlyTheSameKeysOnceEachAndEveryKeyTheCodeReads) {
  const std::set<std::string> constants = KeysOfTheConstants();
  // The scan of the constants found them (a few picked by name).
  for (const char16_t* key : {kLangCmdIdAbout, kLangStatusWaiting, kLangScriptExploits, kLangSiteDescUnTested}) {
    EXPECT_EQ(constants.count(quorvia::Utf16ToUtf8(key)), 1u);
  }
  EXPECT_GE(constants.size(), 18u);

  const std::set<std::string> required = RequiredKeys();
  std::set<std::string> first_keys;
  for (const fs::path& source : sources_) {
    SCOPED_TRACE(source.filename().string());
    const std::vector<std::string> ids = EntryIds(source);
    const std::set<std::string> keys(ids.begin(), ids.end());
    EXPECT_EQ(keys.size(), ids.size()) << "a key appears twice";
    for (const std::string& key : required) EXPECT_EQ(keys.count(key), 1u) << "missing " << key;
    if (first_keys.empty()) {
      first_keys = keys;
    } else {
      EXPECT_EQ(keys, first_keys) << "keys differ from " << sources_.front().filename();
    }
  }
}

TEST_F(LanguageDocuments, EachLanguageLoadsWithATextForEveryKeyAndIsListed) {
  const std::u16string folder = quorvia::Utf8ToUtf16(output_.string() + "/");
  Language::SetBaseFolder(folder);
  const Language::LanguageList listed = Language::ListLanguages(folder);

  std::set<std::u16string> display_names;
  for (const fs::path& source : sources_) {
    const std::u16string name = quorvia::Utf8ToUtf16(source.stem().string());
    SCOPED_TRACE(source.filename().string());
    Registry(HKEY_CURRENT_USER).WriteLanguage(name);
    Language* language = Language::Instance();
    language->Load();
    for (const std::string& key : RequiredKeys()) {
      EXPECT_FALSE(language->FindText(quorvia::Utf8ToUtf16(key)).empty()) << "no text for " << key;
    }
    const std::u16string display = language->FindText(u"display");
    display_names.insert(display);
    ASSERT_EQ(listed.count(display), 1u);
    EXPECT_EQ(listed.at(display), folder + StringHelper::toLower(name) + u".xml");
  }
  EXPECT_EQ(display_names.size(), sources_.size()) << "two languages share a display name";

  // The default language shows under its own name, so the About dialog
  // preselects it.
  Registry(HKEY_CURRENT_USER).WriteLanguage(kDefaultLanguage);
  Language::Instance()->Load();
  EXPECT_EQ(Language::Instance()->FindText(u"display"), kDefaultLanguage);
}

}  // namespace
