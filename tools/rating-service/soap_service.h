// The doScanURLs operation over SOAP 1.1, document/literal, parameters
// wrapped in an element named after the operation.
//
// Request body:
//   soap:Envelope / [soap:Header] / soap:Body / doScanURLs (target namespace)
//     / queries [soapenc:arrayType="q1:URLScanQueryElement[N]"]
//       / URLScanQueryElement* / Id (int), url (string, may be xsi:nil)
// Answer (200):
//   soap:Envelope / soap:Body / doScanURLsResponse (target namespace)
//     / doScanURLsResult / processingtime (double),
//       urlScanResults soapenc:arrayType="q1:URLScanResultElement[N]"
//         / URLScanResultElement* / id, SiteRating, Downloads / Red Green
//           Yellow Black, Links / Red Green Yellow Black, Emails, Popups,
//           BrowserExploits, desc (xsi:nil="true" when there is none)
// Failures answer 500 with a soap:Fault: soap:VersionMismatch for another
// envelope namespace, soap:MustUnderstand for a header entry that demands
// it, soap:Client for a request that is not a well-formed doScanURLs call or
// whose SOAPAction is not "<namespace>doScanURLs", soap:Server when the
// ratings cannot be read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/rating-service/rating_store.h"

namespace quorvia::rating_service {

// The path the service answers on.
constexpr const char* kEndpointPath = "/orbisite/OSTBService.php";
// A request with more addresses than this is refused.
constexpr std::size_t kMaxQueries = 10000;

struct ScanQuery {
  std::int32_t id = 0;
  std::optional<std::string> url;  // none: nil or absent
};

struct ScanResult {
  std::int32_t id = 0;
  SiteRating rating;
};

struct SoapAnswer {
  int status = 200;
  std::string body;
  std::size_t addresses = 0;  // how many addresses the request asked about
};

class SoapService {
 public:
  // `target_namespace` is the service's namespace URI, ending in "/".
  SoapService(RatingStore& store, std::string target_namespace);

  // Answers one POST: `soap_action` is the SOAPAction header's value, null
  // when the header is missing.
  SoapAnswer Handle(const std::string* soap_action, std::string_view body);

  const std::string& target_namespace() const { return namespace_; }

 private:
  RatingStore& store_;
  std::string namespace_;
};

// Reads a doScanURLs request. On failure returns false with the fault code
// ("VersionMismatch", "MustUnderstand", "Client") and text.
bool ParseScanRequest(std::string_view body, const std::string& target_namespace, std::vector<ScanQuery>& queries,
                      std::string& fault_code, std::string& fault_text);

// The body of a successful answer.
std::string WriteScanResponse(const std::string& target_namespace, const std::vector<ScanResult>& results,
                              double processing_seconds);

// The body of a fault; `code` without prefix ("Client", "Server", ...).
std::string WriteFault(std::string_view code, std::string_view text);

}  // namespace quorvia::rating_service
