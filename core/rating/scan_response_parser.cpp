#include "core/rating/scan_response_parser.h"

#include <charconv>
#include <limits>
#include <utility>


namespace rating {

namespace {

constexpr std::u16string_view kEnvelopeNs = u"http://schemas.xmlsoap.org/soap/envelope/";
constexpr std::u16string_view kEncodingNs = u"http://schemas.xmlsoap.org/soap/encoding/";
constexpr std::u16string_view kInstanceNs = u"http://www.w3.org/2001/XMLSchema-instance";

// Child bits of the containers.
constexpr unsigned kEnvelopeHeader = 1u << 0, kEnvelopeBody = 1u << 1;
constexpr unsigned kBodyResponse = 1u << 0, kBodyFault = 1u << 1;
constexpr unsigned kResponseResult = 1u << 0;
constexpr unsigned kResultTime = 0, kResultRecords = 1;  // bit numbers
constexpr unsigned kRecordId = 0, kRecordSiteRating = 1, kRecordDownloads = 2, kRecordLinks = 3, kRecordEmails = 4,
                   kRecordPopups = 5, kRecordExploits = 6, kRecordDesc = 7;
constexpr unsigned kRecordRequired = (1u << kRecordId) | (1u << kRecordSiteRating) | (1u << kRecordEmails) |
                                     (1u << kRecordPopups) | (1u << kRecordExploits);
constexpr unsigned kCountersRequired = 0xF;

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

bool IsBlank(std::u16string_view text) {
  for (char16_t c : text) {
    if (!IsXmlSpace(c)) return false;
  }
  return true;
}

// The text without surrounding XML whitespace, as ASCII; nothing when it
// holds any other character (no lexical form of a number has one).
std::optional<std::string> Token(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsXmlSpace(text[begin])) ++begin;
  while (end > begin && IsXmlSpace(text[end - 1])) --end;
  std::string token;
  token.reserve(end - begin);
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] > 0x7E || text[i] < 0x21) return std::nullopt;
    token += static_cast<char>(text[i]);
  }
  return token;
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::optional<int> ParseInt(std::u16string_view text) {
  auto token = Token(text);
  if (!token) return std::nullopt;
  std::string_view s = *token;
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (!IsDigits(s)) return std::nullopt;
  long long value = 0;
  for (char c : s) {
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<double> ParseDouble(std::u16string_view text) {
  auto token = Token(text);
  if (!token) return std::nullopt;
  std::string_view s = *token;
  if (s == "INF" || s == "+INF") return std::numeric_limits<double>::infinity();
  if (s == "-INF") return -std::numeric_limits<double>::infinity();
  if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();

  // [+-]? (digits (. digits?)? | . digits) ([eE] [+-]? digits)?
  std::string_view rest = s;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) rest.remove_prefix(1);
  std::size_t i = 0;
  std::size_t mantissa_digits = 0;
  while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') ++i, ++mantissa_digits;
  if (i < rest.size() && rest[i] == '.') {
    ++i;
    while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') ++i, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < rest.size() && (rest[i] == 'e' || rest[i] == 'E')) {
    ++i;
    if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) ++i;
    if (!IsDigits(rest.substr(i))) return std::nullopt;
    i = rest.size();
  }
  if (i != rest.size()) return std::nullopt;

  // from_chars takes no leading "+".
  std::string_view number = s[0] == '+' ? s.substr(1) : s;
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  return value;
}

std::optional<bool> ParseBoolean(std::u16string_view text) {
  auto token = Token(text);
  if (!token) return std::nullopt;
  if (*token == "true" || *token == "1") return true;
  if (*token == "false" || *token == "0") return false;
  return std::nullopt;
}

// The count at the end of an array type: "q1:URLScanResultElement[3]".
std::optional<std::size_t> ParseArrayCount(std::u16string_view text) {
  auto token = Token(text);
  if (!token || token->empty() || token->back() != ']') return std::nullopt;
  const std::size_t open = token->rfind('[');
  if (open == std::string::npos) return std::nullopt;
  const std::string_view digits = std::string_view(*token).substr(open + 1, token->size() - open - 2);
  if (!IsDigits(digits) || digits.size() > 9) return std::nullopt;
  std::size_t count = 0;
  for (char c : digits) count = count * 10 + static_cast<std::size_t>(c - '0');
  return count;
}

}  // namespace

void ScanResponseParser::Reset(std::u16string targetNamespace, Expect expect) {
  m_namespace = std::move(targetNamespace);
  m_expect = expect;
  m_stack.clear();
  m_text.clear();
  m_envelopeDone = false;
  m_result = URLScanResult();
  m_record = URLScanResultElement();
  m_ratingStruct = nullptr;
  m_announced.reset();
  m_fault.reset();
  m_failure.clear();
}

bool ScanResponseParser::Fail(std::string why) {
  if (m_failure.empty()) m_failure = std::move(why);
  return false;
}

bool ScanResponseParser::StartField(Frame& parent, unsigned bit, Kind kind, Target target, bool nullable, bool nil) {
  if (parent.seen & (1u << bit)) return Fail("a field is given twice");
  if (nil && !nullable) return Fail("nil on a field that cannot be nil");
  parent.seen |= 1u << bit;
  m_text.clear();
  m_stack.push_back(Frame{kind, target, nil, 0});  // `parent` is not used after this
  return true;
}

