// The site indicator: its name and first text, and the report page it opens
// for the displayed site.
#include "core/plugin/cmd_page_indicator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/rating/rating_globals.h"
#include "core/support/globals.h"
#include "tests/core/plugin/support/plugin_test_support.h"

namespace {

using plugin_test::MakeBrowser;
using plugin_test::PluginTest;

class PageIndicator : public PluginTest {};

TEST_F(PageIndicator, IsNamedEnabledAndShowsTheIndicatorText) {
  CmdPageIndicator indicator(config_.get());
  EXPECT_STREQ(indicator.GetName(), kCmdNamePageIndicator);
  EXPECT_TRUE(indicator.IsEnabled());
  EXPECT_EQ(indicator.GetText(), u"Current site");
  EXPECT_EQ(indicator.GetConfig(), config_.get());

  plugin_test::Texts texts = plugin_test::DefaultTexts();
  texts.erase("cmdIdIndicator");
  WriteTexts(texts);
  CmdPageIndicator untitled(config_.get());
  EXPECT_EQ(untitled.GetText(), u"");
}

TEST_F(PageIndicator, OpensTheReportWithTheWholeAddressAppended) {
  const std::u16string address = u"https://Shop.example:8443/a b/\"q\"?x=1&y=%20<z>#frag";
  auto browser = MakeBrowser(nullptr, address);
  CmdPageIndicator indicator(config_.get());
  indicator.Attach(nullptr, browser.Get(), nullptr);

  indicator.Execute();
  ASSERT_EQ(browser->navigations.size(), 1u);
  EXPECT_EQ(browser->navigations[0], u"http://report.example/site?url=" + address);
  EXPECT_TRUE(browser->optional_arguments_empty);
}

TEST_F(PageIndicator, OpensTheReportEvenWhileTurnedOff) {
  GetConnectionManager().SetEnabled(false);
  ASSERT_FALSE(GetConnectionManager().IsEnabled());
  auto browser = MakeBrowser(nullptr, u"http://a.example/");
  CmdPageIndicator indicator(config_.get());
  indicator.Attach(nullptr, browser.Get(), nullptr);

  indicator.Run();
  EXPECT_EQ(browser->navigations, std::vector<std::u16string>{u"http://report.example/site?url=http://a.example/"});
}

TEST_F(PageIndicator, DoesNothingWithoutAnAddressItHandles) {
  struct Case {
    const char* name;
    std::u16string location;
    HRESULT location_result;
    bool attached;
    bool configured;
  };
  const Case cases[] = {
      {"unlisted scheme", u"ftp://files.example/", S_OK, true, true},
      {"address unreadable", u"http://a.example/", E_FAIL, true, true},
      {"no browser", u"http://a.example/", S_OK, false, true},
      {"no configuration", u"http://a.example/", S_OK, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto browser = MakeBrowser(nullptr, c.location);
    browser->location_result = c.location_result;
    CmdPageIndicator indicator(c.configured ? config_.get() : nullptr);
    if (c.attached) indicator.Attach(nullptr, browser.Get(), nullptr);
    indicator.Execute();
    EXPECT_TRUE(browser->navigations.empty());
  }
}

}  // namespace
