#include "tools/rating-service/rating_store.h"

#include <sqlite3.h>

#include <array>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

#include "tools/rating-service/csv_reader.h"
#include "platform/text/ascii.h"

namespace quorvia::rating_service {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS ratings("
    "host TEXT PRIMARY KEY NOT NULL,"
    "SiteRating INTEGER NOT NULL,"
    "DownloadsRed INTEGER NOT NULL DEFAULT 0,"
    "DownloadsGreen INTEGER NOT NULL DEFAULT 0,"
    "DownloadsYellow INTEGER NOT NULL DEFAULT 0,"
    "DownloadsBlack INTEGER NOT NULL DEFAULT 0,"
    "LinksRed INTEGER NOT NULL DEFAULT 0,"
    "LinksGreen INTEGER NOT NULL DEFAULT 0,"
    "LinksYellow INTEGER NOT NULL DEFAULT 0,"
    "LinksBlack INTEGER NOT NULL DEFAULT 0,"
    "Emails INTEGER NOT NULL DEFAULT 0,"
    "Popups INTEGER NOT NULL DEFAULT 0,"
    "BrowserExploits INTEGER NOT NULL DEFAULT 0,"
    "\"desc\" TEXT)";

// The columns after host, in table order.
constexpr std::array<const char*, 14> kColumns = {
    "SiteRating", "DownloadsRed", "DownloadsGreen", "DownloadsYellow", "DownloadsBlack",
    "LinksRed",   "LinksGreen",   "LinksYellow",    "LinksBlack",      "Emails",
    "Popups",     "BrowserExploits", "desc", "host"};
constexpr std::size_t kDesc = 12;
constexpr std::size_t kHost = 13;
constexpr std::size_t kPopups = 10;
constexpr std::size_t kBrowserExploits = 11;

std::string SqliteError(sqlite3* db) { return db ? sqlite3_errmsg(db) : "out of memory"; }

}  // namespace

std::unique_ptr<RatingStore> RatingStore::Open(const std::string& path, std::string& error) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    error = "cannot open the database " + path + ": " + SqliteError(db);
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 2000);
  sqlite3_stmt* lookup = nullptr;
  rc = sqlite3_prepare_v2(db,
                          "SELECT SiteRating, DownloadsRed, DownloadsGreen, DownloadsYellow, DownloadsBlack,"
                          " LinksRed, LinksGreen, LinksYellow, LinksBlack, Emails, Popups, BrowserExploits,"
                          " \"desc\" FROM ratings WHERE host = ?1",
                          -1, &lookup, nullptr);
  if (rc != SQLITE_OK) {
    error = "the database " + path + " holds no ratings: " + SqliteError(db);
    sqlite3_close(db);
    return nullptr;
  }
  return std::unique_ptr<RatingStore>(new RatingStore(db, lookup));
}

RatingStore::~RatingStore() {
  sqlite3_finalize(lookup_);
  sqlite3_close(db_);
}

bool RatingStore::Lookup(const std::string& key, std::optional<SiteRating>& rating, std::string& error) {
  rating.reset();
  if (key.empty()) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  sqlite3_reset(lookup_);
  sqlite3_bind_text(lookup_, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  int rc = sqlite3_step(lookup_);
  if (rc == SQLITE_DONE) {
    sqlite3_reset(lookup_);
    return true;
  }
  if (rc != SQLITE_ROW) {
    error = "reading the ratings: " + SqliteError(db_);
    sqlite3_reset(lookup_);
    return false;
  }
  auto integer = [&](int column) { return static_cast<std::int32_t>(sqlite3_column_int(lookup_, column)); };
  SiteRating r;
  r.site_rating = integer(0);
  r.downloads = {integer(1), integer(2), integer(3), integer(4)};
  r.links = {integer(5), integer(6), integer(7), integer(8)};
  r.emails = integer(9);
  r.popups = integer(10) != 0;
  r.browser_exploits = integer(11) != 0;
  if (sqlite3_column_type(lookup_, 12) != SQLITE_NULL) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(lookup_, 12));
    r.desc = std::string(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(lookup_, 12)));
  }
  sqlite3_reset(lookup_);
  rating = std::move(r);
  return true;
}

