#include "core/plugin/cmd_page_indicator.h"

#include <string>

#include "core/links/xml_setting.h"
#include "core/support/globals.h"
#include "core/support/language.h"
#include "platform/com/variant.h"
#include "platform/com/web_browser.h"

CmdPageIndicator::CmdPageIndicator(CXmlSetting* config) : CmdUtils(config) {
  SetName(kCmdNamePageIndicator);
  SetEnabled(true);
  SetText(Language::Instance()->FindText(kLangCmdIdIndicator));
}

CmdPageIndicator::~CmdPageIndicator() = default;

void CmdPageIndicator::Execute() {
  if (config == nullptr || browser_ == nullptr) return;

  CComBSTR url;
  if (FAILED(browser_->get_LocationURL(&url))) return;
  if (!IsSupportedScheme(url)) return;

  // The page's address is appended as it is: the report page takes the
  // whole address after its own prefix.
  const CComBSTR address(config->GetSetting(kSettingBaseURL) + url.ToU16String());
  CComVariant flags, target_frame, post_data, headers;
  browser_->Navigate(address, &flags, &target_frame, &post_data, &headers);
}
