// What a marked search page receives for each rated link: the rating class
// chosen from the site's rating (colour name, icon, description), and the
// escaping of values that come from the page before they are put into the
// product's markup. The operations that change the page are members of
// CmdPageProcessor (cmd_page_processor.h); they live in page_annotation.cpp.
#pragma once

#include <string>
#include <string_view>

// The rating class of a link, by the record's SiteRating: 1 green (safe),
// 2 yellow (unknown), 3 red (unsafe), anything else gray (untested).
struct LinkRatingClass {
  const char16_t* color;            // "green", "yellow", "red", "gray"
  const char16_t* icon;             // the icon's res: address in HarbRes
  const char16_t* description_key;  // language key of the description
};
LinkRatingClass LinkRatingClassOf(int site_rating) noexcept;

// text made safe for HTML text and for attribute values in either kind of
// quotes: & < > " ' become character references; everything else stays.
std::u16string EscapeHtml(std::u16string_view text);
