// The request of the rating operation doScanURLs: the SOAP 1.1 envelope in
// the document/literal style, and the HTTP header lines that carry it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rating/rating_records.h"

namespace rating {

inline constexpr char kSoapEnvelopeNamespace[] = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr char kSoapEncodingNamespace[] = "http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr char kXsiNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr char kXsdNamespace[] = "http://www.w3.org/2001/XMLSchema";
inline constexpr char kOperationName[] = "doScanURLs";

// Element content as ASCII: "&", "<" and ">" become entity references;
// every other character outside 32..126 becomes a hexadecimal character
// reference, "&#x%04X;", or "&#x%06X;" for a surrogate pair (one reference
// to the combined code point). A character that XML cannot carry at all (a
// control character other than tab, line feed and carriage return, an
// unpaired surrogate, U+FFFE, U+FFFF) is sent as U+FFFD, so that one bad
// address does not make the service reject the whole request.
std::string EscapeXmlText(std::u16string_view text);

// The same for a double-quoted attribute value: additionally '"' becomes
// "&quot;".
std::string EscapeXmlAttribute(std::u16string_view text);

// The request body: UTF-8, no XML declaration, no whitespace between
// elements. `targetNamespace` is the service's namespace URI (UTF-8).
std::string BuildScanRequestBody(const URLScanQueryElement* queries, int count, std::string_view targetNamespace);

// The header lines, in the order they are sent: Host (`authority` is the
// host, with ":port" when the port is not 80), Content-Length,
// Content-Type, User-Agent, SOAPAction (the namespace followed by the
// operation name, in double quotes) and Accept.
std::vector<std::pair<std::string, std::string>> BuildScanRequestHeaders(std::string_view authority,
                                                                          std::size_t contentLength,
                                                                          std::string_view targetNamespace);

}  // namespace rating
