// State of the language table that lives beside the `Language` singleton.
#pragma once

#include <string>

// The name of the chosen language document (without folder and extension):
// "English" until the registry value "Language" is read into it.
//
// Guarded by the language lock: read or write it only while holding that
// lock, and hand out copies, never the reference.
std::u16string& LanguageName();
