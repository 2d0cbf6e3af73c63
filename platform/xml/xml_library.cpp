#include "platform/xml/xml_library.h"

#include <libxml/globals.h>
#include <libxml/parser.h>

#include <mutex>

namespace quorvia::xml {

void InitXmlLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

void DropXmlError(void*, xmlErrorPtr) {}

namespace {
void DropXmlMessage(void*, const char*, ...) {}
}  // namespace

QuietXmlMessages::QuietXmlMessages() : handler_(xmlGenericError), context_(xmlGenericErrorContext) {
  xmlSetGenericErrorFunc(nullptr, DropXmlMessage);
}

QuietXmlMessages::~QuietXmlMessages() { xmlSetGenericErrorFunc(context_, handler_); }

}  // namespace quorvia::xml
