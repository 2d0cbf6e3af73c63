// The language table: every text the product shows, looked up by key in the
// language document of the user's chosen language.
//
// A language document is an XML file "<name>.xml" in the base folder (the
// folder of the host library) with entries
//     <language><entry id="key" value="text"/> ...</language>
// where an entry without a "value" attribute takes its text content. The
// entry "display" holds the language's own name as the user sees it.
//
// The table, the language name and the base folder are shared by every
// toolbar of the process and guarded by one re-entrant lock, the language
// lock.
//
// File names on a file system that tells case apart: the chosen language is
// stored as the user picked it from ListLanguages, which hands out lower-cased
// file names. A document is found by its exact name first; when no file has
// that name, the ".xml" files of the folder are searched for one whose name
// matches without regard to case (of several, the first in plain character
// order). So "deutsch" finds "Deutsch.xml", and a folder that holds both
// "deutsch.xml" and "Deutsch.xml" uses the exact one.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/support/singleton_cleaner.h"
#include "core/support/sync_objects.h"
#include "platform/com/bstr.h"

// The language lock: guards the language table, the language name and the
// base folder. Built on first use, so any global object of the library may
// take it while the library loads.
CriticalSection& LanguageLock();

// The name of the chosen language document (without folder and extension):
// "English" until the registry value "Language" is read into it. Read or
// write it only while holding the language lock, and hand out copies.
std::u16string& LanguageName();

// The folder of the language documents, ending in "/"; empty until the core
// object sets it from the host library's path. Read or write it only while
// holding the language lock.
std::u16string& LanguageBaseFolder();

class Language : public SingletonCleanerBase {
 public:
  // Available languages: display name -> document path, ordered by display
  // name.
  using LanguageList = std::map<std::u16string, std::u16string>;

  ~Language() noexcept(false) override;

  // The singleton: created, registered with the singleton cleaner (which
  // deletes it when the library unloads) and loaded on the first call.
  static Language* Instance();

  // (Re)loads the table from the document of the language named by the
  // registry value "Language" ("English" when the value cannot be read, and
  // then written back). The base folder falls back to this library's own
  // folder while it is empty. A missing or unreadable document leaves the
  // table as it was; a document without entries empties it.
  void Load();

  // The text of `key`; empty when the key is empty or unknown.
  std::u16string FindText(std::u16string_view key) const;
  // The text of `key` as a new BSTR the caller frees; null when the text is
  // empty.
  BSTR FindTextBstr(std::u16string_view key) const;

  // A copy of the language name.
  static std::u16string GetLanguageName();
  // A copy of the base folder, and setting it (both under the language lock).
  static std::u16string GetBaseFolder();
  static void SetBaseFolder(const std::u16string& folder);

  // The language documents of `folder` (every "*.xml" file there except the
  // configuration document "config.xml", compared in lower case) whose
  // "display" entry is unique and not empty. The paths are the folder
  // followed by the lower-cased file name; the documents are read by the
  // matching described above. Of two documents with the same display name
  // the first one found stays.
  static LanguageList ListLanguages(const std::u16string& folder);

  // The file that a document path denotes: the path itself when a file has
  // exactly that name, else the first ".xml" file of its folder (in plain
  // character order) whose name matches the path's file name without regard
  // to case. Nothing when neither exists.
  static std::optional<std::u16string> ResolveDocumentPath(const std::u16string& path);

 private:
  Language();

  // Key -> text, ordered by plain character comparison.
  std::map<std::u16string, std::u16string> entries;
};
