// The web browser as the toolbar's commands see it: the displayed document
// and its address, the status bar, navigation, browser bars and closing
// the browser application. The embedded browser implements it.
#pragma once

#include "platform/com/dispatch.h"

struct IWebBrowser2 : IDispatch {
  QUORVIA_INTERFACE_ID(IWebBrowser2, "6B1E4A2C-93D5-4F07-B8C1-2E5A7D90F314");

  // Navigates to url. flags, target_frame_name, post_data and headers may
  // each be null or point at an empty variant (VT_EMPTY, or VT_ERROR as an
  // omitted argument): same window, no post data, no extra headers.
  virtual HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* target_frame_name, VARIANT* post_data,
                           VARIANT* headers) = 0;
  // Closes the browser application.
  virtual HRESULT Quit() = 0;
  // The displayed document (the page model's document object, which answers
  // IHTMLDocument2 and IHTMLDocument3), or S_OK and null while there is
  // none. A null out pointer: E_POINTER.
  virtual HRESULT get_Document(IDispatch** out) = 0;
  // The address of the displayed page, as a BSTR the caller frees. A null
  // out pointer: E_POINTER.
  virtual HRESULT get_LocationURL(BSTR* out) = 0;
  // Sets the text of the browser's status bar.
  virtual HRESULT put_StatusText(BSTR text) = 0;
  // Shows or hides the browser bar whose class identifier is given in
  // registry text form (VT_BSTR); show is VT_BOOL; size may be empty.
  virtual HRESULT ShowBrowserBar(VARIANT* clsid, VARIANT* show, VARIANT* size) = 0;

 protected:
  ~IWebBrowser2() = default;
};

inline constexpr IID IID_IWebBrowser2 = IWebBrowser2::iid;
