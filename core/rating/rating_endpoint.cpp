#include "core/rating/rating_endpoint.h"

#include <cstdlib>

#include "core/rating/rating_config.h"

namespace rating {

namespace {

std::string FromEnvironment(const char* variable, std::string fallback) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return fallback;
  return value;
}

}  // namespace

std::string BuiltInRatingEndpoint() { return QUORVIA_BUILTIN_RATING_ENDPOINT; }
std::string BuiltInRatingNamespace() { return QUORVIA_BUILTIN_RATING_NAMESPACE; }

std::string RatingEndpoint() { return FromEnvironment(kEndpointVariable, BuiltInRatingEndpoint()); }
std::string RatingNamespace() { return FromEnvironment(kNamespaceVariable, BuiltInRatingNamespace()); }

}  // namespace rating
