// The rating of one web site as the service keeps it, and the key a site is
// filed under.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvia::rating_service {

// Counters by colour, in the order they travel.
struct RatingCounts {
  std::int32_t red = 0;
  std::int32_t green = 0;
  std::int32_t yellow = 0;
  std::int32_t black = 0;
};

// Every field of a rating record but the query number. A site the service
// knows nothing about has the default values: rating 0 (untested), all
// counters 0, both flags false and no description.
struct SiteRating {
  std::int32_t site_rating = 0;
  RatingCounts downloads;
  RatingCounts links;
  std::int32_t emails = 0;
  bool popups = false;
  bool browser_exploits = false;
  std::optional<std::string> desc;
};

// The host an address is rated by: the host part of "scheme://host/...",
// or the text up to the first "/" of an address without a scheme; without
// user information and port, in lower case, without a final dot. All
// addresses on one site therefore share one rating, whatever their path,
// port or spelling. Empty when there is no host.
std::string SiteKey(std::string_view address);

// `text` as UTF-8 that XML can carry: every malformed sequence, surrogate,
// non-character U+FFFE/U+FFFF and control character other than tab, line feed
// and carriage return becomes U+FFFD. `changed` (when given) tells whether
// anything was replaced.
std::string ToXmlText(std::string_view text, bool* changed = nullptr);

// Parses an XML Schema int ("[+-]digits", surrounding blanks allowed).
bool ParseXsdInt(std::string_view text, std::int32_t& value);
// Parses an XML Schema boolean ("true", "false", "1", "0").
bool ParseXsdBoolean(std::string_view text, bool& value);

}  // namespace quorvia::rating_service
