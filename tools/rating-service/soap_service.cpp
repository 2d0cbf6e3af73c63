#include "tools/rating-service/soap_service.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quorvia::rating_service {

namespace {

constexpr const char* kEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kEncodingNs = "http://schemas.xmlsoap.org/soap/encoding/";
constexpr const char* kInstanceNs = "http://www.w3.org/2001/XMLSchema-instance";
constexpr const char* kSchemaNs = "http://www.w3.org/2001/XMLSchema";

const char* Chars(const xmlChar* text) { return reinterpret_cast<const char*>(text); }
const xmlChar* XmlChars(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

bool IsElement(const xmlNode* node, const char* name) {
  return node && node->type == XML_ELEMENT_NODE && std::strcmp(Chars(node->name), name) == 0;
}

bool InNamespace(const xmlNode* node, const std::string& uri) {
  return node->ns && node->ns->href && uri == Chars(node->ns->href);
}

xmlNode* FirstElement(xmlNode* node) {
  while (node && node->type != XML_ELEMENT_NODE) node = node->next;
  return node;
}

xmlNode* NextElement(xmlNode* node) { return FirstElement(node ? node->next : nullptr); }

std::string Content(const xmlNode* node) {
  xmlChar* text = xmlNodeGetContent(node);
  std::string result = text ? Chars(text) : "";
  xmlFree(text);
  return result;
}

// The value of an attribute in a namespace, or none.
std::optional<std::string> NsAttribute(const xmlNode* node, const char* name, const char* ns) {
  xmlChar* value = xmlGetNsProp(node, XmlChars(name), XmlChars(ns));
  if (!value) return std::nullopt;
  std::string result = Chars(value);
  xmlFree(value);
  return result;
}

bool IsNil(const xmlNode* node) {
  auto nil = NsAttribute(node, "nil", kInstanceNs);
  bool value = false;
  return nil && ParseXsdBoolean(*nil, value) && value;
}

struct DocDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

// Element content: & < > escaped; carriage returns kept as references so
// that the reader does not turn them into line feeds.
void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : ToXmlText(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\r': out += "&#xD;"; break;
      default: out += c;
    }
  }
}

// Attribute values: additionally quotes and white space other than blanks.
void AppendAttribute(std::string& out, std::string_view text) {
  for (char c : ToXmlText(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#x9;"; break;
      case '\n': out += "&#xA;"; break;
      case '\r': out += "&#xD;"; break;
      default: out += c;
    }
  }
}

void AppendElement(std::string& out, const char* name, std::string_view value) {
  out += '<';
  out += name;
  out += '>';
  AppendEscaped(out, value);
  out += "</";
  out += name;
  out += '>';
}

void AppendCounts(std::string& out, const char* name, const RatingCounts& counts) {
  out += '<';
  out += name;
  out += '>';
  AppendElement(out, "Red", std::to_string(counts.red));
  AppendElement(out, "Green", std::to_string(counts.green));
  AppendElement(out, "Yellow", std::to_string(counts.yellow));
  AppendElement(out, "Black", std::to_string(counts.black));
  out += "</";
  out += name;
  out += '>';
}

std::string EnvelopeStart() {
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + "<soap:Envelope xmlns:soap=\"" + kEnvelopeNs +
         "\" xmlns:xsi=\"" + kInstanceNs + "\" xmlns:xsd=\"" + kSchemaNs + "\" xmlns:soapenc=\"" + kEncodingNs +
         "\"><soap:Body>";
}

constexpr const char* kEnvelopeEnd = "</soap:Body></soap:Envelope>";

bool Fail(std::string& code, std::string& text, const char* fault_code, std::string fault_text) {
  code = fault_code;
  text = std::move(fault_text);
  return false;
}

}  // namespace

