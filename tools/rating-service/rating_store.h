// The database of site ratings: an SQLite file with one row per host.
//
//   ratings(host TEXT PRIMARY KEY,        -- SiteKey() of the site
//           SiteRating INTEGER,
//           DownloadsRed, DownloadsGreen, DownloadsYellow, DownloadsBlack INTEGER,
//           LinksRed, LinksGreen, LinksYellow, LinksBlack INTEGER,
//           Emails INTEGER, Popups INTEGER (0/1), BrowserExploits INTEGER (0/1),
//           "desc" TEXT NULL)             -- NULL: no description
//
// Databases are made and filled from CSV files whose header row names the
// columns above (in any order and letter case; only host and SiteRating are
// required, missing counters and flags are 0 and a missing or empty desc is
// NULL).
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "tools/rating-service/site_rating.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quorvia::rating_service {

class RatingStore {
 public:
  // Opens an existing database read-only; null with the reason in `error`
  // when the file is missing or holds no ratings table.
  static std::unique_ptr<RatingStore> Open(const std::string& path, std::string& error);

  ~RatingStore();
  RatingStore(const RatingStore&) = delete;
  RatingStore& operator=(const RatingStore&) = delete;

  // The rating filed under `key`, or none when the site is unknown. False,
  // with the reason in `error`, when the database cannot be read. Safe to
  // call from several threads.
  bool Lookup(const std::string& key, std::optional<SiteRating>& rating, std::string& error);

 private:
  RatingStore(sqlite3* db, sqlite3_stmt* lookup) : db_(db), lookup_(lookup) {}

  std::mutex mutex_;
  sqlite3* db_;
  sqlite3_stmt* lookup_;
};

// Creates the database at `db_path` when it does not exist and files every
// row of the CSV file at `csv_path` under its host, replacing what was filed
// there before. All rows or none: on any error (with its line in `error`)
// the database is left as it was. `imported` receives the number of rows.
bool ImportCsv(const std::string& db_path, const std::string& csv_path, int& imported, std::string& error);

}  // namespace quorvia::rating_service
