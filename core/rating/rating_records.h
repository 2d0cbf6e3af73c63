// The records of the rating service's one operation, doScanURLs: the
// queries sent, and the result with one rating per rated address. Field names
// are the element names on the wire; fields are declared in wire order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

static_assert(sizeof(int) == sizeof(std::int32_t), "wire integers are 32-bit");

// Counters of a site's downloads or links by colour. The display treats a
// negative counter as 0 and does not show Black.
struct RatingStruct {
  int Red = 0;
  int Green = 0;
  int Yellow = 0;
  int Black = 0;

  friend bool operator==(const RatingStruct&, const RatingStruct&) = default;
};

// One address to rate. `Id` is the caller's link number and comes back as
// the `id` of the rating that answers it. An absent `url` is sent as nil.
struct URLScanQueryElement {
  int Id = 0;
  std::optional<std::u16string> url;

  friend bool operator==(const URLScanQueryElement&, const URLScanQueryElement&) = default;
};

// The rating of one address.
struct URLScanResultElement {
  int id = 0;
  // 1 safe (green), 2 unknown (yellow), 3 unsafe (red), anything else
  // untested (grey).
  int SiteRating = 0;
  RatingStruct Downloads;
  RatingStruct Links;
  int Emails = 0;
  bool Popups = false;
  bool BrowserExploits = false;
  // Absent when the service sent none or sent nil; the display then shows an
  // empty description.
  std::optional<std::u16string> desc;

  friend bool operator==(const URLScanResultElement&, const URLScanResultElement&) = default;
};

// The operation's result. The records answer the queries by `id`: neither
// their number nor their order has to follow the queries. The caller owns
// the records once the call has returned.
struct URLScanResult {
  double processingtime = 0.0;
  std::vector<URLScanResultElement> urlScanResults;

  friend bool operator==(const URLScanResult&, const URLScanResult&) = default;
};
