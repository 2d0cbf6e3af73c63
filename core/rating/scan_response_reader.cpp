#include "core/rating/scan_response_reader.h"

#include "platform/com/object.h"

namespace rating {

namespace {

// The attributes of the current start tag, as the parser looks them up.
class SaxAttributes final : public ElementAttributes {
 public:
  explicit SaxAttributes(ISAXAttributes* attributes) : m_attributes(attributes) {}

  std::optional<std::u16string_view> Find(std::u16string_view uri, std::u16string_view local) const override {
    if (m_attributes == nullptr) return std::nullopt;
    const WCHAR* value = nullptr;
    int length = 0;
    if (FAILED(m_attributes->getValueFromName(uri.data(), static_cast<int>(uri.size()), local.data(),
                                               static_cast<int>(local.size()), &value, &length)) ||
        value == nullptr || length < 0) {
      return std::nullopt;
    }
    return std::u16string_view(value, static_cast<std::size_t>(length));
  }

 private:
  ISAXAttributes* m_attributes;
};

std::u16string_view View(const WCHAR* text, int length) {
  if (text == nullptr || length <= 0) return {};
  return std::u16string_view(text, static_cast<std::size_t>(length));
}

}  // namespace

// Hands the reader's events to the parser; a broken rule stops the parse.
class ScanResponseReader::Handler : public quorvia::ComObjectRootEx<quorvia::ComSingleThreadModel>,
                                    public ISAXContentHandler {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() {
    return quorvia::InterfaceTableOf<Handler, ISAXContentHandler>();
  }

  HRESULT startDocument() override { return S_OK; }
  HRESULT endDocument() override { return S_OK; }
  HRESULT startElement(const WCHAR* namespace_uri, int namespace_uri_length, const WCHAR* local_name,
                       int local_name_length, const WCHAR* /*qname*/, int /*qname_length*/,
                       ISAXAttributes* attributes) override {
    const SaxAttributes view(attributes);
    return parser.StartElement(View(namespace_uri, namespace_uri_length), View(local_name, local_name_length), view)
               ? S_OK
               : E_FAIL;
  }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override {
    return parser.EndElement() ? S_OK : E_FAIL;
  }
  HRESULT characters(const WCHAR* chars, int length) override {
    return parser.Characters(View(chars, length)) ? S_OK : E_FAIL;
  }

  ScanResponseParser parser;
};

ScanResponseReader::ScanResponseReader() = default;

ScanResponseReader::~ScanResponseReader() {
  if (m_reader) m_reader->putContentHandler(nullptr);
  m_reader = nullptr;
  if (m_handler != nullptr) m_handler->Release();
}

bool ScanResponseReader::Prepare() {
  if (m_reader) return true;
  auto handler = quorvia::MakeComObject<Handler, false>();
  if (!handler) return false;
  quorvia::ComPtr<ISAXXMLReader> reader;
  if (FAILED(CreateSaxXmlReader(reader.ReleaseAndGetAddressOf())) || !reader) return false;
  if (FAILED(reader->putContentHandler(handler.Get()))) return false;
  m_handler = handler.Detach();
  m_reader = std::move(reader);
  return true;
}

bool ScanResponseReader::Parse(std::string_view document, const std::u16string& targetNamespace,
                               ScanResponseParser::Expect expect, URLScanResult& result) {
  m_failure.clear();
  if (!Prepare()) {
    m_failure = "the XML reader cannot be created";
    return false;
  }
  ScanResponseParser& parser = m_handler->parser;
  parser.Reset(targetNamespace, expect);
  const HRESULT hr = m_reader->parseBytes(document.data(), document.size());
  if (FAILED(hr)) {
    m_failure = parser.Failure().empty() ? "the answer is not well-formed XML" : parser.Failure();
    return false;
  }
  if (!parser.EndDocument()) {
    m_failure = parser.Failure();
    return false;
  }
  result = parser.TakeResult();
  return true;
}

const std::optional<SoapFault>& ScanResponseReader::Fault() const {
  static const std::optional<SoapFault> kNone;
  return m_handler != nullptr ? m_handler->parser.Fault() : kNone;
}

void ScanResponseReader::Clear() {
  if (m_handler != nullptr) m_handler->parser.Reset({}, ScanResponseParser::Expect::kResponse);
}

}  // namespace rating
