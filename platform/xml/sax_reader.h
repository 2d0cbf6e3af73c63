// The streaming (SAX) XML reader: parses a document held in memory and
// reports its elements and text to a content handler as they come, with
// namespace URIs resolved.
//
// Strings handed to the handler are UTF-16, given as a pointer and a length
// in characters; they stay valid only during the call (each is also
// terminated by a null character). Namespace declarations are not reported
// as attributes.
//
// The reader refuses any document type declaration (so no entity can be
// declared, expanded or fetched), never touches the network, and fails a
// document nested deeper than 256 elements.
#pragma once

#include <cstddef>

#include "platform/api.h"
#include "platform/com/unknown.h"

// The attributes of one start tag; valid only during the startElement call
// that receives them.
struct ISAXAttributes : IUnknown {
  QUORVIA_INTERFACE_ID(ISAXAttributes, "1d0c6143-94b1-4dea-9c90-d70517f4618b");

  virtual HRESULT getLength(int* length) = 0;
  // Namespace URI (empty for an attribute without a prefix), local name,
  // qualified name and value of the attribute at index. E_INVALIDARG for an
  // index outside 0 .. length - 1; E_POINTER for a null out pointer.
  virtual HRESULT getURI(int index, const WCHAR** uri, int* uri_length) = 0;
  virtual HRESULT getLocalName(int index, const WCHAR** local_name, int* local_name_length) = 0;
  virtual HRESULT getQName(int index, const WCHAR** qname, int* qname_length) = 0;
  virtual HRESULT getValue(int index, const WCHAR** value, int* value_length) = 0;
  // The index, or the value, of the attribute with that namespace URI and
  // local name. E_INVALIDARG when there is none.
  virtual HRESULT getIndexFromName(const WCHAR* uri, int uri_length, const WCHAR* local_name, int local_name_length,
                                   int* index) = 0;
  virtual HRESULT getValueFromName(const WCHAR* uri, int uri_length, const WCHAR* local_name, int local_name_length,
                                   const WCHAR** value, int* value_length) = 0;

 protected:
  ~ISAXAttributes() = default;
};

// Receives the document's content. A failure returned by any operation
// stops the parse, and parse returns that failure.
struct ISAXContentHandler : IUnknown {
  QUORVIA_INTERFACE_ID(ISAXContentHandler, "edb24a33-a073-449a-ae12-2dd58c2593d8");

  virtual HRESULT startDocument() = 0;
  // Called only when the whole document was parsed without error.
  virtual HRESULT endDocument() = 0;
  virtual HRESULT startElement(const WCHAR* namespace_uri, int namespace_uri_length, const WCHAR* local_name,
                               int local_name_length, const WCHAR* qname, int qname_length,
                               ISAXAttributes* attributes) = 0;
  virtual HRESULT endElement(const WCHAR* namespace_uri, int namespace_uri_length, const WCHAR* local_name,
                             int local_name_length, const WCHAR* qname, int qname_length) = 0;
  // Character data, CDATA sections included, with references resolved. The
  // text of one element may arrive in several calls.
  virtual HRESULT characters(const WCHAR* chars, int length) = 0;

 protected:
  ~ISAXContentHandler() = default;
};

struct ISAXXMLReader : IUnknown {
  QUORVIA_INTERFACE_ID(ISAXXMLReader, "1dd863b6-8851-469b-a84c-03a59b0623ee");

  // The handler that receives the next parses; the reader holds a reference
  // on it until another handler (or null) is set or the reader is released.
  virtual HRESULT putContentHandler(ISAXContentHandler* handler) = 0;
  // Parses size bytes at data as one complete document; the encoding comes
  // from the byte-order mark or the XML declaration (UTF-8 when neither
  // names one). S_OK when the document was well-formed and every handler
  // call succeeded; the handler's failure when one failed; E_FAIL for a
  // malformed, too deeply nested or empty document, or one with a document
  // type declaration; E_POINTER for null data with a non-zero size;
  // E_UNEXPECTED when called from inside one of its own handler calls.
  virtual HRESULT parseBytes(const void* data, std::size_t size) = 0;

 protected:
  ~ISAXXMLReader() = default;
};

// Creates a reader with one reference for the caller. E_POINTER for a null
// out pointer, E_OUTOFMEMORY when it cannot be made.
QUORVIA_PLATFORM_API HRESULT CreateSaxXmlReader(ISAXXMLReader** reader);
