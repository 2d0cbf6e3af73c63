// The SQLite database behind the registry: opening and checking a store file,
// transactions, and the statements the registry calls are built from.
//
// Layout of a store:
//   reg_meta(store_id)            one row: a random number naming this store
//   reg_keys(id, parent, name, fold, written)
//                                 one row per key; ids are never reused, so a
//                                 handle to a deleted key can tell; rows 1 to 3
//                                 are the roots
//   reg_values(id, key, name, fold, type, data)
//                                 one row per value, in creation order
// `fold` is the name with ASCII letters lowered: the unique, case-insensitive
// form a name is looked up by. The file carries kApplicationId and
// kSchemaVersion in its header so that a foreign database is never mistaken
// for a store.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/types.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quorvia::registry {

constexpr std::int32_t kApplicationId = 0x51524731;  // "QRG1"
constexpr std::int32_t kSchemaVersion = 1;

constexpr std::int64_t kClassesRootRow = 1;
constexpr std::int64_t kCurrentUserRow = 2;
constexpr std::int64_t kLocalMachineRow = 3;

// The name of the store file inside QuorviaHome().
constexpr const char* kStoreFileName = "registry.db";

// ASCII lower-casing: the form names are compared in.
std::string Fold(std::string_view name);

// The current time as FILETIME ticks.
std::int64_t NowTicks();

// One prepared statement. Errors surface from Step().
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, std::string_view text);
  Statement& BindBlob(int index, const void* data, std::size_t size);
  Statement& BindNull(int index);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  // Runs the statement to its end; SQLITE_DONE or an error code.
  int Run();

  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  std::string Blob(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int prepare_rc_;
};

// An open, checked store. Not thread-safe: the caller serialises access.
class Store {
 public:
  // Opens the store file at `path`, creating it (with its schema) only when
  // no file exists or the file is empty. A file that is not a valid store is
  // left untouched and reported as ERROR_BADDB, ERROR_REGISTRY_CORRUPT or
  // ERROR_CANTOPEN.
  static LONG Open(const std::string& path, std::unique_ptr<Store>* out);

  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  sqlite3* db() const { return db_; }
  std::uint64_t id() const { return id_; }
  // The process that opened the connection; a forked child must not use it.
  pid_t owner() const { return owner_; }
  const std::string& path() const { return path_; }

  // Starts a transaction (BEGIN IMMEDIATE when `write`, so that the
  // read-modify-write of a call never loses a race with another process) and
  // checks that the file is still the store this connection opened: same
  // header, not truncated. ERROR_SUCCESS or an error code; on failure no
  // transaction is open.
  LONG Begin(bool write);
  LONG Commit();
  void Rollback();

 private:
  Store(sqlite3* db, std::string path);
  LONG Validate();
  LONG CheckFile();

  sqlite3* db_;
  std::string path_;
  std::uint64_t id_ = 0;
  pid_t owner_;
  bool write_ = false;
};

// Maps an SQLite result to a Win32 error code.
LONG ErrorFromSqlite(int rc, bool write);

}  // namespace quorvia::registry
