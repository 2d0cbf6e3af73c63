// The user's own settings of the toolbar: whether the product is turned off
// ("Disable") and the chosen language ("Language"), kept under the settings
// key "Software\Quorvia\Harbinel\Toolbar" of the root key.
#pragma once

#include <string>

#include "platform/com/types.h"

class Registry {
 public:
  // Every user passes HKEY_CURRENT_USER.
  explicit Registry(HKEY rootKey) : rootKey(rootKey) {}
  virtual ~Registry();

  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // Reads "Language" (of any type) into the global language name: the text
  // up to its first null character or the end of the data. The caller holds
  // the language lock. False, with the name unchanged, when the key or value
  // cannot be read.
  bool ReadLanguage();

  // Reads "Disable" into `value`. False, with `value` unchanged, when the key
  // or value is missing or the value is not a 4-byte REG_DWORD.
  bool ReadDisable(DWORD& value);

  // Writes "Language" as REG_SZ (with its terminating null character),
  // creating the settings key when it does not exist.
  bool WriteLanguage(const std::u16string& language);

  // Writes "Disable" as REG_DWORD, creating the settings key when it does not
  // exist.
  bool WriteDisable(DWORD value);

 protected:
  HKEY rootKey;

 private:
  // Opens the settings key for writing, creating it when missing; null on
  // failure.
  HKEY OpenForWriting();
};
