// The result pages the product is tried on: the three saved pages of real
// search engines and the pages of data/pages, each with the address it is
// loaded from, the engine of data/config.xml that must recognise it and the
// addresses of its organic result links, in page order.
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace quorvia_test {

struct ResultPage {
  const char* name;     // short name for test names
  std::string path;     // the saved page
  const char16_t* url;  // where it is loaded from
  const char16_t* engine;
  std::vector<std::string> results;  // the addresses to rate, link 1 first
};

// Test output names a page by its short name.
inline void PrintTo(const ResultPage& page, std::ostream* out) { *out << page.name; }

// Every result page, the real ones first.
std::span<const ResultPage> ResultPages();
const ResultPage& FindResultPage(const std::string& name);

// The product's data folder (data/ of the source tree).
std::string DataFolder();

// The whole file; an empty string when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace quorvia_test
