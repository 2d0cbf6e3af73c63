// The changes the page processor makes to a search page: the bubble script,
// the style sheet, the main bubble and the information layer after every
// rated link.
#include "core/plugin/page_annotation.h"

#include <optional>
#include <string>

#include "core/links/link_matchers.h"
#include "core/links/xml_setting.h"
#include "core/plugin/cmd_page_processor.h"
#include "core/rating/rating_records.h"
#include "core/support/globals.h"
#include "core/support/language.h"
#include "core/support/string_helper.h"
#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"
#include "platform/text/format.h"

using quorvia::ComPtr;

LinkRatingClass LinkRatingClassOf(int site_rating) noexcept {
  switch (site_rating) {
    case 1: return {u"green", u"res://HarbRes.dll/gif/green_icon.gif", kLangSiteDescSafe};
    case 2: return {u"yellow", u"res://HarbRes.dll/gif/yellow_icon.gif", kLangSiteDescUnknown};
    case 3: return {u"red", u"res://HarbRes.dll/gif/red_icon.gif", kLangSiteDescUnSafe};
    default: return {u"gray", u"res://HarbRes.dll/gif/gray_icon.gif", kLangSiteDescUnTested};
  }
}

std::u16string EscapeHtml(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      case u'\'': out += u"&#39;"; break;
      default: out += c; break;
    }
  }
  return out;
}

namespace {

// The first head element of the document, or null.
ComPtr<IHTMLElement> FindHead(IHTMLDocument2* document) {
  ComPtr<IHTMLElementCollection> all;
  if (FAILED(document->get_all(&all)) || !all) return nullptr;
  ComPtr<IDispatch> dispatch;
  if (FAILED(all->tags(CComVariant(u"head"), &dispatch)) || !dispatch) return nullptr;
  ComPtr<IHTMLElementCollection> heads;
  if (FAILED(dispatch.As(&heads)) || !heads) return nullptr;
  ComPtr<IDispatch> item;
  if (FAILED(heads->item(CComVariant(std::int32_t{0}), CComVariant(std::int32_t{0}), &item)) || !item) return nullptr;
  ComPtr<IHTMLElement> head;
  if (FAILED(item.As(&head))) return nullptr;
  return head;
}

std::u16string LanguageText(const char16_t* key) { return Language::Instance()->FindText(key); }

int NotNegative(int count) { return count < 0 ? 0 : count; }

}  // namespace

HRESULT CmdPageProcessor::InsertScript(IHTMLDocument2* document, std::u16string_view address) {
  if (document == nullptr) return E_POINTER;

  ComPtr<IHTMLElement> container = FindHead(document);
  if (!container) {
    const HRESULT hr = document->get_body(&container);
    if (FAILED(hr)) return hr;
    if (!container) return E_POINTER;
  }
  ComPtr<IHTMLElement2> container2;
  HRESULT hr = container.As(&container2);
  if (FAILED(hr)) return hr;
  if (!container2) return E_POINTER;

  ComPtr<IHTMLElement> element;
  hr = document->createElement(CComBSTR(u"script"), &element);
  if (FAILED(hr)) return hr;
  if (!element) return E_POINTER;
  ComPtr<IHTMLScriptElement> script;
  hr = element.As(&script);
  if (FAILED(hr)) return hr;
  if (!script) return E_POINTER;

  hr = script->put_defer(VARIANT_TRUE);
  if (FAILED(hr)) return hr;
  hr = script->put_src(CComBSTR(address));
  if (FAILED(hr)) return hr;
  ComPtr<IHTMLElement> inserted;
  return container2->insertAdjacentElement(CComBSTR(u"beforeEnd"), element.Get(), &inserted);
}

HRESULT CmdPageProcessor::InsertStyleSheet(IHTMLDocument2* document, std::u16string_view address) {
  if (document == nullptr) return E_POINTER;
  return document->createStyleSheet(CComBSTR(address), 0, nullptr);
}

