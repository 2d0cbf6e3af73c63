// The core library's string constants: registry names, configuration
// settings, language keys and command names.
//
// Every constant is a constexpr character array. Constants of this kind are
// initialised by the compiler and linker, before any code of the library runs,
// so every other global object of the library (the on/off switch reading
// "Disable" while the library loads, the language table, ...) can use them
// from its own constructor, whatever order the objects are built in. They
// need no destruction.
//
// Wide constants are UTF-16 (char16_t) and convert implicitly to
// std::u16string, std::u16string_view and LPCWSTR; the command names are
// narrow.
#pragma once

// Registry: the settings key under HKEY_CURRENT_USER and its values.
inline constexpr char16_t kRegSettingsKey[] = u"Software\\Quorvia\\Harbinel\\Toolbar";
inline constexpr char16_t kRegValueDisable[] = u"Disable";
inline constexpr char16_t kRegValueLanguage[] = u"Language";
inline constexpr char16_t kRegValueNewline[] = u"Newline";  // read by the host only

// The configuration document and its settings.
inline constexpr char16_t kConfigFileName[] = u"config.xml";
inline constexpr char16_t kSettingBaseURL[] = u"BaseURL";
inline constexpr char16_t kSettingHelpURL[] = u"HelpURL";
inline constexpr char16_t kSettingURIScheme[] = u"URIScheme";
inline constexpr char16_t kSettingMainBubbleHTML[] = u"MainBubbleHTML";
inline constexpr char16_t kSettingInfolayerHTML[] = u"infolayerHTML";
inline constexpr char16_t kSettingMainBubbleSpanID[] = u"MainBubbleSpanID";

// The named event that carries the on/off state between processes.
inline constexpr char16_t kOnOffEventName[] = u"HN2007_EventName";

// Language documents.
inline constexpr char16_t kDefaultLanguage[] = u"English";
inline constexpr char16_t kLanguageFileExtension[] = u".xml";
inline constexpr char16_t kLanguageAttrId[] = u"id";
inline constexpr char16_t kLanguageAttrValue[] = u"value";

// Language keys: command texts.
inline constexpr char16_t kLangCmdIdAbout[] = u"cmdIdAbout";
inline constexpr char16_t kLangCmdIdHelp[] = u"cmdIdHelp";
inline constexpr char16_t kLangCmdIdTurnOff[] = u"cmdIdTurnOff";
inline constexpr char16_t kLangCmdIdIndicator[] = u"cmdIdIndicator";

// Language keys: the site indicator's texts.
inline constexpr char16_t kLangCurrentSiteDescSafe[] = u"currentSiteDescSafe";
inline constexpr char16_t kLangCurrentSiteDescUnknown[] = u"currentSiteDescUnknown";
inline constexpr char16_t kLangCurrentSiteDescUnSafe[] = u"currentSiteDescUnSafe";
inline constexpr char16_t kLangCurrentSiteDescUnTested[] = u"currentSiteDescUnTested";

// Language keys: link descriptions.
inline constexpr char16_t kLangSiteDescSafe[] = u"siteDescSafe";
inline constexpr char16_t kLangSiteDescUnknown[] = u"siteDescUnknown";
inline constexpr char16_t kLangSiteDescUnSafe[] = u"siteDescUnSafe";
inline constexpr char16_t kLangSiteDescUnTested[] = u"siteDescUnTested";

// Language key: the status text while a page is rated.
inline constexpr char16_t kLangStatusWaiting[] = u"statusWaiting";

// Language keys: the flag texts of a link's information layer.
inline constexpr char16_t kLangUnknown[] = u"unknown";
inline constexpr char16_t kLangYes[] = u"yes";
inline constexpr char16_t kLangNo[] = u"no";

// Language keys: the main bubble's placeholders.
inline constexpr char16_t kLangScriptMoreInfo[] = u"scriptMoreInfo";
inline constexpr char16_t kLangScriptDownloads[] = u"scriptDownloads";
inline constexpr char16_t kLangScriptLinks[] = u"scriptLinks";
inline constexpr char16_t kLangScriptSpam[] = u"scriptSpam";
inline constexpr char16_t kLangScriptExploits[] = u"scriptExploits";

// Command names (narrow).
inline constexpr char kCmdNameAbout[] = "Quorvia.About";
inline constexpr char kCmdNameHelp[] = "Quorvia.Help";
inline constexpr char kCmdNameTurnOff[] = "Quorvia.TurnOFF";
inline constexpr char kCmdNamePageProcessor[] = "Quorvia.PageProcessor";
inline constexpr char kCmdNamePageIndicator[] = "Quorvia.PageIndicator";
