#include "platform/xml/sax_reader.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/object.h"
#include "platform/text/convert.h"
#include "platform/xml/xml_library.h"

namespace quorvia::xml {
namespace {

std::string_view View(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}
std::string_view View(const xmlChar* begin, const xmlChar* end) {
  return std::string_view(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
}

std::u16string QualifiedName(const xmlChar* prefix, const xmlChar* local) {
  std::string name;
  if (prefix != nullptr) {
    name = View(prefix);
    name += ':';
  }
  name += View(local);
  return Utf8ToUtf16(name);
}

int Length(const std::u16string& s) { return static_cast<int>(std::min<std::size_t>(s.size(), INT_MAX)); }

// A caller's (pointer, length) string; null with length 0 is the empty string.
bool ArgumentView(const WCHAR* text, int length, std::u16string_view* out) {
  if (length < 0 || (text == nullptr && length != 0)) return false;
  *out = std::u16string_view(text ? text : u"", static_cast<std::size_t>(length));
  return true;
}

// The attributes of the start tag being reported. It lives inside the reader
// and is handed to the handler for the length of one call, so its reference
// count is not used to free it.
class SaxAttributes final : public ISAXAttributes {
 public:
  struct Attribute {
    std::u16string uri, local_name, qname, value;
  };

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!(iid == IID_IUnknown) && !(iid == IIDOf<ISAXAttributes>())) return E_NOINTERFACE;
    *out = static_cast<ISAXAttributes*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }

  HRESULT getLength(int* length) override {
    if (length == nullptr) return E_POINTER;
    *length = static_cast<int>(list.size());
    return S_OK;
  }
  HRESULT getURI(int index, const WCHAR** uri, int* length) override {
    return Field(index, &Attribute::uri, uri, length);
  }
  HRESULT getLocalName(int index, const WCHAR** local_name, int* length) override {
    return Field(index, &Attribute::local_name, local_name, length);
  }
  HRESULT getQName(int index, const WCHAR** qname, int* length) override {
    return Field(index, &Attribute::qname, qname, length);
  }
  HRESULT getValue(int index, const WCHAR** value, int* length) override {
    return Field(index, &Attribute::value, value, length);
  }
  HRESULT getIndexFromName(const WCHAR* uri, int uri_length, const WCHAR* local_name, int local_name_length,
                           int* index) override {
    if (index == nullptr) return E_POINTER;
    std::u16string_view want_uri, want_local;
    if (!ArgumentView(uri, uri_length, &want_uri) || !ArgumentView(local_name, local_name_length, &want_local))
      return E_INVALIDARG;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i].uri == want_uri && list[i].local_name == want_local) {
        *index = static_cast<int>(i);
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }
  HRESULT getValueFromName(const WCHAR* uri, int uri_length, const WCHAR* local_name, int local_name_length,
                           const WCHAR** value, int* value_length) override {
    if (value == nullptr || value_length == nullptr) return E_POINTER;
    int index = 0;
    HRESULT hr = getIndexFromName(uri, uri_length, local_name, local_name_length, &index);
    if (FAILED(hr)) return hr;
    return getValue(index, value, value_length);
  }

  std::vector<Attribute> list;

 private:
  HRESULT Field(int index, std::u16string Attribute::*field, const WCHAR** text, int* length) {
    if (text == nullptr || length == nullptr) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return E_INVALIDARG;
    const std::u16string& s = list[static_cast<std::size_t>(index)].*field;
    *text = s.c_str();
    *length = Length(s);
    return S_OK;
  }
};

class SaxReader : public ComObjectRootEx<ComMultiThreadModel>, public ISAXXMLReader {
 public:
  static const InterfaceEntry* InterfaceTable() { return InterfaceTableOf<SaxReader, ISAXXMLReader>(); }

  HRESULT putContentHandler(ISAXContentHandler* handler) override {
    handler_ = handler;
    return S_OK;
  }

