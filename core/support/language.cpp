#include "core/support/language.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "core/support/globals.h"
#include "core/support/registry.h"
#include "core/support/string_helper.h"
#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"
#include "platform/module/find_file.h"
#include "platform/module/module.h"
#include "platform/registry/registry_api.h"
#include "platform/text/convert.h"
#include "platform/xml/xml_dom.h"

using quorvia::ComPtr;

namespace {

// The singleton. A plain pointer is zero before any code of the library runs,
// so it needs no construction order.
Language* g_instance = nullptr;

constexpr char16_t kEntriesQuery[] = u"//language/entry";
constexpr char16_t kDisplayQuery[] = u"//language/entry[@id=\"display\"]";

// The folder of this library's own file, ending in "/"; empty when it cannot
// be found.
std::u16string OwnFolder() {
  std::vector<WCHAR> buffer(MAX_PATH);
  DWORD length = 0;
  for (;;) {
    const auto size = static_cast<DWORD>(buffer.size());
    length = GetModuleFileNameW(quorvia::ThisModule(), buffer.data(), size);
    if (length == 0) return {};
    if (length < size) break;
    // Truncated: try again with more room, within reason.
    if (buffer.size() >= 65536) return {};
    buffer.resize(buffer.size() * 2);
  }
  std::u16string path(buffer.data(), length);
  const auto slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  path.resize(slash + 1);
  return path;
}

bool IsRegularFile(const std::u16string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(quorvia::Utf16ToUtf8(path)), ec);
}

// The names of the regular files of `folder` (ending in "/", or empty for the
// current folder) that match `pattern`, in plain character order.
std::vector<std::u16string> FilesMatching(const std::u16string& folder, std::u16string_view pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data{};
  const std::u16string query = folder + std::u16string(pattern);
  HANDLE search = FindFirstFileW(query.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(data.cFileName);
  } while (FindNextFileW(search, &data));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// A document loaded from a file, with asynchronous loading, validation and
// external resolution switched off; null when it cannot be created or loaded.
ComPtr<IXMLDOMDocument> LoadDocument(const std::u16string& path) {
  ComPtr<IXMLDOMDocument> document;
  if (FAILED(CreateXmlDocument(&document)) || !document) return nullptr;
  if (FAILED(document->put_async(VARIANT_FALSE)) || FAILED(document->put_validateOnParse(VARIANT_FALSE)) ||
      FAILED(document->put_resolveExternals(VARIANT_FALSE))) {
    return nullptr;
  }
  VARIANT_BOOL loaded = VARIANT_FALSE;
  if (FAILED(document->load(CComVariant(path), &loaded)) || loaded != VARIANT_TRUE) return nullptr;
  return document;
}

// Reads the document's entries into `entries`. An entry without "id", or
// with "id" and neither a "value" attribute nor text, is skipped; a failing
// attribute look-up ends the reading. The first text of a key stays.
void ReadEntries(IXMLDOMDocument& document, std::map<std::u16string, std::u16string>& entries) {
  ComPtr<IXMLDOMNodeList> list;
  if (FAILED(document.selectNodes(CComBSTR(kEntriesQuery), &list)) || !list) return;
  LONG count = 0;
  if (FAILED(list->get_length(&count))) return;

  const CComBSTR idName(kLanguageAttrId);
  const CComBSTR valueName(kLanguageAttrValue);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> node;
    if (FAILED(list->get_item(i, &node)) || !node) continue;
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    if (FAILED(node->get_attributes(&attributes)) || !attributes) continue;

    ComPtr<IXMLDOMNode> idNode;
    if (FAILED(attributes->getNamedItem(idName, &idNode))) break;
    if (!idNode) continue;
    CComBSTR id;
    if (FAILED(idNode->get_text(&id))) continue;

    ComPtr<IXMLDOMNode> valueNode;
    if (FAILED(attributes->getNamedItem(valueName, &valueNode))) break;
    CComBSTR text;
    if (valueNode) {
      // A present but empty attribute stores an empty text.
      if (FAILED(valueNode->get_text(&text))) continue;
    } else if (FAILED(node->get_text(&text)) || text.Get() == nullptr) {
      continue;
    }
    entries.emplace(id.ToU16String(), text.ToU16String());
  }
}

// The text of the document's one "display" entry: its "value" attribute, or
// its text when the attribute is absent. Nothing when there is not exactly
// one such entry or its text cannot be read.
std::optional<std::u16string> DisplayName(IXMLDOMDocument& document) {
  ComPtr<IXMLDOMNodeList> list;
  if (FAILED(document.selectNodes(CComBSTR(kDisplayQuery), &list)) || !list) return std::nullopt;
  LONG count = 0;
  if (FAILED(list->get_length(&count)) || count != 1) return std::nullopt;
  ComPtr<IXMLDOMNode> node;
  if (FAILED(list->get_item(0, &node)) || !node) return std::nullopt;
  ComPtr<IXMLDOMElement> element;
  if (FAILED(node.As(&element)) || !element) return std::nullopt;

  CComVariant value;
  const HRESULT hr = element->getAttribute(CComBSTR(kLanguageAttrValue), &value);
  if (FAILED(hr)) return std::nullopt;
  if (hr == S_OK) {
    if (value.vt != VT_BSTR) return std::nullopt;
    return std::u16string(quorvia::BstrView(value.bstrVal));
  }
  CComBSTR text;
  if (FAILED(node->get_text(&text))) return std::nullopt;
  return text.ToU16String();
}

}  // namespace

