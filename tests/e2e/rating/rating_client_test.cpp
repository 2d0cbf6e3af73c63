// The toolbar's rating client against the reference rating service on a
// loopback port: one request with a hundred addresses comes back rated from
// the service's database.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/rating/web_service.h"
#include "platform/text/convert.h"
#include "tests/support/rating_service_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSites = 100;

// Site i is rated i % 4 (untested, safe, unknown, unsafe) with counts that
// tell the sites apart; every third site has a description.
std::string RatingsCsv() {
  std::string csv =
      "host,SiteRating,DownloadsRed,DownloadsGreen,DownloadsYellow,DownloadsBlack,"
      "LinksRed,LinksGreen,LinksYellow,LinksBlack,Emails,Popups,BrowserExploits,desc\n";
  for (int i = 0; i < kSites; ++i) {
    csv += "site" + std::to_string(i) + ".example," + std::to_string(i % 4) + "," + std::to_string(i) +
           ",1,2,3," + std::to_string(2 * i) + ",4,5,6," + std::to_string(i % 7) + "," +
           (i % 2 == 0 ? "true" : "false") + "," + (i % 5 == 0 ? "true" : "false") + "," +
           (i % 3 == 0 ? "Site number " + std::to_string(i) : "") + "\n";
  }
  return csv;
}

class RatingClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("quorvia-rating-client-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    setenv("QUORVIA_HOME", folder_.c_str(), 1);
    std::string error;
    service_ = quorvia_test::RatingServiceProcess::Start(folder_.string(), RatingsCsv(), error);
    ASSERT_NE(service_, nullptr) << error;
    setenv("QUORVIA_RATING_ENDPOINT", service_->Endpoint().c_str(), 1);
  }
  void TearDown() override {
    service_.reset();
    unsetenv("QUORVIA_RATING_ENDPOINT");
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  fs::path folder_;
  std::unique_ptr<quorvia_test::RatingServiceProcess> service_;
};

TEST_F(RatingClientTest, HundredAddressesInOneRequestComeBackRated) {
  std::vector<URLScanQueryElement> queries;
  for (int i = 0; i < kSites; ++i) {
    URLScanQueryElement query;
    query.Id = i + 1;
    // Paths, queries and letter case of the host do not change the site.
    query.url = quorvia::Utf8ToUtf16("http://SITE" + std::to_string(i) + ".example/page?q=" + std::to_string(i));
    queries.push_back(query);
  }
  // One address the database does not know.
  URLScanQueryElement unknown;
  unknown.Id = kSites + 1;
  unknown.url = u"http://nowhere.example/";
  queries.push_back(unknown);

  CWebServiceClass client;
  URLScanResult result;
  ASSERT_EQ(client.ScanUrls(static_cast<int>(queries.size()), queries.data(), &result), S_OK)
      << client.GetErrorText();
  ASSERT_TRUE(service_->WaitForLoggedRequests(1));
  EXPECT_EQ(service_->LoggedRequests().size(), 1u);

  ASSERT_EQ(result.urlScanResults.size(), queries.size());
  for (int i = 0; i < kSites; ++i) {
    SCOPED_TRACE(i);
    const URLScanResultElement& r = result.urlScanResults[static_cast<std::size_t>(i)];
    EXPECT_EQ(r.id, i + 1);
    EXPECT_EQ(r.SiteRating, i % 4);
    EXPECT_EQ(r.Downloads, (RatingStruct{i, 1, 2, 3}));
    EXPECT_EQ(r.Links, (RatingStruct{2 * i, 4, 5, 6}));
    EXPECT_EQ(r.Emails, i % 7);
    EXPECT_EQ(r.Popups, i % 2 == 0);
    EXPECT_EQ(r.BrowserExploits, i % 5 == 0);
    if (i % 3 == 0) {
      EXPECT_EQ(r.desc, quorvia::Utf8ToUtf16("Site number " + std::to_string(i)));
    } else {
      EXPECT_FALSE(r.desc.has_value());
    }
  }
  const URLScanResultElement& untested = result.urlScanResults.back();
  EXPECT_EQ(untested.id, kSites + 1);
  EXPECT_EQ(untested.SiteRating, 0);
  EXPECT_EQ(untested.Downloads, (RatingStruct{0, 0, 0, 0}));
  EXPECT_FALSE(untested.desc.has_value());
}

}  // namespace
