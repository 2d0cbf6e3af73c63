// "Quorvia.PageProcessor": runs once for every completed top-level page of
// the browser. It rates the displayed site and shows the answer on the site
// indicator; on a result page of a configured search engine it then rates
// the result links (from the link cache where it can, otherwise with one
// request for all the others) and marks every rated link on the page.
//
// The three operations added after CommandC's 28 slots are virtual in a
// fixed slot order (28 RateCurrentSite, 29 ProcessSearchPage, 30
// AnnotateLink); keep that order.
#pragma once

#include <string>
#include <string_view>

#include "core/plugin/cmd_utils.h"
#include "core/rating/web_service.h"
#include "framework/command.h"
#include "platform/html/html_interfaces.h"

class CLinkMatchersManager;
class CmdPageIndicator;
class ILinkMatcher;

// The resources of HarbRes that a marked page refers to.
inline constexpr char16_t kBubbleScriptAddress[] = u"res://HarbRes.dll/js/VantoryBubbles.js";
inline constexpr char16_t kStyleSheetAddress[] = u"res://HarbRes.dll/css/quorvia_tb.css";

class CmdPageProcessor : public CommandC, public CmdUtils {
 public:
  // Named "Quorvia.PageProcessor" and enabled. config: the configuration
  // document (not owned; may be null, the command then ignores every page).
  // indicator: the site indicator made with this command (not owned; may be
  // null). The rating service client is made here, for the service address
  // in force now.
  CmdPageProcessor(CXmlSetting* config, CmdPageIndicator* indicator);
  ~CmdPageProcessor() override;

  // Slot 19. While the product is turned on, for a displayed page whose
  // scheme is supported: sets the status text to "statusWaiting", rates the
  // site (RateCurrentSite) and, when that succeeded with S_OK, processes
  // the page (ProcessSearchPage); when that did not fail, clears the status
  // text. Any failure stops the run silently.
  void Execute() override;

  // Slot 28: asks the service about url alone and shows the answer on the
  // indicator (image 666 while asking). S_OK without an indicator. The
  // request's result; E_FAIL for an answer without a record. On failure the
  // indicator shows image 227 and the text of "siteDescUnknown".
  virtual HRESULT RateCurrentSite(BSTR url);

  // Slot 29: on a page of a search engine in engines whose marker element
  // (setting "MainBubbleSpanID") is missing: inserts the bubble script, the
  // style sheet and the main bubble, collects the result links, rates them
  // and marks each rated link. S_FALSE when the address belongs to no
  // engine or the page is marked already; the first failure of the
  // preparation, of collecting or of the request; S_OK otherwise (failures
  // of single links are not reported).
  virtual HRESULT ProcessSearchPage(IHTMLDocument2* document, const CLinkMatchersManager* engines, BSTR url);

  // Slot 30: inserts the information layer of one rated link directly
  // after the link: the setting "infolayerHTML" formatted with the record's
  // figures, the language texts and the more-information address ("BaseURL"
  // followed by the link's address, escaped for HTML). A template that does
  // not fit its arguments inserts nothing (E_FAIL). Then the matcher's
  // Reserved with the element and the record, whose result is returned.
  virtual HRESULT AnnotateLink(const ILinkMatcher* matcher, IHTMLAnchorElement* element,
                               const URLScanResultElement* record);

  // The preparation of a page, in the order ProcessSearchPage runs it.
  // A deferred script element with src address, as the last child of the
  // page's head, or of its body when it has no head.
  HRESULT InsertScript(IHTMLDocument2* document, std::u16string_view address);
  // A style sheet with the address, first among the page's style sheets.
  HRESULT InsertStyleSheet(IHTMLDocument2* document, std::u16string_view address);
  // The setting "MainBubbleHTML" with its placeholders replaced by language
  // texts, as the first content of the body. E_FAIL without a configuration
  // or a template.
  HRESULT InsertMainBubble(IHTMLDocument2* document);

  CWebServiceClass& GetService() noexcept { return service; }
  CmdPageIndicator* GetIndicator() const noexcept { return indicator; }

 protected:
  CWebServiceClass service;
  CmdPageIndicator* indicator;  // not owned
};
