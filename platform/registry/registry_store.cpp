#include "platform/registry/registry_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

namespace quorvia::registry {

namespace {

// How long a call waits for another process's transaction before giving up.
constexpr int kBusyTimeoutMs = 10000;

// While another process holds the store, retry every millisecond for the
// first 100 tries (registry transactions are short), then every 5 ms, until
// kBusyTimeoutMs have passed.
int BusyHandler(void*, int tries) {
  constexpr int kFastTries = 100;
  const int waited_ms = tries < kFastTries ? tries : kFastTries + (tries - kFastTries) * 5;
  if (waited_ms >= kBusyTimeoutMs) return 0;
  ::usleep(tries < kFastTries ? 1000 : 5000);
  return 1;
}

constexpr char kSchema[] =
    "CREATE TABLE reg_meta(store_id INTEGER NOT NULL);"
    "CREATE TABLE reg_keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER,"
    "  name TEXT NOT NULL,"
    "  fold TEXT NOT NULL,"
    "  written INTEGER NOT NULL DEFAULT 0,"
    "  UNIQUE(parent, fold));"
    "CREATE TABLE reg_values("
    "  id INTEGER PRIMARY KEY,"
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  fold TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE(key, fold));"
    "INSERT INTO reg_keys(id, parent, name, fold) VALUES"
    "  (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),"
    "  (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),"
    "  (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');";

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// Reads a single integer a statement yields (a pragma, a count).
int QueryInt(sqlite3* db, const char* sql, std::int64_t* out) {
  Statement st(db, sql);
  const int rc = st.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? SQLITE_CORRUPT : rc;
  *out = st.Int(0);
  return SQLITE_OK;
}

// A file we did not create is only ever opened for writing when its header
// names it a store: SQLite's magic and our application id. Everything else
// (foreign bytes, another program's database) is refused before SQLite could
// roll back a journal or otherwise touch it.
//
// Closing a descriptor drops every POSIX lock the process holds on the file,
// SQLite's included. That is harmless here: this runs only while no
// connection of the process has the file open in a transaction (calls are
// serialised and no transaction outlives a call).
LONG CheckHeader(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ERROR_CANTOPEN;
  unsigned char header[100];
  std::size_t got = 0;
  while (got < sizeof header) {
    const ssize_t n = ::pread(fd, header + got, sizeof header - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  static constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with its null
  if (got < sizeof header || std::memcmp(header, kMagic, sizeof kMagic) != 0) return ERROR_BADDB;
  const std::uint32_t app = (std::uint32_t{header[68]} << 24) | (std::uint32_t{header[69]} << 16) |
                            (std::uint32_t{header[70]} << 8) | std::uint32_t{header[71]};
  return app == static_cast<std::uint32_t>(kApplicationId) ? ERROR_SUCCESS : ERROR_BADDB;
}

std::uint64_t RandomStoreId() {
  std::random_device rd;
  std::uint64_t id = 0;
  while (id == 0) id = (std::uint64_t{rd()} << 32) ^ rd();
  return id;
}

// Creates the schema in a database that has just been created (or was an
// empty file). Another process may have raced us to it: then the store is
// already there and is simply checked afterwards.
LONG CreateSchema(sqlite3* db) {
  int rc = Exec(db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc, true);
  std::int64_t app = 0;
  std::int64_t objects = 0;
  rc = QueryInt(db, "PRAGMA application_id", &app);
  if (rc == SQLITE_OK) rc = QueryInt(db, "SELECT count(*) FROM sqlite_master", &objects);
  if (rc != SQLITE_OK) {
    Exec(db, "ROLLBACK");
    return ErrorFromSqlite(rc, true);
  }
  if (app == kApplicationId) {
    Exec(db, "ROLLBACK");
    return ERROR_SUCCESS;
  }
  if (app != 0 || objects != 0) {
    Exec(db, "ROLLBACK");
    return ERROR_BADDB;
  }
  rc = Exec(db, kSchema);
  if (rc == SQLITE_OK) {
    Statement meta(db, "INSERT INTO reg_meta(store_id) VALUES(?1)");
    meta.Bind(1, static_cast<std::int64_t>(RandomStoreId()));
    rc = meta.Run() == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
  }
  if (rc == SQLITE_OK) {
    const std::string pragmas = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    rc = Exec(db, pragmas.c_str());
  }
  if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
  if (rc != SQLITE_OK) {
    Exec(db, "ROLLBACK");
    return ErrorFromSqlite(rc, true);
  }
  return ERROR_SUCCESS;
}

}  // namespace

std::string Fold(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::int64_t NowTicks() {
  using namespace std::chrono;
  // FILETIME counts from 1601; the system clock from 1970.
  constexpr std::int64_t kEpochDifferenceSeconds = 11644473600LL;
  const auto since_1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  return kEpochDifferenceSeconds * 10000000LL + since_1970 / 100;
}

LONG ErrorFromSqlite(int rc, bool write) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return ERROR_SUCCESS;
    case SQLITE_NOTADB:
    case SQLITE_ERROR:  // a table or column missing: not our schema
      return ERROR_BADDB;
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_RANGE:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    default:  // busy beyond the time-out, I/O errors, a full disk
      return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
}

// ---- Statement ----

Statement::Statement(sqlite3* db, const char* sql) {
  prepare_rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, std::int64_t value) {
  if (stmt_ != nullptr) sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  if (stmt_ != nullptr) {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  return *this;
}

Statement& Statement::BindBlob(int index, const void* data, std::size_t size) {
  // A null pointer would bind SQL NULL; an empty value is an empty blob.
  static const unsigned char kEmpty = 0;
  if (stmt_ != nullptr) {
    sqlite3_bind_blob64(stmt_, index, size == 0 ? &kEmpty : data, size, SQLITE_TRANSIENT);
  }
  return *this;
}

Statement& Statement::BindNull(int index) {
  if (stmt_ != nullptr) sqlite3_bind_null(stmt_, index);
  return *this;
}

int Statement::Step() {
  if (stmt_ == nullptr) return prepare_rc_ != SQLITE_OK ? prepare_rc_ : SQLITE_ERROR;
  return sqlite3_step(stmt_);
}

int Statement::Run() {
  int rc;
  while ((rc = Step()) == SQLITE_ROW) {
  }
  return rc;
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const {
  const auto* p = sqlite3_column_text(stmt_, column);
  const int n = sqlite3_column_bytes(stmt_, column);
  return p == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
}

std::string Statement::Blob(int column) const {
  const void* p = sqlite3_column_blob(stmt_, column);
  const int n = sqlite3_column_bytes(stmt_, column);
  return p == nullptr ? std::string() : std::string(static_cast<const char*>(p), static_cast<std::size_t>(n));
}

// ---- Store ----

Store::Store(sqlite3* db, std::string path) : db_(db), path_(std::move(path)), owner_(::getpid()) {}

Store::~Store() { sqlite3_close(db_); }

LONG Store::Open(const std::string& path, std::unique_ptr<Store>* out) {
  out->reset();
  if (path.empty()) return ERROR_CANTOPEN;
  bool create = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return ERROR_CANTOPEN;
    create = true;
  } else if (!S_ISREG(st.st_mode)) {
    return ERROR_CANTOPEN;
  } else if (st.st_size == 0) {
    create = true;
  } else if (const LONG err = CheckHeader(path); err != ERROR_SUCCESS) {
    return err;
  }

  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    return ERROR_CANTOPEN;
  }
  std::unique_ptr<Store> store(new Store(db, path));
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_handler(db, BusyHandler, nullptr);
  // Every commit is on disk when the call returns; damaged pages are
  // reported instead of trusted. The default rollback journal keeps every
  // committed byte in the store file itself and works between processes.
  Exec(db, "PRAGMA synchronous = FULL; PRAGMA cell_size_check = ON; PRAGMA trusted_schema = OFF;");

  if (create) {
    if (const LONG err = CreateSchema(db); err != ERROR_SUCCESS) return err;
  }
  if (const LONG err = store->Validate(); err != ERROR_SUCCESS) return err;
  *out = std::move(store);
  return ERROR_SUCCESS;
}

LONG Store::Validate() {
  int rc = Exec(db_, "BEGIN");
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc, false);
  LONG err = ERROR_SUCCESS;
  std::int64_t v = 0;
  if ((rc = QueryInt(db_, "PRAGMA application_id", &v)) != SQLITE_OK) {
    err = ErrorFromSqlite(rc, false);
  } else if (v != kApplicationId) {
    err = ERROR_BADDB;
  } else if ((rc = QueryInt(db_, "PRAGMA user_version", &v)) != SQLITE_OK) {
    err = ErrorFromSqlite(rc, false);
  } else if (v != kSchemaVersion) {
    err = ERROR_BADDB;
  } else if ((rc = QueryInt(db_,
                            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                            "('reg_meta', 'reg_keys', 'reg_values')",
                            &v)) != SQLITE_OK) {
    err = ErrorFromSqlite(rc, false);
  } else if (v != 3) {
    err = ERROR_BADDB;
  }
  if (err == ERROR_SUCCESS) err = CheckFile();
  if (err == ERROR_SUCCESS) {
    // The structure of every page: the store is small, and this is done once
    // per process and store.
    Statement check(db_, "PRAGMA quick_check");
    rc = check.Step();
    if (rc != SQLITE_ROW) {
      err = rc == SQLITE_DONE ? ERROR_REGISTRY_CORRUPT : ErrorFromSqlite(rc, false);
    } else if (check.Text(0) != "ok" || check.Step() != SQLITE_DONE) {
      err = ERROR_REGISTRY_CORRUPT;
    }
  }
  if (err == ERROR_SUCCESS) {
    Statement meta(db_, "SELECT store_id FROM reg_meta");
    rc = meta.Step();
    if (rc != SQLITE_ROW) {
      err = rc == SQLITE_DONE ? ERROR_REGISTRY_CORRUPT : ErrorFromSqlite(rc, false);
    } else {
      id_ = static_cast<std::uint64_t>(meta.Int(0));
    }
  }
  if (err == ERROR_SUCCESS) {
    rc = QueryInt(db_, "SELECT count(*) FROM reg_keys WHERE id IN (1, 2, 3) AND parent IS NULL", &v);
    if (rc != SQLITE_OK) {
      err = ErrorFromSqlite(rc, false);
    } else if (v != 3) {
      err = ERROR_REGISTRY_CORRUPT;
    }
  }
  Exec(db_, "ROLLBACK");
  return err;
}

// Inside a transaction (which holds at least a shared lock, so no other
// process is writing the file): the header still names a store and the file
// holds every page the header counts. A file truncated or overwritten under an
// open connection is caught here, before anything is written to it.
LONG Store::CheckFile() {
  std::int64_t app = 0;
  std::int64_t pages = 0;
  std::int64_t page_size = 0;
  int rc = QueryInt(db_, "PRAGMA application_id", &app);
  if (rc == SQLITE_OK) rc = QueryInt(db_, "PRAGMA page_count", &pages);
  if (rc == SQLITE_OK) rc = QueryInt(db_, "PRAGMA page_size", &page_size);
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc, false);
  if (app != kApplicationId) return ERROR_BADDB;
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ERROR_CANTOPEN;
  if (st.st_size < pages * page_size) return ERROR_REGISTRY_CORRUPT;
  return ERROR_SUCCESS;
}

LONG Store::Begin(bool write) {
  const int rc = Exec(db_, write ? "BEGIN IMMEDIATE" : "BEGIN");
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc, write);
  write_ = write;
  const LONG err = CheckFile();
  if (err != ERROR_SUCCESS) {
    Rollback();
    return err;
  }
  return ERROR_SUCCESS;
}

LONG Store::Commit() {
  const int rc = Exec(db_, "COMMIT");
  if (rc != SQLITE_OK) {
    Rollback();
    return ErrorFromSqlite(rc, write_);
  }
  return ERROR_SUCCESS;
}

void Store::Rollback() {
  if (sqlite3_get_autocommit(db_) == 0) Exec(db_, "ROLLBACK");
}

}  // namespace quorvia::registry