bool ParseScanRequest(std::string_view body, const std::string& target_namespace, std::vector<ScanQuery>& queries,
                      std::string& fault_code, std::string& fault_text) {
  queries.clear();
  if (body.size() > static_cast<std::size_t>(INT32_MAX)) return Fail(fault_code, fault_text, "Client", "too large");

  // No network access and no entity substitution: a request cannot make the
  // service fetch or expand anything.
  std::unique_ptr<xmlDoc, DocDeleter> doc(xmlReadMemory(
      body.data(), static_cast<int>(body.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR |
                                                                         XML_PARSE_NOWARNING));
  if (!doc) {
    const xmlError* error = xmlGetLastError();
    std::string reason = error && error->message ? error->message : "not well-formed";
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
    return Fail(fault_code, fault_text, "Client", "the request is not well-formed XML: " + reason);
  }
  if (doc->intSubset || doc->extSubset) {
    return Fail(fault_code, fault_text, "Client", "a SOAP message must not carry a document type declaration");
  }

  xmlNode* envelope = xmlDocGetRootElement(doc.get());
  if (!IsElement(envelope, "Envelope")) return Fail(fault_code, fault_text, "Client", "the request is no SOAP envelope");
  if (!InNamespace(envelope, kEnvelopeNs)) {
    return Fail(fault_code, fault_text, "VersionMismatch", "the envelope is not in the SOAP 1.1 namespace");
  }

  xmlNode* part = FirstElement(envelope->children);
  if (IsElement(part, "Header") && InNamespace(part, kEnvelopeNs)) {
    for (xmlNode* entry = FirstElement(part->children); entry; entry = NextElement(entry)) {
      auto must = NsAttribute(entry, "mustUnderstand", kEnvelopeNs);
      if (must && (*must == "1" || *must == "true")) {
        return Fail(fault_code, fault_text, "MustUnderstand",
                    std::string("the header entry ") + Chars(entry->name) + " is not understood");
      }
    }
    part = NextElement(part);
  }
  if (!IsElement(part, "Body") || !InNamespace(part, kEnvelopeNs)) {
    return Fail(fault_code, fault_text, "Client", "the envelope has no SOAP body");
  }

  xmlNode* call = FirstElement(part->children);
  if (!IsElement(call, "doScanURLs")) {
    return Fail(fault_code, fault_text, "Client",
                std::string("unknown operation ") + (call ? Chars(call->name) : "(none)"));
  }
  if (!InNamespace(call, target_namespace)) {
    return Fail(fault_code, fault_text, "Client", "doScanURLs is not in the namespace " + target_namespace);
  }

  xmlNode* list = FirstElement(call->children);
  while (list && !IsElement(list, "queries")) list = NextElement(list);
  if (!list) return Fail(fault_code, fault_text, "Client", "doScanURLs has no queries");
  if (IsNil(list)) return true;

  for (xmlNode* item = FirstElement(list->children); item; item = NextElement(item)) {
    if (!IsElement(item, "URLScanQueryElement")) {
      return Fail(fault_code, fault_text, "Client",
                  std::string("unexpected element ") + Chars(item->name) + " in queries");
    }
    if (queries.size() == kMaxQueries) {
      return Fail(fault_code, fault_text, "Client",
                  "more than " + std::to_string(kMaxQueries) + " addresses in one request");
    }
    ScanQuery query;
    bool has_id = false;
    for (xmlNode* field = FirstElement(item->children); field; field = NextElement(field)) {
      if (IsElement(field, "Id")) {
        if (IsNil(field) || !ParseXsdInt(Content(field), query.id)) {
          return Fail(fault_code, fault_text, "Client", "Id \"" + Content(field) + "\" is not an int");
        }
        has_id = true;
      } else if (IsElement(field, "url")) {
        if (IsNil(field)) {
          query.url.reset();
        } else {
          query.url = Content(field);
        }
      }
    }
    if (!has_id) {
      return Fail(fault_code, fault_text, "Client",
                  "URLScanQueryElement " + std::to_string(queries.size() + 1) + " has no Id");
    }
    queries.push_back(std::move(query));
  }

  // A stated array length must match the records.
  if (auto type = NsAttribute(list, "arrayType", kEncodingNs)) {
    auto open = type->rfind('[');
    bool good = open != std::string::npos && type->back() == ']' && open + 2 < type->size();
    std::size_t count = 0;
    for (std::size_t i = open + 1; good && i + 1 < type->size(); ++i) {
      char c = (*type)[i];
      good = c >= '0' && c <= '9' && count <= kMaxQueries;
      count = count * 10 + static_cast<std::size_t>(c - '0');
    }
    if (!good) return Fail(fault_code, fault_text, "Client", "bad arrayType \"" + *type + "\"");
    if (count != queries.size()) {
      return Fail(fault_code, fault_text, "Client",
                  "arrayType announces " + std::to_string(count) + " queries, the request holds " +
                      std::to_string(queries.size()));
    }
  }
  return true;
}

std::string WriteScanResponse(const std::string& target_namespace, const std::vector<ScanResult>& results,
                              double processing_seconds) {
  std::string out = EnvelopeStart();
  out += "<doScanURLsResponse xmlns=\"";
  AppendAttribute(out, target_namespace);
  out += "\"><doScanURLsResult>";
  char seconds[64];
  std::snprintf(seconds, sizeof seconds, "%.6f", processing_seconds);
  AppendElement(out, "processingtime", seconds);
  out += "<urlScanResults xmlns:q1=\"";
  AppendAttribute(out, target_namespace);
  out += "\" soapenc:arrayType=\"q1:URLScanResultElement[" + std::to_string(results.size()) + "]\">";
  for (const ScanResult& result : results) {
    const SiteRating& r = result.rating;
    out += "<URLScanResultElement>";
    AppendElement(out, "id", std::to_string(result.id));
    AppendElement(out, "SiteRating", std::to_string(r.site_rating));
    AppendCounts(out, "Downloads", r.downloads);
    AppendCounts(out, "Links", r.links);
    AppendElement(out, "Emails", std::to_string(r.emails));
    AppendElement(out, "Popups", r.popups ? "true" : "false");
    AppendElement(out, "BrowserExploits", r.browser_exploits ? "true" : "false");
    if (r.desc) {
      AppendElement(out, "desc", *r.desc);
    } else {
      out += "<desc xsi:nil=\"true\"/>";
    }
    out += "</URLScanResultElement>";
  }
  out += "</urlScanResults></doScanURLsResult></doScanURLsResponse>";
  out += kEnvelopeEnd;
  return out;
}

std::string WriteFault(std::string_view code, std::string_view text) {
  std::string out = EnvelopeStart();
  out += "<soap:Fault><faultcode>soap:";
  AppendEscaped(out, code);
  out += "</faultcode>";
  AppendElement(out, "faultstring", text);
  out += "</soap:Fault>";
  out += kEnvelopeEnd;
  return out;
}

SoapService::SoapService(RatingStore& store, std::string target_namespace)
    : store_(store), namespace_(std::move(target_namespace)) {}

SoapAnswer SoapService::Handle(const std::string* soap_action, std::string_view body) {
  const auto start = std::chrono::steady_clock::now();
  SoapAnswer answer;
  auto fault = [&](std::string_view code, std::string_view text) {
    answer.status = 500;
    answer.body = WriteFault(code, text);
    return answer;
  };

  // SOAPAction names the operation: "<namespace>doScanURLs", usually quoted.
  const std::string action = namespace_ + "doScanURLs";
  if (!soap_action) return fault("Client", "the SOAPAction header is missing");
  if (*soap_action != "\"" + action + "\"" && *soap_action != action) {
    return fault("Client", "unknown SOAPAction " + *soap_action);
  }

  std::vector<ScanQuery> queries;
  std::string code;
  std::string text;
  if (!ParseScanRequest(body, namespace_, queries, code, text)) return fault(code, text);
  answer.addresses = queries.size();

  std::vector<ScanResult> results;
  results.reserve(queries.size());
  for (const ScanQuery& query : queries) {
    ScanResult result;
    result.id = query.id;
    std::optional<SiteRating> known;
    std::string error;
    if (query.url && !store_.Lookup(SiteKey(*query.url), known, error)) return fault("Server", error);
    if (known) result.rating = std::move(*known);
    results.push_back(std::move(result));
  }

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  answer.status = 200;
  answer.body = WriteScanResponse(namespace_, results, seconds);
  return answer;
}

}  // namespace quorvia::rating_service