bool ScanResponseParser::StartElement(std::u16string_view uri, std::u16string_view local,
                                      const ElementAttributes& attributes) {
  if (m_stack.size() >= kMaxDepth) return Fail("nested too deeply");

  bool nil = false;
  if (auto value = attributes.Find(kInstanceNs, u"nil")) {
    auto parsed = ParseBoolean(*value);
    if (!parsed) return Fail("an xsi:nil value that is not a boolean");
    nil = *parsed;
  }

  if (m_stack.empty()) {
    if (m_envelopeDone || uri != kEnvelopeNs || local != u"Envelope") return Fail("not a SOAP 1.1 envelope");
    m_stack.push_back(Frame{Kind::kEnvelope});
    return true;
  }

  Frame& parent = m_stack.back();
  switch (parent.kind) {
    case Kind::kSkip:
    case Kind::kHeader:
      m_stack.push_back(Frame{Kind::kSkip});
      return true;

    case Kind::kField:
      return Fail("an element inside a simple field");

    case Kind::kEnvelope:
      if (uri == kEnvelopeNs && local == u"Header") {
        if (parent.seen != 0) return Fail("a misplaced Header");
        parent.seen |= kEnvelopeHeader;
        m_stack.push_back(Frame{Kind::kHeader});
        return true;
      }
      if (uri == kEnvelopeNs && local == u"Body") {
        if (parent.seen & kEnvelopeBody) return Fail("a second Body");
        parent.seen |= kEnvelopeBody;
        m_stack.push_back(Frame{Kind::kBody});
        return true;
      }
      return Fail("an unexpected element in the envelope");

    case Kind::kBody:
      if (parent.seen != 0) return Fail("more than one element in the Body");
      if (uri == kEnvelopeNs && local == u"Fault") {
        parent.seen |= kBodyFault;
        m_fault.emplace();
        m_stack.push_back(Frame{Kind::kFault});
        return true;
      }
      if (m_expect == Expect::kResponse && uri == m_namespace && local == u"doScanURLsResponse") {
        parent.seen |= kBodyResponse;
        m_stack.push_back(Frame{Kind::kResponse});
        return true;
      }
      return Fail("the Body holds neither the response nor a fault");

    case Kind::kResponse:
      if (local == u"doScanURLsResult") {
        if (parent.seen & kResponseResult) return Fail("a second result");
        if (nil) return Fail("a nil result");
        parent.seen |= kResponseResult;
        m_stack.push_back(Frame{Kind::kResult});
        return true;
      }
      m_stack.push_back(Frame{Kind::kSkip});
      return true;

    case Kind::kResult:
      if (local == u"processingtime") {
        return StartField(parent, kResultTime, Kind::kField, Target::kProcessingTime, false, nil);
      }
      if (local == u"urlScanResults") {
        if (parent.seen & (1u << kResultRecords)) return Fail("a field is given twice");
        parent.seen |= 1u << kResultRecords;
        if (auto type = attributes.Find(kEncodingNs, u"arrayType"); type && !nil) {
          m_announced = ParseArrayCount(*type);
          if (!m_announced) return Fail("an array type without a count");
          if (*m_announced > kMaxResultRecords) return Fail("too many records announced");
        }
        m_stack.push_back(Frame{Kind::kResults, Target::kNone, nil, 0});
        return true;
      }
      m_stack.push_back(Frame{Kind::kSkip});
      return true;

    case Kind::kResults:
      if (parent.nil) return Fail("records inside a nil array");
      if (local != u"URLScanResultElement") return Fail("an unexpected element in the records");
      if (nil) return Fail("a nil record");
      if (m_result.urlScanResults.size() >= kMaxResultRecords) return Fail("too many records");
      if (m_announced && m_result.urlScanResults.size() >= *m_announced) {
        return Fail("more records than the array type announces");
      }
      m_record = URLScanResultElement();
      m_stack.push_back(Frame{Kind::kRecord});
      return true;

    case Kind::kRecord:
      if (local == u"id") return StartField(parent, kRecordId, Kind::kField, Target::kId, false, nil);
      if (local == u"SiteRating") {
        return StartField(parent, kRecordSiteRating, Kind::kField, Target::kSiteRating, false, nil);
      }
      if (local == u"Emails") return StartField(parent, kRecordEmails, Kind::kField, Target::kEmails, false, nil);
      if (local == u"Popups") return StartField(parent, kRecordPopups, Kind::kField, Target::kPopups, false, nil);
      if (local == u"BrowserExploits") {
        return StartField(parent, kRecordExploits, Kind::kField, Target::kBrowserExploits, false, nil);
      }
      if (local == u"desc") return StartField(parent, kRecordDesc, Kind::kField, Target::kDesc, true, nil);
      if (local == u"Downloads" || local == u"Links") {
        const bool downloads = local == u"Downloads";
        if (!StartField(parent, downloads ? kRecordDownloads : kRecordLinks, Kind::kRatingStruct, Target::kNone,
                        false, nil)) {
          return false;
        }
        m_ratingStruct = downloads ? &m_record.Downloads : &m_record.Links;
        return true;
      }
      m_stack.push_back(Frame{Kind::kSkip});
      return true;

    case Kind::kRatingStruct:
      if (local == u"Red") return StartField(parent, 0, Kind::kField, Target::kRed, false, nil);
      if (local == u"Green") return StartField(parent, 1, Kind::kField, Target::kGreen, false, nil);
      if (local == u"Yellow") return StartField(parent, 2, Kind::kField, Target::kYellow, false, nil);
      if (local == u"Black") return StartField(parent, 3, Kind::kField, Target::kBlack, false, nil);
      m_stack.push_back(Frame{Kind::kSkip});
      return true;

    case Kind::kFault:
      if (local == u"faultcode") return StartField(parent, 0, Kind::kField, Target::kFaultCode, true, nil);
      if (local == u"faultstring") return StartField(parent, 1, Kind::kField, Target::kFaultString, true, nil);
      if (local == u"faultactor") return StartField(parent, 2, Kind::kField, Target::kFaultActor, true, nil);
      m_stack.push_back(Frame{Kind::kSkip});
      return true;
  }
  return Fail("an unexpected element");
}

