#include "core/support/language_globals.h"

#include "core/support/globals.h"

std::u16string& LanguageName() {
  // Built on first use, so any global object of the library may use it
  // while the library loads.
  static std::u16string name(kDefaultLanguage);
  return name;
}
