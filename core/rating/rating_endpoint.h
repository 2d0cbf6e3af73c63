// Where the rating service lives: its HTTP address and its target namespace
// URI. Both are built in when the build is configured; the environment
// variables QUORVIA_RATING_ENDPOINT and QUORVIA_RATING_NAMESPACE override
// them for a deployment (and for tests). The built-in address has an
// ".invalid" host, so an unconfigured toolbar fails fast and shows its
// links as unknown.
#pragma once

#include <string>

namespace rating {

inline constexpr char kEndpointVariable[] = "QUORVIA_RATING_ENDPOINT";
inline constexpr char kNamespaceVariable[] = "QUORVIA_RATING_NAMESPACE";

// The address from the environment when it is set and not empty, else the
// built-in one.
std::string RatingEndpoint();
// The target namespace URI from the environment when it is set and not
// empty, else the built-in one. It ends in "/".
std::string RatingNamespace();

std::string BuiltInRatingEndpoint();
std::string BuiltInRatingNamespace();

}  // namespace rating
