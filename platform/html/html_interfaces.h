// The page's document model as COM interfaces: the document, its elements,
// element collections, anchors, script elements and style sheets.
//
// Every element node of a document answers with one COM object for as long
// as anyone holds it, so two reads of the same element give the same
// IUnknown. Elements, collections and style sheets keep their document
// alive. Objects of one document are used on the thread that created it.
//
// String results follow the usual rules: an out BSTR the caller frees with
// SysFreeString; a null BSTR stands for an absent value (an attribute the
// element does not have). Look-ups that find nothing give S_OK and a null
// out pointer.
#pragma once

#include "platform/com/dispatch.h"

struct IHTMLElement;
struct IHTMLElementCollection;

// A style sheet the document knows (only those made by createStyleSheet are
// handed out).
struct IHTMLStyleSheet : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLStyleSheet, "DD45E8A9-DA20-4DA0-97FC-519D55F890AC");

  // The sheet's address, as given.
  virtual HRESULT get_href(BSTR* out) = 0;
  // The `link` element that brings the sheet into the page.
  virtual HRESULT get_owningElement(IHTMLElement** out) = 0;

 protected:
  ~IHTMLStyleSheet() = default;
};

// A live list of elements in document order: it follows every change of
// the document.
struct IHTMLElementCollection : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLElementCollection, "0705CBD0-51EC-42A9-9E35-449831ED5EF9");

  virtual HRESULT get_length(LONG* out) = 0;
  // name as a number: the element at that position (index is then ignored).
  // name as a string: the elements whose id or name attribute equals it;
  // with index missing (VT_EMPTY, or VT_ERROR as for an omitted argument)
  // one match gives the element and several give a collection of them; with
  // a numeric index, the match at that position. Nothing found: S_OK and
  // null. A name of another type: E_INVALIDARG.
  virtual HRESULT item(VARIANT name, VARIANT index, IDispatch** out) = 0;
  // The collection's elements with the given tag name (letter case
  // ignored), as an IHTMLElementCollection.
  virtual HRESULT tags(VARIANT tag_name, IDispatch** out) = 0;

 protected:
  ~IHTMLElementCollection() = default;
};

struct IHTMLElement : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLElement, "89C835A6-BD3B-4671-887D-8F09FAFCC702");

  // flags bit 0 (1): match the attribute name with its letter case;
  // otherwise names are matched without regard to case. getAttribute gives
  // VT_BSTR, or VT_NULL when the element has no such attribute.
  virtual HRESULT setAttribute(BSTR name, VARIANT value, LONG flags) = 0;
  virtual HRESULT getAttribute(BSTR name, LONG flags, VARIANT* out) = 0;
  // *removed: VARIANT_TRUE when there was such an attribute (may be null).
  virtual HRESULT removeAttribute(BSTR name, LONG flags, VARIANT_BOOL* removed) = 0;
  // The class attribute as written; null when the element has none, an
  // empty string when it is present and empty.
  virtual HRESULT put_className(BSTR value) = 0;
  virtual HRESULT get_className(BSTR* out) = 0;
  virtual HRESULT put_id(BSTR value) = 0;
  virtual HRESULT get_id(BSTR* out) = 0;
  // The tag name in upper case ("A", "DIV").
  virtual HRESULT get_tagName(BSTR* out) = 0;
  // The parent when it is an element; null for the root element and for an
  // element outside the tree.
  virtual HRESULT get_parentElement(IHTMLElement** out) = 0;
  // The document the element belongs to (an IHTMLDocument2).
  virtual HRESULT get_document(IDispatch** out) = 0;
  // Markup of the content; setting it replaces the content with the parsed
  // markup (E_FAIL for elements that cannot hold markup: void elements,
  // script, style).
  virtual HRESULT put_innerHTML(BSTR html) = 0;
  virtual HRESULT get_innerHTML(BSTR* out) = 0;
  // The text of the content (scripts and style sheets left out); setting it
  // replaces the content with one text node (E_FAIL for void elements).
  virtual HRESULT put_innerText(BSTR text) = 0;
  virtual HRESULT get_innerText(BSTR* out) = 0;
  // Markup of the element itself and its content.
  virtual HRESULT get_outerHTML(BSTR* out) = 0;
  // Parses html as a browser does (forgiving stray or mismatched tags, bare
  // text, scripts) and inserts the result at where: "beforeBegin" (before
  // the element), "afterBegin" (as its first content), "beforeEnd" (as its
  // last content), "afterEnd" (after it); letter case ignored. Another
  // position: E_INVALIDARG. "beforeBegin" and "afterEnd" on an element
  // without a parent element, and "afterBegin"/"beforeEnd" on an element that
  // cannot hold markup: E_FAIL.
  virtual HRESULT insertAdjacentHTML(BSTR where, BSTR html) = 0;

 protected:
  ~IHTMLElement() = default;
};

