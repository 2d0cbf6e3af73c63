#include "core/rating/soap_request.h"

#include <cstdio>

#include "platform/text/convert.h"

namespace rating {

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Whether XML 1.0 can carry the character, written as a reference.
bool IsXmlCharacter(char32_t c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  return c != 0xFFFE && c != 0xFFFF;
}

void AppendReference(std::string& out, char32_t code_point, bool pair) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, pair ? "&#x%06X;" : "&#x%04X;",
                              static_cast<unsigned>(code_point));
  out.append(buffer, static_cast<std::size_t>(n));
}

void AppendEscaped(std::string& out, std::u16string_view text, bool attribute) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'&': out += "&amp;"; continue;
      case u'<': out += "&lt;"; continue;
      case u'>': out += "&gt;"; continue;
      case u'"':
        out += attribute ? "&quot;" : "\"";
        continue;
      default: break;
    }
    if (c >= 32 && c <= 126) {
      out += static_cast<char>(c);
    } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const char32_t code_point = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                                  (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      AppendReference(out, code_point, true);
      ++i;
    } else if (IsXmlCharacter(c)) {
      AppendReference(out, c, false);
    } else {
      AppendReference(out, 0xFFFD, false);
    }
  }
}

}  // namespace

std::string EscapeXmlText(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text, false);
  return out;
}

std::string EscapeXmlAttribute(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text, true);
  return out;
}

std::string BuildScanRequestBody(const URLScanQueryElement* queries, int count, std::string_view targetNamespace) {
  const std::string ns = EscapeXmlAttribute(quorvia::Utf8ToUtf16(targetNamespace));
  const int records = (queries == nullptr || count < 0) ? 0 : count;

  std::string body;
  body.reserve(512 + static_cast<std::size_t>(records) * 96);
  body += "<soap:Envelope xmlns:soap=\"";
  body += kSoapEnvelopeNamespace;
  body += "\" xmlns:xsi=\"";
  body += kXsiNamespace;
  body += "\" xmlns:xsd=\"";
  body += kXsdNamespace;
  body += "\" xmlns:soapenc=\"";
  body += kSoapEncodingNamespace;
  body += "\"><soap:Body><doScanURLs xmlns=\"";
  body += ns;
  body += "\"><queries xmlns:q1=\"";
  body += ns;
  body += "\" soapenc:arrayType=\"q1:URLScanQueryElement[";
  body += std::to_string(records);
  body += "]\">";
  for (int i = 0; i < records; ++i) {
    const URLScanQueryElement& query = queries[i];
    body += "<URLScanQueryElement><Id>";
    body += std::to_string(query.Id);
    body += "</Id>";
    if (query.url.has_value()) {
      body += "<url>";
      AppendEscaped(body, *query.url, false);
      body += "</url>";
    } else {
      body += "<url xsi:nil=\"1\"/>";
    }
    body += "</URLScanQueryElement>";
  }
  body += "</queries></doScanURLs></soap:Body></soap:Envelope>";
  return body;
}

std::vector<std::pair<std::string, std::string>> BuildScanRequestHeaders(std::string_view authority,
                                                                          std::size_t contentLength,
                                                                          std::string_view targetNamespace) {
  std::string action = "\"";
  action += targetNamespace;
  action += kOperationName;
  action += '"';
  return {
      {"Host", std::string(authority)},
      {"Content-Length", std::to_string(contentLength)},
      {"Content-Type", "text/xml; charset=utf-8"},
      {"User-Agent", "Microsoft-ATL-Native/8.00"},
      {"SOAPAction", std::move(action)},
      {"Accept", "text/xml"},
  };
}

}  // namespace rating
