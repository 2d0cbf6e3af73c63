// Which page addresses the product handles: the schemes of "URIScheme".
#include "core/plugin/cmd_utils.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/com/bstr.h"
#include "platform/text/convert.h"
#include "tests/core/plugin/support/plugin_test_support.h"

namespace {

using plugin_test::PluginTest;

struct SchemeCase {
  const char* name;
  std::optional<std::string> schemes;  // nothing: the setting is missing
  std::optional<std::u16string> url;   // nothing: a null address
  bool supported;
};

class SupportedScheme : public PluginTest, public ::testing::WithParamInterface<SchemeCase> {};

TEST_P(SupportedScheme, FollowsTheListedSchemes) {
  const SchemeCase& c = GetParam();
  plugin_test::Settings settings = plugin_test::DefaultSettings();
  settings.erase("URIScheme");
  if (c.schemes) settings["URIScheme"] = *c.schemes;
  WriteConfig(settings);

  CmdUtils utils(config_.get());
  const CComBSTR url = c.url ? CComBSTR(*c.url) : CComBSTR();
  EXPECT_EQ(utils.IsSupportedScheme(url), c.supported);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SupportedScheme,
    ::testing::Values(
        SchemeCase{"FirstToken", "http:,https:", u"http://a.example/x", true},
        SchemeCase{"LaterToken", "http:,https:", u"https://a.example/x", true},
        SchemeCase{"UrlInCapitals", "http:,https:", u"HTTPS://A.EXAMPLE/", true},
        SchemeCase{"TokenInCapitals", "HTTP:", u"http://a.example/", true},
        SchemeCase{"UnlistedScheme", "http:,https:", u"ftp://a.example/", false},
        SchemeCase{"BlankAfterCommaStaysInTheToken", "ftp:, https:", u"https://a.example/", false},
        SchemeCase{"EmptyTokensSkipped", ",,ftp:,,http:,", u"http://a.example/", true},
        SchemeCase{"ShorterTokenMatchesLongerScheme", "http", u"https://a.example/", true},
        SchemeCase{"OnlyAtTheStart", "res:", u"xres://HarbRes.dll/", false},
        SchemeCase{"OnlyCommas", ",,,", u"http://a.example/", false},
        SchemeCase{"EmptyAddress", "http:", u"", false},
        SchemeCase{"NullAddress", "http:", std::nullopt, false},
        SchemeCase{"SettingMissing", std::nullopt, u"http://a.example/", false},
        SchemeCase{"SettingEmpty", "", u"http://a.example/", false}),
    [](const ::testing::TestParamInfo<SchemeCase>& info) { return std::string(info.param.name); });

TEST(CmdUtils, WithoutConfigurationNothingIsSupported) {
  CmdUtils utils(nullptr);
  EXPECT_EQ(utils.GetConfig(), nullptr);
  EXPECT_FALSE(utils.IsSupportedScheme(CComBSTR(u"http://a.example/")));
}

}  // namespace
