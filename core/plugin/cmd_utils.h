// The second base of every product command: the configuration document the
// command works with, and the test whether a page address is one the
// product handles at all.
//
// The virtual operations are declared in a fixed slot order (0 the
// destructor, 1 IsSupportedScheme); commands of the core library are used
// by the host through their vtables, so keep that order.
#pragma once

#include "platform/com/bstr.h"

class CXmlSetting;

class CmdUtils {
 public:
  // config: the configuration document, owned by the core object; may be
  // null.
  explicit CmdUtils(CXmlSetting* config) noexcept : config(config) {}
  CmdUtils(const CmdUtils&) = delete;
  CmdUtils& operator=(const CmdUtils&) = delete;

  // Slot 0. The configuration document is not deleted.
  virtual ~CmdUtils();

  // Slot 1: whether the address begins with one of the schemes listed in
  // the setting "URIScheme" (comma-separated; empty tokens skipped; letter
  // case ignored on both sides; tokens are not trimmed). False for a null
  // or empty address, without a configuration and without the setting.
  virtual bool IsSupportedScheme(BSTR url) const;

  CXmlSetting* GetConfig() const noexcept { return config; }

 protected:
  CXmlSetting* config;  // not owned
};