struct IHTMLElement2 : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLElement2, "C26D84A8-117E-454E-86C0-78FA1CA5EF13");

  // Moves `element` (of the same document; new from createElement, taken
  // out, or elsewhere in the tree) to the position where, as for
  // insertAdjacentHTML; *out (may be null) receives the inserted element.
  // An element of another document, or a position inside the moved element
  // itself: E_INVALIDARG.
  virtual HRESULT insertAdjacentElement(BSTR where, IHTMLElement* element, IHTMLElement** out) = 0;
  // The descendants with the given tag name ("*": all), in document order.
  virtual HRESULT getElementsByTagName(BSTR tag_name, IHTMLElementCollection** out) = 0;

 protected:
  ~IHTMLElement2() = default;
};

// Answered by `a` elements only.
struct IHTMLAnchorElement : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLAnchorElement, "514F3F36-D703-4B3B-8B85-5DE435C281AD");

  // The absolute address: the href attribute resolved against the page's
  // base address (its first `base` element with an href, else the page's
  // own address). Null when the anchor has no href.
  virtual HRESULT put_href(BSTR value) = 0;
  virtual HRESULT get_href(BSTR* out) = 0;

 protected:
  ~IHTMLAnchorElement() = default;
};

// Answered by `script` elements only.
struct IHTMLScriptElement : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLScriptElement, "CF7AF16F-1D79-42F0-851C-37BE3E8223DB");

  // The src attribute as written.
  virtual HRESULT put_src(BSTR value) = 0;
  virtual HRESULT get_src(BSTR* out) = 0;
  // The defer attribute: present or absent.
  virtual HRESULT put_defer(VARIANT_BOOL value) = 0;
  virtual HRESULT get_defer(VARIANT_BOOL* out) = 0;
  virtual HRESULT put_type(BSTR value) = 0;
  virtual HRESULT get_type(BSTR* out) = 0;
  // The script's code (its content).
  virtual HRESULT put_text(BSTR value) = 0;
  virtual HRESULT get_text(BSTR* out) = 0;

 protected:
  ~IHTMLScriptElement() = default;
};

struct IHTMLDocument2 : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLDocument2, "78C9C19F-35F0-4FA2-B6B4-5D5CBD92FDED");

  // Every element in document order.
  virtual HRESULT get_all(IHTMLElementCollection** out) = 0;
  // The body element (or the frameset of a frameset page).
  virtual HRESULT get_body(IHTMLElement** out) = 0;
  // Every `a` and `area` element that has an href, in document order.
  virtual HRESULT get_links(IHTMLElementCollection** out) = 0;
  // The page's address.
  virtual HRESULT get_URL(BSTR* out) = 0;
  // "uninitialized", "loading", "loaded", "interactive" or "complete"; the
  // browser moves it along with SetReadyState (html_document.h).
  virtual HRESULT get_readyState(BSTR* out) = 0;
  // A new element outside the tree, to be placed with
  // insertAdjacentElement. A tag name that is not a plain name (letters,
  // digits, "-", "_", ":", ".", starting with a letter): E_INVALIDARG.
  virtual HRESULT createElement(BSTR tag_name, IHTMLElement** out) = 0;
  // Adds a `link rel="stylesheet"` element for href to the head (made when
  // the page has none) so that the sheet takes position index among the
  // page's style sheets (`link` style sheets and `style` elements); an index
  // outside them (-1 included) puts it at the end of the head. out may be
  // null.
  virtual HRESULT createStyleSheet(BSTR href, LONG index, IHTMLStyleSheet** out) = 0;

 protected:
  ~IHTMLDocument2() = default;
};

struct IHTMLDocument3 : IDispatch {
  QUORVIA_INTERFACE_ID(IHTMLDocument3, "8FCB93BE-D2C9-4A22-8627-8BB7D72ABBD9");

  // The root element (`html`).
  virtual HRESULT get_documentElement(IHTMLElement** out) = 0;
  // The first element in document order whose id is exactly id; S_OK and
  // null when there is none.
  virtual HRESULT getElementById(BSTR id, IHTMLElement** out) = 0;
  // Listeners for "onreadystatechange" (letter case ignored): every change
  // of the ready state calls each attached listener's Invoke with
  // DISPID_VALUE, DISPATCH_METHOD and no arguments, in the order they were
  // attached. Attaching a listener twice keeps one entry. *attached (may be
  // null) tells whether the event is one the document fires. A null
  // listener: E_INVALIDARG. Detaching a listener that is not attached does
  // nothing.
  virtual HRESULT attachEvent(BSTR event, IDispatch* listener, VARIANT_BOOL* attached) = 0;
  virtual HRESULT detachEvent(BSTR event, IDispatch* listener) = 0;

 protected:
  ~IHTMLDocument3() = default;
};

inline constexpr IID IID_IHTMLStyleSheet = IHTMLStyleSheet::iid;
inline constexpr IID IID_IHTMLElementCollection = IHTMLElementCollection::iid;
inline constexpr IID IID_IHTMLElement = IHTMLElement::iid;
inline constexpr IID IID_IHTMLElement2 = IHTMLElement2::iid;
inline constexpr IID IID_IHTMLAnchorElement = IHTMLAnchorElement::iid;
inline constexpr IID IID_IHTMLScriptElement = IHTMLScriptElement::iid;
inline constexpr IID IID_IHTMLDocument2 = IHTMLDocument2::iid;
inline constexpr IID IID_IHTMLDocument3 = IHTMLDocument3::iid;