bool ImportCsv(const std::string& db_path, const std::string& csv_path, int& imported, std::string& error) {
  imported = 0;
  std::ifstream file(csv_path, std::ios::binary);
  if (!file) {
    error = "cannot read " + csv_path;
    return false;
  }
  std::stringstream content;
  content << file.rdbuf();

  std::vector<CsvRecord> records;
  if (!ParseCsv(content.str(), records, error)) {
    error = csv_path + ": " + error;
    return false;
  }
  if (records.empty()) {
    error = csv_path + ": no header row";
    return false;
  }

  // Where each column of the table comes from in a record; -1: not given.
  std::array<int, kColumns.size()> source;
  source.fill(-1);
  const auto& header = records.front().fields;
  for (std::size_t f = 0; f < header.size(); ++f) {
    std::size_t column = 0;
    while (column < kColumns.size() && !ascii::IEquals(header[f], kColumns[column])) ++column;
    if (column == kColumns.size()) {
      error = csv_path + ": line 1: unknown column \"" + header[f] + "\"";
      return false;
    }
    if (source[column] >= 0) {
      error = csv_path + ": line 1: column \"" + header[f] + "\" given twice";
      return false;
    }
    source[column] = static_cast<int>(f);
  }
  if (source[kHost] < 0 || source[0] < 0) {
    error = csv_path + ": line 1: the columns host and SiteRating are required";
    return false;
  }

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    error = "cannot open the database " + db_path + ": " + SqliteError(db);
    sqlite3_close(db);
    return false;
  }
  sqlite3_busy_timeout(db, 5000);
  sqlite3_stmt* insert = nullptr;
  auto finish = [&](bool ok) {
    sqlite3_finalize(insert);
    if (!ok) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
  };
  if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db,
                         "INSERT OR REPLACE INTO ratings(SiteRating, DownloadsRed, DownloadsGreen, DownloadsYellow,"
                         " DownloadsBlack, LinksRed, LinksGreen, LinksYellow, LinksBlack, Emails, Popups,"
                         " BrowserExploits, \"desc\", host) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11,"
                         " ?12, ?13, ?14)",
                         -1, &insert, nullptr) != SQLITE_OK) {
    error = "cannot prepare the database " + db_path + ": " + SqliteError(db);
    return finish(false);
  }

  for (std::size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    const std::string where = csv_path + ": line " + std::to_string(record.line) + ": ";
    if (record.fields.size() != header.size()) {
      error = where + std::to_string(record.fields.size()) + " fields where the header names " +
              std::to_string(header.size());
      return finish(false);
    }
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
    for (std::size_t column = 0; column < kColumns.size(); ++column) {
      const int index = static_cast<int>(column) + 1;
      const std::string value = source[column] >= 0 ? record.fields[static_cast<std::size_t>(source[column])] : "";
      if (column == kHost) {
        std::string key = SiteKey(value);
        if (key.empty()) {
          error = where + "no host";
          return finish(false);
        }
        sqlite3_bind_text(insert, index, key.c_str(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
      } else if (column == kDesc) {
        bool changed = false;
        ToXmlText(value, &changed);
        if (changed) {
          error = where + "desc is not UTF-8 text, or holds control characters";
          return finish(false);
        }
        if (value.empty()) {
          sqlite3_bind_null(insert, index);
        } else {
          sqlite3_bind_text(insert, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        }
      } else if (column == kPopups || column == kBrowserExploits) {
        bool flag = false;
        if (!value.empty() && !ParseXsdBoolean(value, flag)) {
          error = where + kColumns[column] + " \"" + value + "\" is not true, false, 1 or 0";
          return finish(false);
        }
        sqlite3_bind_int(insert, index, flag ? 1 : 0);
      } else {
        std::int32_t number = 0;
        if ((column == 0 || !value.empty()) && !ParseXsdInt(value, number)) {
          error = where + kColumns[column] + " \"" + value + "\" is not a 32-bit integer";
          return finish(false);
        }
        sqlite3_bind_int(insert, index, number);
      }
    }
    if (sqlite3_step(insert) != SQLITE_DONE) {
      error = where + SqliteError(db);
      return finish(false);
    }
    ++imported;
  }
  if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    error = "cannot write the database " + db_path + ": " + SqliteError(db);
    imported = 0;
    return finish(false);
  }
  return finish(true);
}

}  // namespace quorvia::rating_service