CriticalSection& LanguageLock() {
  static CriticalSection lock;
  return lock;
}

std::u16string& LanguageName() {
  static std::u16string name(kDefaultLanguage);
  return name;
}

std::u16string& LanguageBaseFolder() {
  static std::u16string folder;
  return folder;
}

Language::Language() { SingletonCleaner::Get().Register(this); }

Language::~Language() noexcept(false) {
  SyncObject lock(LanguageLock());
  if (g_instance == this) g_instance = nullptr;
}

Language* Language::Instance() {
  // The lock and the state beside the table are built before the singleton
  // registers with the cleaner, so they outlive it when the library unloads.
  SyncObject lock(LanguageLock());
  if (g_instance == nullptr) {
    LanguageName();
    LanguageBaseFolder();
    g_instance = new Language();
    g_instance->Load();
  }
  return g_instance;
}

void Language::Load() {
  SyncObject lock(LanguageLock());

  LanguageName() = kDefaultLanguage;
  Registry registry(HKEY_CURRENT_USER);
  if (!registry.ReadLanguage()) registry.WriteLanguage(kDefaultLanguage);

  std::u16string& folder = LanguageBaseFolder();
  if (folder.empty()) folder = OwnFolder();

  const std::u16string path = StringHelper::stringFmt(u"%s%s%s", folder, LanguageName(), kLanguageFileExtension);
  const std::optional<std::u16string> file = ResolveDocumentPath(path);
  if (!file) return;
  ComPtr<IXMLDOMDocument> document = LoadDocument(*file);
  if (!document) return;

  entries.clear();
  ReadEntries(*document, entries);
}

std::u16string Language::FindText(std::u16string_view key) const {
  SyncObject lock(LanguageLock());
  if (key.empty()) return {};
  const auto found = entries.find(std::u16string(key));
  return found == entries.end() ? std::u16string() : found->second;
}

BSTR Language::FindTextBstr(std::u16string_view key) const {
  const std::u16string text = FindText(key);
  return text.empty() ? nullptr : quorvia::AllocBstr(text);
}

std::u16string Language::GetLanguageName() {
  SyncObject lock(LanguageLock());
  return LanguageName();
}

std::u16string Language::GetBaseFolder() {
  SyncObject lock(LanguageLock());
  return LanguageBaseFolder();
}

void Language::SetBaseFolder(const std::u16string& folder) {
  SyncObject lock(LanguageLock());
  LanguageBaseFolder() = folder;
}

std::optional<std::u16string> Language::ResolveDocumentPath(const std::u16string& path) {
  if (path.empty()) return std::nullopt;
  if (IsRegularFile(path)) return path;

  // No file has exactly that name: look for one whose name differs only in
  // letter case among the folder's ".xml" files.
  const auto slash = path.rfind(u'/');
  const std::u16string folder = slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
  const std::u16string wanted = StringHelper::toLower(std::u16string_view(path).substr(folder.size()));
  if (wanted.empty()) return std::nullopt;
  for (const std::u16string& name : FilesMatching(folder, u"*.xml")) {
    if (StringHelper::toLower(name) == wanted) return folder + name;
  }
  return std::nullopt;
}

Language::LanguageList Language::ListLanguages(const std::u16string& folder) {
  SyncObject lock(LanguageLock());
  LanguageList languages;

  // A folder given without its closing separator still names the folder.
  std::u16string prefix = folder;
  if (!prefix.empty() && prefix.back() != u'/') prefix += u'/';

  // In plain character order of the names, so that which of two documents
  // with the same display name stays does not depend on the file system.
  for (const std::u16string& fileName : FilesMatching(prefix, u"*.xml")) {
    const std::u16string name = StringHelper::toLower(fileName);
    if (name == kConfigFileName) continue;
    // The listed path carries the lower-cased name; the document itself is
    // read under its real name.
    const std::u16string path = prefix + name;
    const std::optional<std::u16string> file = ResolveDocumentPath(path);
    if (!file) continue;
    ComPtr<IXMLDOMDocument> document = LoadDocument(*file);
    if (!document) continue;
    std::optional<std::u16string> display = DisplayName(*document);
    // A language without a name to show cannot be chosen.
    if (!display || display->empty()) continue;
    languages.emplace(std::move(*display), path);
  }
  return languages;
}