  HRESULT parseBytes(const void* data, std::size_t size) override {
    if (data == nullptr && size != 0) return E_POINTER;
    if (parsing_) return E_UNEXPECTED;
    if (size == 0) return E_FAIL;
    InitXmlLibrary();
    QuietXmlMessages quiet;

    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startDocument = OnStartDocument;
    sax.startElementNs = OnStartElement;
    sax.endElementNs = OnEndElement;
    sax.characters = OnCharacters;
    sax.cdataBlock = OnCharacters;
    sax.internalSubset = OnDocumentType;
    sax.externalSubset = OnDocumentType;
    sax.entityDecl = OnEntityDecl;
    sax.serror = DropXmlError;

    // The first bytes go in with the context so that a byte-order mark is
    // seen before anything else; the rest follows in pieces, so the
    // parser's own buffer never holds more than one piece.
    const char* bytes = static_cast<const char*>(data);
    std::size_t first = std::min<std::size_t>(size, 4);
    parser_ = xmlCreatePushParserCtxt(&sax, this, bytes, static_cast<int>(first), nullptr);
    if (parser_ == nullptr) return E_OUTOFMEMORY;
    xmlCtxtUseOptions(parser_, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    // Keep the handler alive through the parse even if a callback replaces it.
    ComPtr<ISAXContentHandler> handler = handler_;
    handler_in_use_ = handler.Get();
    status_ = S_OK;
    depth_ = 0;
    parsing_ = true;

    constexpr std::size_t kPiece = 64 * 1024;
    std::size_t offset = first;
    bool done = false;
    while (!done && SUCCEEDED(status_)) {
      std::size_t n = std::min(kPiece, size - offset);
      done = offset + n == size;
      if (xmlParseChunk(parser_, bytes + offset, static_cast<int>(n), done ? 1 : 0) != 0) break;
      offset += n;
    }
    bool well_formed = parser_->wellFormed != 0 && parser_->errNo == XML_ERR_OK;
    xmlFreeParserCtxt(parser_);
    parser_ = nullptr;

    if (SUCCEEDED(status_) && !well_formed) status_ = E_FAIL;
    if (SUCCEEDED(status_) && handler) status_ = handler->endDocument();
    parsing_ = false;
    handler_in_use_ = nullptr;
    HRESULT result = status_;
    status_ = S_OK;
    return FAILED(result) ? result : S_OK;
  }

 private:
  static SaxReader* Self(void* ctx) { return static_cast<SaxReader*>(ctx); }

  // Records the first failure and stops the parser; later callbacks do
  // nothing.
  void Fail(HRESULT hr) {
    if (SUCCEEDED(status_)) status_ = hr;
    xmlStopParser(parser_);
  }
  bool Active() const { return SUCCEEDED(status_); }
  void Check(HRESULT hr) {
    if (FAILED(hr)) Fail(hr);
  }

  static void OnStartDocument(void* ctx) {
    SaxReader* self = Self(ctx);
    if (self->Active() && self->handler_in_use_) self->Check(self->handler_in_use_->startDocument());
  }

  static void OnStartElement(void* ctx, const xmlChar* local_name, const xmlChar* prefix, const xmlChar* uri, int,
                             const xmlChar**, int attribute_count, int, const xmlChar** attributes) {
    SaxReader* self = Self(ctx);
    if (!self->Active()) return;
    if (++self->depth_ > kMaxDepth) return self->Fail(E_FAIL);
    if (self->handler_in_use_ == nullptr) return;

    SaxAttributes& list = self->attributes_;
    list.list.resize(static_cast<std::size_t>(attribute_count));
    for (int i = 0; i < attribute_count; ++i) {
      const xmlChar** a = attributes + 5 * i;  // local name, prefix, URI, value start, value end
      SaxAttributes::Attribute& out = list.list[static_cast<std::size_t>(i)];
      out.local_name = Utf8ToUtf16(View(a[0]));
      out.qname = QualifiedName(a[1], a[0]);
      out.uri = Utf8ToUtf16(View(a[2]));
      out.value = Utf8ToUtf16(View(a[3], a[4]));
    }
    std::u16string ns = Utf8ToUtf16(View(uri));
    std::u16string local = Utf8ToUtf16(View(local_name));
    std::u16string qname = QualifiedName(prefix, local_name);
    self->Check(self->handler_in_use_->startElement(ns.c_str(), Length(ns), local.c_str(), Length(local),
                                                    qname.c_str(), Length(qname), &list));
  }

  static void OnEndElement(void* ctx, const xmlChar* local_name, const xmlChar* prefix, const xmlChar* uri) {
    SaxReader* self = Self(ctx);
    if (!self->Active()) return;
    --self->depth_;
    if (self->handler_in_use_ == nullptr) return;
    std::u16string ns = Utf8ToUtf16(View(uri));
    std::u16string local = Utf8ToUtf16(View(local_name));
    std::u16string qname = QualifiedName(prefix, local_name);
    self->Check(self->handler_in_use_->endElement(ns.c_str(), Length(ns), local.c_str(), Length(local),
                                                  qname.c_str(), Length(qname)));
  }

  static void OnCharacters(void* ctx, const xmlChar* chars, int length) {
    SaxReader* self = Self(ctx);
    if (!self->Active() || self->handler_in_use_ == nullptr || length <= 0) return;
    self->text_ = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(chars), static_cast<std::size_t>(length)));
    self->Check(self->handler_in_use_->characters(self->text_.c_str(), Length(self->text_)));
  }

  // A document type declaration could declare entities or pull in outside
  // files; documents read here never need one.
  static void OnDocumentType(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) { Self(ctx)->Fail(E_FAIL); }
  static void OnEntityDecl(void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    Self(ctx)->Fail(E_FAIL);
  }

  ComPtr<ISAXContentHandler> handler_;
  // State of the parse in progress.
  ISAXContentHandler* handler_in_use_ = nullptr;
  xmlParserCtxtPtr parser_ = nullptr;
  HRESULT status_ = S_OK;
  int depth_ = 0;
  bool parsing_ = false;
  SaxAttributes attributes_;
  std::u16string text_;
};

}  // namespace
}  // namespace quorvia::xml

HRESULT CreateSaxXmlReader(ISAXXMLReader** reader) {
  if (reader == nullptr) return E_POINTER;
  *reader = nullptr;
  auto object = quorvia::MakeComObject<quorvia::xml::SaxReader>();
  if (!object) return E_OUTOFMEMORY;
  *reader = object.Detach();
  return S_OK;
}
