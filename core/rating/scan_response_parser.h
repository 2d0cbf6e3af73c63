// Reads the answer of the rating operation from the events of a streaming
// XML reader, applying every acceptance rule of the response:
//
// - Envelope, Header and Body are in the SOAP 1.1 envelope namespace; the
//   root is the Envelope, which holds an optional Header (skipped) and then
//   exactly one Body.
// - The Body holds doScanURLsResponse in the target namespace, which holds
//   doScanURLsResult with processingtime and urlScanResults; or a SOAP Fault
//   (faultcode, faultstring, faultactor), which fails the call.
// - Fields are recognised by their local name; unknown elements are skipped
//   with everything inside them. A field given twice fails.
// - Every simple field must be present (processingtime; id, SiteRating,
//   Emails, Popups and BrowserExploits in each record; all four counters of
//   a RatingStruct). desc and urlScanResults may be absent or nil; a record
//   without Downloads or Links reads those counters as 0. xsi:nil on any
//   other field fails.
// - urlScanResults holds only URLScanResultElement records; a
//   soapenc:arrayType attribute ending in "[N]" requires exactly N of them.
// - Numbers and booleans in their XML Schema lexical forms, surrounding
//   whitespace allowed; an int out of 32-bit range fails.
// - Non-whitespace text where only elements belong, or an element inside a
//   simple field, fails.
//
// Limits that make a hostile answer fail fast: at most kMaxResultRecords
// records (an announced count above it fails at once; nothing is reserved
// for an announced count) and nesting at most kMaxDepth elements deep.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rating/rating_records.h"

namespace rating {

inline constexpr std::size_t kMaxResultRecords = 10000;
inline constexpr std::size_t kMaxDepth = 64;

struct SoapFault {
  std::u16string faultcode;
  std::u16string faultstring;
  std::u16string faultactor;

  friend bool operator==(const SoapFault&, const SoapFault&) = default;
};

// The attributes of one start tag, looked up by namespace URI and local name.
class ElementAttributes {
 public:
  virtual std::optional<std::u16string_view> Find(std::u16string_view uri, std::u16string_view local) const = 0;

 protected:
  ~ElementAttributes() = default;
};

class ScanResponseParser {
 public:
  // What the Body should hold: the operation's response (an answer with
  // status 200) or a fault (status 500).
  enum class Expect { kResponse, kFault };

  // Forgets everything of the previous document.
  void Reset(std::u16string targetNamespace, Expect expect);

  // Each returns false when the document breaks a rule; the parse then stops
  // and nothing of it is used.
  bool StartElement(std::u16string_view uri, std::u16string_view local, const ElementAttributes& attributes);
  bool EndElement();
  bool Characters(std::u16string_view text);
  // The whole document was read: true when it held a complete response.
  bool EndDocument();

  // The result, once EndDocument returned true.
  URLScanResult TakeResult() { return std::move(m_result); }
  // The fault the Body held, if any.
  const std::optional<SoapFault>& Fault() const { return m_fault; }
  // What broke the document, for diagnostics; empty while nothing did.
  const std::string& Failure() const { return m_failure; }

 private:
  enum class Kind {
    kEnvelope, kHeader, kBody, kResponse, kResult, kResults, kRecord, kRatingStruct, kField, kFault, kSkip
  };
  // What a simple field's text goes into.
  enum class Target {
    kNone, kProcessingTime, kId, kSiteRating, kEmails, kPopups, kBrowserExploits, kDesc,
    kRed, kGreen, kYellow, kBlack, kFaultCode, kFaultString, kFaultActor
  };
  struct Frame {
    Kind kind;
    Target target = Target::kNone;
    bool nil = false;
    unsigned seen = 0;  // bits of the children seen so far
  };

  bool Fail(std::string why);
  bool StartField(Frame& parent, unsigned bit, Kind kind, Target target, bool nullable, bool nil);
  bool StoreField(const Frame& field);

  std::u16string m_namespace;
  Expect m_expect = Expect::kResponse;
  std::vector<Frame> m_stack;
  std::u16string m_text;
  bool m_envelopeDone = false;
  URLScanResult m_result;
  URLScanResultElement m_record;
  RatingStruct* m_ratingStruct = nullptr;
  std::optional<std::size_t> m_announced;
  std::optional<SoapFault> m_fault;
  std::string m_failure;
};

}  // namespace rating
