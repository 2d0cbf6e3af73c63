// The XML document object model: a document loaded from a file, a file://
// address or a res:// address, XPath 1.0 selection with namespace prefixes,
// node lists, attributes and text, and saving back to a file.
//
// Every object is reference counted. A node keeps the tree it belongs to
// alive for as long as it is referenced, even after its document has been
// released or has loaded another tree; asking twice for the same node may
// give two distinct objects.
//
// Loading is always synchronous and never touches the network. Entity
// declarations are refused (a document that declares an entity does not
// load), external subsets and entities are never read, and nesting deeper
// than the parser's limit (256 elements) fails the load.
//
// As with the objects they stand in for, one document and the objects taken
// from it are used by one thread at a time.
#pragma once

#include "platform/api.h"
#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

struct IXMLDOMNodeList;
struct IXMLDOMNamedNodeMap;

// Any node: document, element, attribute, text, CDATA section, comment,
// processing instruction.
struct IXMLDOMNode : IUnknown {
  QUORVIA_INTERFACE_ID(IXMLDOMNode, "73047a79-9d25-4564-bed4-b551e7519a6d");

  // The qualified name of an element or attribute ("prefix:local" or
  // "local"); "#document", "#text", "#cdata-section", "#comment" for those
  // nodes; the target of a processing instruction.
  virtual HRESULT get_nodeName(BSTR* name) = 0;
  // The text of the node: an attribute's value (an allocated BSTR, empty when
  // the value is empty); for an element or the document, the text and CDATA
  // content of all its descendants joined in document order, with leading
  // and trailing white space removed, and a null BSTR when nothing is left.
  virtual HRESULT get_text(BSTR* text) = 0;
  // The node's XML markup as text (for the document: an XML declaration
  // without an encoding, then its nodes).
  virtual HRESULT get_xml(BSTR* xml) = 0;
  // The attributes of an element. S_FALSE and null for any other node.
  virtual HRESULT get_attributes(IXMLDOMNamedNodeMap** attributes) = 0;
  // Evaluates an XPath 1.0 expression with this node as the context node and
  // the document's selection namespaces. S_OK with a (possibly empty) list;
  // E_FAIL when the expression is not valid XPath, uses an undeclared prefix
  // or does not give a node set; E_INVALIDARG for an expression holding a
  // null character; E_POINTER for a null out pointer.
  virtual HRESULT selectNodes(BSTR expression, IXMLDOMNodeList** list) = 0;
  // The first selected node in document order: S_OK with the node, S_FALSE
  // and null when nothing matches; errors as selectNodes.
  virtual HRESULT selectSingleNode(BSTR expression, IXMLDOMNode** node) = 0;

 protected:
  ~IXMLDOMNode() = default;
};

// The nodes a selection found, in document order. The list is a snapshot:
// later changes of the document do not change its members.
struct IXMLDOMNodeList : IUnknown {
  QUORVIA_INTERFACE_ID(IXMLDOMNodeList, "74f61039-baf5-4296-be70-1e32af4bac4a");

  virtual HRESULT get_length(LONG* length) = 0;
  // S_OK with the node at index; S_FALSE and null for an index outside
  // 0 .. length - 1.
  virtual HRESULT get_item(LONG index, IXMLDOMNode** node) = 0;

 protected:
  ~IXMLDOMNodeList() = default;
};

// The attributes of one element, by qualified name. Namespace declarations
// (xmlns, xmlns:p) are not attributes here.
struct IXMLDOMNamedNodeMap : IUnknown {
  QUORVIA_INTERFACE_ID(IXMLDOMNamedNodeMap, "0d52b359-6d84-45ab-b0b5-e980c1c85c4a");

  // S_OK with the attribute node; S_FALSE and null when the element has no
  // attribute of that name; E_INVALIDARG for an empty name.
  virtual HRESULT getNamedItem(BSTR name, IXMLDOMNode** item) = 0;

 protected:
  ~IXMLDOMNamedNodeMap() = default;
};

// An element node (answered by QueryInterface on element nodes only).
struct IXMLDOMElement : IXMLDOMNode {
  QUORVIA_INTERFACE_ID(IXMLDOMElement, "0f83be11-fb7c-40dc-9c42-ce6b43c3f6e3");

  // S_OK with a VT_BSTR value (empty for an empty attribute); S_FALSE with
  // VT_NULL when the element has no attribute of that qualified name;
  // E_INVALIDARG for an empty name.
  virtual HRESULT getAttribute(BSTR name, VARIANT* value) = 0;
  // Sets the attribute, creating it when missing; the value is converted to
  // text. A prefixed name must use a prefix declared on the element or an
  // ancestor. E_INVALIDARG for a name that is not a valid qualified name or
  // whose prefix is not declared.
  virtual HRESULT setAttribute(BSTR name, VARIANT value) = 0;

 protected:
  ~IXMLDOMElement() = default;
};

// The document. Created empty; `load` replaces its tree. Its node
// operations work on the whole tree; on an empty document a selection finds
// nothing.
struct IXMLDOMDocument : IXMLDOMNode {
  QUORVIA_INTERFACE_ID(IXMLDOMDocument, "f95e1330-1464-4830-8105-c966e0ce9282");

  // Accepted and kept; loading is synchronous in every case, so a load that
  // reports success has parsed the whole document.
  virtual HRESULT put_async(VARIANT_BOOL async) = 0;
  // Accepted and kept; documents are never validated against a DTD.
  virtual HRESULT put_validateOnParse(VARIANT_BOOL validate) = 0;
  // Accepted and kept; external DTDs and entities are never read.
  virtual HRESULT put_resolveExternals(VARIANT_BOOL resolve) = 0;
  // "SelectionLanguage": "XPath" (the only language).
  // "SelectionNamespaces": blank-separated declarations xmlns:p='uri' (or
  // with double quotes) binding the prefixes selections may use; replaces
  // the previous set. E_INVALIDARG for another name, a value that is not a
  // string, or a malformed value (the previous setting then stays).
  virtual HRESULT setProperty(BSTR name, VARIANT value) = 0;
  // Loads the document named by source (a string): a path, a "file://"
  // address or a "res://Module.dll/[type/]name" address. On success S_OK
  // and *success VARIANT_TRUE. On failure the document is left empty,
  // *success is VARIANT_FALSE and the result is a failure:
  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND /
  // ERROR_ACCESS_DENIED / ERROR_READ_FAULT) for a file that cannot be read,
  // ERROR_RESOURCE_NAME_NOT_FOUND for a res:// address that finds nothing,
  // E_ACCESSDENIED for any other kind of address (no network access),
  // E_INVALIDARG for a source that is not a string, is empty, or is a
  // file:// address naming another host, E_FAIL for text that is
  // not a well-formed document (entity declarations and too deep nesting
  // included). E_POINTER (nothing loaded) for a null success pointer.
  virtual HRESULT load(VARIANT source, VARIANT_BOOL* success) = 0;
  // Writes the document to the file named by destination (a path or a
  // "file://" address), in the encoding its declaration names (UTF-8 when
  // it names none). E_FAIL for an empty document, E_INVALIDARG for a
  // destination that is not a string, HRESULT_FROM_WIN32 of the system error
  // when the file cannot be written.
  virtual HRESULT save(VARIANT destination) = 0;

 protected:
  ~IXMLDOMDocument() = default;
};

// Creates an empty document with one reference for the caller. E_POINTER
// for a null out pointer, E_OUTOFMEMORY when it cannot be made.
QUORVIA_PLATFORM_API HRESULT CreateXmlDocument(IXMLDOMDocument** document);
