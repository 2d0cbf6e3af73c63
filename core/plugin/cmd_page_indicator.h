// "Quorvia.PageIndicator": the site indicator on the toolbar. Its image and
// text tell how safe the displayed site is (the page processor changes
// them as it rates each page); running it opens the rating service's report
// page about the displayed site in the same browser window.
#pragma once

#include "core/plugin/cmd_utils.h"
#include "framework/command.h"

// The indicator's images: bitmap resources of the core library, 120 x 19,
// 24-bit, shown with the mask colour kCommandMaskColor.
inline constexpr std::int32_t kIndicatorImageWaiting = 666;
inline constexpr std::int32_t kIndicatorImageSafe = 226;
inline constexpr std::int32_t kIndicatorImageUnknown = 227;  // also: the request failed
inline constexpr std::int32_t kIndicatorImageUnsafe = 228;
inline constexpr std::int32_t kIndicatorImageUntested = 2020;

class CmdPageIndicator : public CommandC, public CmdUtils {
 public:
  // Named "Quorvia.PageIndicator", enabled, with the language text of
  // "cmdIdIndicator" as its text. config may be null (the command then
  // does nothing when run).
  explicit CmdPageIndicator(CXmlSetting* config);
  ~CmdPageIndicator() override;

  // Navigates the browser given in Attach to the setting "BaseURL" followed
  // directly by the displayed page's address. Does nothing without a
  // configuration or a browser, when the address cannot be read, or when
  // its scheme is not supported. The on/off state is not consulted.
  void Execute() override;
};
