// What the document and the SAX reader share about the XML library under
// them: its one-time set-up and the error sink that keeps its messages off
// the process's standard error.
#pragma once

#include <libxml/xmlerror.h>

namespace quorvia::xml {

// Deepest element nesting either parser accepts; deeper documents fail.
inline constexpr int kMaxDepth = 256;

// Initialises the XML library once per process (safe from any thread).
void InitXmlLibrary();

// A structured-error handler that drops the message: failures are reported
// to callers as status codes instead.
void DropXmlError(void* user_data, xmlErrorPtr error);

// While it lives, drops the unstructured messages the XML library writes
// for the calling thread (the XPath evaluator reports some errors only that
// way); the previous handler comes back when it ends.
class QuietXmlMessages {
 public:
  QuietXmlMessages();
  ~QuietXmlMessages();
  QuietXmlMessages(const QuietXmlMessages&) = delete;
  QuietXmlMessages& operator=(const QuietXmlMessages&) = delete;

 private:
  xmlGenericErrorFunc handler_;
  void* context_;
};

}  // namespace quorvia::xml
