// Parses the answer of the rating operation with the platform's streaming
// XML reader. The reader is created on first use and kept for later
// documents.
#pragma once

#include <string>
#include <string_view>

#include "core/rating/scan_response_parser.h"
#include "platform/com/com_ptr.h"
#include "platform/com/types.h"
#include "platform/xml/sax_reader.h"

namespace rating {

class ScanResponseReader {
 public:
  ScanResponseReader();
  ~ScanResponseReader();
  ScanResponseReader(const ScanResponseReader&) = delete;
  ScanResponseReader& operator=(const ScanResponseReader&) = delete;

  // Creates the XML reader unless it exists already; false when it cannot be
  // created.
  bool Prepare();

  // Parses one answer. True when `document` is a complete response; the
  // result is then in `result`, which is not touched otherwise. A fault the
  // document holds is available from Fault() either way.
  bool Parse(std::string_view document, const std::u16string& targetNamespace, ScanResponseParser::Expect expect,
             URLScanResult& result);

  const std::optional<SoapFault>& Fault() const;
  // Why the last parse failed, for diagnostics.
  const std::string& Failure() const { return m_failure; }

  // Drops what the last parse left behind.
  void Clear();

 private:
  class Handler;

  quorvia::ComPtr<ISAXXMLReader> m_reader;
  Handler* m_handler = nullptr;  // one reference, released with the reader
  std::string m_failure;
};

}  // namespace rating