bool ScanResponseParser::Characters(std::u16string_view text) {
  if (m_stack.empty()) return true;
  const Frame& top = m_stack.back();
  switch (top.kind) {
    case Kind::kField:
      if (top.nil) return IsBlank(text) || Fail("text inside a nil field");
      m_text.append(text);
      return true;
    case Kind::kSkip:
    case Kind::kHeader:
      return true;
    default:
      return IsBlank(text) || Fail("text where only elements belong");
  }
}

bool ScanResponseParser::StoreField(const Frame& field) {
  if (field.nil) return true;  // only nullable fields get here nil: they stay absent or empty

  auto store_int = [&](int& into) {
    auto value = ParseInt(m_text);
    if (!value) return Fail("a number that is not an XML Schema int");
    into = *value;
    return true;
  };
  auto store_bool = [&](bool& into) {
    auto value = ParseBoolean(m_text);
    if (!value) return Fail("a value that is not an XML Schema boolean");
    into = *value;
    return true;
  };

  switch (field.target) {
    case Target::kProcessingTime: {
      auto value = ParseDouble(m_text);
      if (!value) return Fail("a number that is not an XML Schema double");
      m_result.processingtime = *value;
      return true;
    }
    case Target::kId: return store_int(m_record.id);
    case Target::kSiteRating: return store_int(m_record.SiteRating);
    case Target::kEmails: return store_int(m_record.Emails);
    case Target::kPopups: return store_bool(m_record.Popups);
    case Target::kBrowserExploits: return store_bool(m_record.BrowserExploits);
    case Target::kDesc: m_record.desc = m_text; return true;
    case Target::kRed: return store_int(m_ratingStruct->Red);
    case Target::kGreen: return store_int(m_ratingStruct->Green);
    case Target::kYellow: return store_int(m_ratingStruct->Yellow);
    case Target::kBlack: return store_int(m_ratingStruct->Black);
    case Target::kFaultCode: m_fault->faultcode = m_text; return true;
    case Target::kFaultString: m_fault->faultstring = m_text; return true;
    case Target::kFaultActor: m_fault->faultactor = m_text; return true;
    case Target::kNone: return true;
  }
  return true;
}

bool ScanResponseParser::EndElement() {
  if (m_stack.empty()) return Fail("an end tag without a start tag");
  const Frame frame = m_stack.back();
  m_stack.pop_back();
  switch (frame.kind) {
    case Kind::kField:
      return StoreField(frame);
    case Kind::kRatingStruct:
      m_ratingStruct = nullptr;
      return (frame.seen & kCountersRequired) == kCountersRequired || Fail("a counter is missing");
    case Kind::kRecord:
      if ((frame.seen & kRecordRequired) != kRecordRequired) return Fail("a field of a record is missing");
      m_result.urlScanResults.push_back(std::move(m_record));
      return true;
    case Kind::kResults:
      if (m_announced && *m_announced != m_result.urlScanResults.size()) {
        return Fail("fewer records than the array type announces");
      }
      return true;
    case Kind::kResult:
      return (frame.seen & (1u << kResultTime)) != 0 || Fail("processingtime is missing");
    case Kind::kResponse:
      return (frame.seen & kResponseResult) != 0 || Fail("the result is missing");
    case Kind::kBody:
      return frame.seen != 0 || Fail("an empty Body");
    case Kind::kEnvelope:
      if ((frame.seen & kEnvelopeBody) == 0) return Fail("the Body is missing");
      m_envelopeDone = true;
      return true;
    case Kind::kHeader:
    case Kind::kFault:
    case Kind::kSkip:
      return true;
  }
  return true;
}

bool ScanResponseParser::EndDocument() {
  if (!m_envelopeDone) return Fail("the envelope is incomplete");
  if (m_fault) return Fail("the service answered with a fault");
  return m_expect == Expect::kResponse;
}

}  // namespace rating