HRESULT CmdPageProcessor::InsertMainBubble(IHTMLDocument2* document) {
  if (config == nullptr) return E_FAIL;
  std::u16string markup = config->GetSetting(kSettingMainBubbleHTML);
  // Without a template the page would get no marker element and would be
  // prepared again on every run.
  if (markup.empty()) return E_FAIL;
  if (document == nullptr) return E_POINTER;

  static constexpr std::pair<const char16_t*, const char16_t*> kPlaceholders[] = {
      {u"%MOREINFO%", kLangScriptMoreInfo}, {u"%DOWNLOADS%", kLangScriptDownloads},
      {u"%LINKS%", kLangScriptLinks},       {u"%SPAM%", kLangScriptSpam},
      {u"%EXPLOITS%", kLangScriptExploits},
  };
  for (const auto& [placeholder, key] : kPlaceholders) {
    markup = StringHelper::replaceAll(markup, placeholder, LanguageText(key));
  }

  ComPtr<IHTMLElement> body;
  const HRESULT hr = document->get_body(&body);
  if (FAILED(hr)) return hr;
  if (!body) return E_POINTER;
  return body->insertAdjacentHTML(CComBSTR(u"afterBegin"), CComBSTR(markup));
}

HRESULT CmdPageProcessor::AnnotateLink(const ILinkMatcher* matcher, IHTMLAnchorElement* element,
                                       const URLScanResultElement* record) {
  if (config == nullptr) return E_FAIL;
  if (matcher == nullptr || record == nullptr) return E_POINTER;

  ComPtr<IHTMLElement> link;
  HRESULT hr = ComPtr<IHTMLAnchorElement>(element).As(&link);
  if (FAILED(hr)) return hr;
  if (!link) return E_FAIL;

  std::u16string link_url;
  hr = matcher->GetLinkUrl(element, link_url);
  if (FAILED(hr)) return hr;

  const LinkRatingClass rating = LinkRatingClassOf(record->SiteRating);
  const std::u16string description = LanguageText(rating.description_key);

  const int downloads_red = NotNegative(record->Downloads.Red);
  const int downloads_green = NotNegative(record->Downloads.Green);
  const int downloads_yellow = NotNegative(record->Downloads.Yellow);
  const int links_red = NotNegative(record->Links.Red);
  const int links_green = NotNegative(record->Links.Green);
  const int links_yellow = NotNegative(record->Links.Yellow);

  const std::u16string unknown_text = LanguageText(kLangUnknown);
  const std::u16string yes_text = LanguageText(kLangYes);
  const std::u16string no_text = LanguageText(kLangNo);
  const bool untested = record->SiteRating < 1 || record->SiteRating > 3;
  auto flag_text = [&](bool set) -> const std::u16string& {
    if (untested) return unknown_text;
    return set ? yes_text : no_text;
  };
  const std::u16string& emails_text = flag_text(record->Emails != 0);
  const std::u16string& popups_text = flag_text(record->Popups);
  const std::u16string& exploits_text = flag_text(record->BrowserExploits);

  // The link's address comes from the page: escaped, so that it cannot
  // close the attribute or element it is put into.
  const std::u16string more_info = config->GetSetting(kSettingBaseURL) + EscapeHtml(link_url);

  const int id = record->id;
  const int popups = record->Popups ? 1 : 0;
  const int exploits = record->BrowserExploits ? 1 : 0;
  const std::u16string color(rating.color);
  const std::u16string icon(rating.icon);
  // A template whose conversions do not fit these arguments formats
  // nothing, and the link stays unmarked.
  const std::u16string layer_template = config->GetSetting(kSettingInfolayerHTML);
  if (layer_template.empty()) return E_FAIL;
  const std::optional<std::u16string> markup = quorvia::FormatWide(
      layer_template, id, more_info, color, description, icon, id, id, downloads_red,
      downloads_green, downloads_yellow, id, links_red, links_green, links_yellow, id, record->Emails, id,
      emails_text, id, popups, id, popups_text, id, exploits, id, exploits_text, id, more_info);
  if (!markup) return E_FAIL;

  hr = link->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(*markup));
  if (FAILED(hr)) return hr;
  return matcher->Reserved(element, record);
}
