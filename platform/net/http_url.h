// "http:" addresses: taking them apart and resolving a "Location" against
// the address that sent it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/net/net_error.h"

namespace quorvia::net {

// An "http:" address taken apart.
struct QUORVIA_PLATFORM_API HttpUrl {
  std::string host;          // as written, without the brackets of an IPv6 address
  std::uint16_t port = 80;
  std::string target;        // path and query, always beginning with "/"; no fragment

  // "host" on port 80, else "host:port"; an IPv6 address in brackets.
  std::string Authority() const;
  // "http://" + Authority() + target.
  std::string ToString() const;
};

// Takes apart "http://host[:port][/path][?query][#fragment]" (the scheme in
// any case). Errors: kUnsupportedScheme for another scheme, kInvalidUrl for
// anything else that does not fit (user information included).
QUORVIA_PLATFORM_API NetStatus ParseHttpUrl(std::string_view text, HttpUrl& url);

// Resolves `reference` (a "Location" value) against `base`: an absolute
// address, "//authority/path", "/path", "?query" or a relative path with "."
// and ".." segments.
QUORVIA_PLATFORM_API NetStatus ResolveHttpUrl(const HttpUrl& base, std::string_view reference, HttpUrl& url);

}  // namespace quorvia::net
