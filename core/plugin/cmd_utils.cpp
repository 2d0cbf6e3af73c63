#include "core/plugin/cmd_utils.h"

#include <string>
#include <string_view>

#include "core/links/xml_setting.h"
#include "core/support/globals.h"
#include "core/support/string_helper.h"

CmdUtils::~CmdUtils() = default;

bool CmdUtils::IsSupportedScheme(BSTR url) const {
  const std::u16string_view address = quorvia::BstrView(url);
  if (address.empty() || config == nullptr) return false;

  const std::u16string schemes = config->GetSetting(kSettingURIScheme);
  if (schemes.empty()) return false;

  const std::u16string lowered = StringHelper::toLower(address);
  // Tokens between commas; runs of commas give no empty tokens.
  std::size_t start = 0;
  while (start < schemes.size()) {
    std::size_t end = schemes.find(u',', start);
    if (end == std::u16string::npos) end = schemes.size();
    if (end > start) {
      const std::u16string token = StringHelper::toLower(std::u16string_view(schemes).substr(start, end - start));
      if (lowered.starts_with(token)) return true;
    }
    start = end + 1;
  }
  return false;
}
