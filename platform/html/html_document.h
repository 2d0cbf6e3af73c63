// Making page documents, and what the browser does to them from outside the
// page: moving the ready state along and saving the page as markup.
#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/html/html_interfaces.h"

namespace quorvia {

// Parses a page as a browser does: scripts, comments, unclosed and stray
// tags, entities; nothing is printed and nothing is fetched. url is the
// page's address (the base of its relative links). charset is the encoding
// the page came with (an HTTP charset, empty when unknown); a byte-order
// mark wins over it, and without either the page's own <meta> declaration
// decides, then UTF-8 when the bytes are valid UTF-8, else windows-1252.
// Bytes that are not valid in the chosen encoding become U+FFFD. The new
// document always has an `html` element and a `body` (or frameset); its
// ready state is "loading". *out gets the document with one reference.
QUORVIA_PLATFORM_API HRESULT CreateHtmlDocument(std::string_view bytes, std::u16string_view url, IHTMLDocument2** out,
                                                std::string_view charset = {});

// A page from a "res://Module.dll/[type/]name" address (the module's
// embedded resource) or a "file:" address on this machine ("file:///path",
// "%XX" escapes decoded), parsed as CreateHtmlDocument does with the address
// as the page's address. HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when there
// is nothing at the address, E_INVALIDARG for other kinds of address
// (loading from the network is the browser's business).
QUORVIA_PLATFORM_API HRESULT LoadHtmlDocument(std::u16string_view address, IHTMLDocument2** out);

// Sets the document's readyState and calls every "onreadystatechange"
// listener (attachEvent), each time it is called, even when the state is
// unchanged. A listener detached by an earlier listener of the same round is
// not called. E_INVALIDARG for a document this layer did not make.
QUORVIA_PLATFORM_API HRESULT SetReadyState(IHTMLDocument2* document, std::u16string_view state);

// The whole page as HTML in UTF-8: the doctype, comments outside the root
// and the root element with everything in it, as the tree stands now.
// Declarations of another charset inside the page are left as they are.
QUORVIA_PLATFORM_API HRESULT SerializeHtmlDocument(IHTMLDocument2* document, std::string* utf8);

}  // namespace quorvia
