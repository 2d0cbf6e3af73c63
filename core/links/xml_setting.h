// The configuration document "config.xml": named settings (page templates,
// addresses, the marker id, the URI schemes) and the search engines with
// their URL patterns and result matchers.
//
// The document lies in the folder of the toolbar host library. It is loaded
// once, right after construction, and only read afterwards; nothing is
// re-read when the file changes.
//
//   <config>
//     <settings>
//       <setting id="BaseURL" value="https://..."/>
//       <setting id="MainBubbleHTML"><![CDATA[<div>...</div>]]></setting>
//     </settings>
//     <search-engines>
//       <se id="google">
//         <url-regexps><regexp value="..."/>...</url-regexps>
//         <results-matchers>
//           <sm type="0" value="class name"/>
//           <sm type="1" value="href pattern"/>
//           <sm type="2" value="class name" regexp="extraction pattern"/>
//         </results-matchers>
//       </se>
//     </search-engines>
//   </config>
#pragma once

#include <string>
#include <unordered_map>

#include "core/links/links_manager.h"
#include "core/support/sync_objects.h"
#include "platform/com/types.h"

struct IXMLDOMNode;
class LinkMatcherContainer;

class CXmlSetting : public CriticalSection {
 public:
  // modulePath: the full file name of the host library. The document is
  // "config.xml" in that library's folder. Nothing is read yet.
  explicit CXmlSetting(const std::u16string& modulePath);
  ~CXmlSetting() override;

  // Reads the document, then its settings, then its engines. A document
  // that cannot be created, read or parsed leaves no settings and no
  // engines. A pattern of an engine that does not compile, and an engine
  // without any URL pattern, throw std::invalid_argument out of here (the
  // matcher's fixed message followed by the pattern); the settings and the
  // engines before it stay.
  HRESULT LoadDocument();

  // Reads the settings, then the engines, of an already loaded document (or
  // anything that answers the document's selections). The second half of
  // LoadDocument, with the same results and exceptions.
  HRESULT ReadDocument(IXMLDOMNode* document);

  // The value of setting id (compared exactly, letter case included); the
  // empty string when the document does not define it.
  std::u16string GetSetting(const std::u16string& id) const;

  // The search engines, in document order.
  CLinkMatchersManager& GetEngines() noexcept { return m_engines; }
  const CLinkMatchersManager& GetEngines() const noexcept { return m_engines; }

  // The full path of "config.xml", and its folder with a trailing "/".
  const std::u16string& GetConfigPath() const noexcept { return ConfigPath; }
  const std::u16string& GetConfigDirectory() const noexcept { return ConfigDirectory; }

 private:
  HRESULT ReadSettings(IXMLDOMNode* document);
  HRESULT ReadEngines(IXMLDOMNode* document);
  static HRESULT JoinUrlPatterns(IXMLDOMNode* engine, std::u16string& pattern);
  static HRESULT FillResultMatchers(IXMLDOMNode* engine, LinkMatcherContainer& container);

  std::u16string ConfigPath;
  std::u16string ConfigDirectory;
  std::unordered_map<std::u16string, std::u16string> m_settings;
  CLinkMatchersManager m_engines;
};
