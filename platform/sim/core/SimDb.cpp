#include "platform/sim/core/SimDb.h"

#include <sqlite3.h>

namespace {

// Every table of a machine. New tables are added here; "IF NOT EXISTS" lets a
// machine made by an older build pick them up when it is opened.
const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS facts(
  name TEXT PRIMARY KEY,
  value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS volumes(
  letter TEXT PRIMARY KEY,
  device TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS environment(
  name TEXT PRIMARY KEY COLLATE NOCASE,
  value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS reg_keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  uname TEXT NOT NULL,
  class TEXT NOT NULL DEFAULT '',
  mtime INTEGER NOT NULL DEFAULT 0,
  UNIQUE(parent, uname));
CREATE TABLE IF NOT EXISTS reg_values(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  uname TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, uname));
CREATE TABLE IF NOT EXISTS services(
  name TEXT PRIMARY KEY COLLATE NOCASE,
  display_name TEXT NOT NULL DEFAULT '',
  image_path TEXT NOT NULL DEFAULT '',
  state INTEGER NOT NULL DEFAULT 1,
  stop_ms INTEGER NOT NULL DEFAULT 0,
  delete_pending INTEGER NOT NULL DEFAULT 0,
  pid INTEGER NOT NULL DEFAULT 0,
  pid_start INTEGER NOT NULL DEFAULT -1,
  stop_requested_ms INTEGER NOT NULL DEFAULT 0,
  checkpoint INTEGER NOT NULL DEFAULT 0,
  start_ms INTEGER NOT NULL DEFAULT 0,
  start_requested_ms INTEGER NOT NULL DEFAULT 0,
  accepts_stop INTEGER NOT NULL DEFAULT 1,
  dependencies TEXT NOT NULL DEFAULT '',
  exit_code INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS service_handles(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL COLLATE NOCASE,
  pid INTEGER NOT NULL,
  pid_start INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS service_events(
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  name TEXT NOT NULL COLLATE NOCASE,
  event TEXT NOT NULL,
  at_ms INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS users(
  name TEXT PRIMARY KEY COLLATE NOCASE,
  sid TEXT NOT NULL UNIQUE,
  admin INTEGER NOT NULL DEFAULT 0,
  split_token INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS sessions(
  id INTEGER PRIMARY KEY,
  station TEXT NOT NULL,
  state INTEGER NOT NULL,
  user TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS firewall_apps(
  upath TEXT PRIMARY KEY,
  path TEXT NOT NULL,
  name TEXT NOT NULL,
  enabled INTEGER NOT NULL DEFAULT 1);
CREATE TABLE IF NOT EXISTS routes(
  host TEXT PRIMARY KEY COLLATE NOCASE,
  address TEXT NOT NULL);
)sql";

}  // namespace

std::unique_ptr<SimDb> SimDb::Open(const std::string& path, bool create, std::string* error) {
  sqlite3* raw = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &raw, flags, nullptr) != SQLITE_OK) {
    if (error) *error = raw ? sqlite3_errmsg(raw) : "cannot open database";
    sqlite3_close(raw);
    return nullptr;
  }
  std::unique_ptr<SimDb> db(new SimDb(raw));
  sqlite3_busy_timeout(raw, 30000);
  sqlite3_extended_result_codes(raw, 1);
  if (!db->Exec("PRAGMA journal_mode=WAL") || !db->Exec("PRAGMA synchronous=NORMAL") ||
      !db->EnsureSchema()) {
    if (error) *error = db->LastError();
    return nullptr;
  }
  return db;
}

SimDb::~SimDb() {
  for (auto& [sql, statements] : cache_)
    for (sqlite3_stmt* stmt : statements) sqlite3_finalize(stmt);
  sqlite3_close_v2(db_);
}

namespace {
// Bounds of the kept statements: texts made at run time (a column list, say)
// must not make the cache grow without end.
constexpr size_t kMaxCachedTexts = 512;
constexpr size_t kMaxFreePerText = 4;
}  // namespace

sqlite3_stmt* SimDb::Acquire(const char* sql) {
  {
    std::lock_guard<std::mutex> guard(cache_mutex_);
    auto found = cache_.find(sql);
    if (found != cache_.end() && !found->second.empty()) {
      sqlite3_stmt* stmt = found->second.back();
      found->second.pop_back();
      return stmt;
    }
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  return stmt;
}

void SimDb::Release(sqlite3_stmt* stmt) {
  if (!stmt) return;
  // The text the statement was compiled from is the key it was found by.
  const char* sql = sqlite3_sql(stmt);
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  {
    std::lock_guard<std::mutex> guard(cache_mutex_);
    auto found = sql ? cache_.find(sql) : cache_.end();
    if (sql && found == cache_.end() && cache_.size() < kMaxCachedTexts)
      found = cache_.emplace(sql, std::vector<sqlite3_stmt*>()).first;
    if (found != cache_.end() && found->second.size() < kMaxFreePerText) {
      found->second.push_back(stmt);
      return;
    }
  }
  sqlite3_finalize(stmt);
}

bool SimDb::Exec(const char* sql) {
  std::lock_guard<std::recursive_mutex> guard(mutex_);
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string SimDb::LastError() const { return sqlite3_errmsg(db_); }

int64_t SimDb::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int SimDb::Changes() const { return sqlite3_changes(db_); }

bool SimDb::EnsureSchema() {
  SimTransaction tx(*this);
  return tx.Ok() && Exec(kSchema) && tx.Commit();
}

SimStatement::SimStatement(SimDb& db, const char* sql) : owner_(db) {
  stmt_ = db.Acquire(sql);
  if (!stmt_) failed_ = true;
}

SimStatement::~SimStatement() { owner_.Release(stmt_); }

SimStatement& SimStatement::Bind(int index, int64_t value) {
  if (stmt_) sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

SimStatement& SimStatement::Bind(int index, const std::string& text) {
  if (stmt_) sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
  return *this;
}

SimStatement& SimStatement::BindBlob(int index, const void* data, size_t size) {
  if (stmt_) {
    static const char kEmpty = 0;
    sqlite3_bind_blob(stmt_, index, size ? data : &kEmpty, static_cast<int>(size),
                      SQLITE_TRANSIENT);
  }
  return *this;
}

SimStatement& SimStatement::BindNull(int index) {
  if (stmt_) sqlite3_bind_null(stmt_, index);
  return *this;
}

bool SimStatement::Step() {
  if (!stmt_) return false;
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) failed_ = true;
  return false;
}

void SimStatement::Reset() {
  if (stmt_) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
}

int64_t SimStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string SimStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return text ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
}

std::string SimStatement::Blob(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return data ? std::string(static_cast<const char*>(data), size) : std::string();
}

bool SimStatement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

SimTransaction::SimTransaction(SimDb& db) : db_(db), guard_(db.Lock()) {
  ok_ = sqlite3_exec(db_.Raw(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
}

SimTransaction::~SimTransaction() {
  if (ok_ && !done_) sqlite3_exec(db_.Raw(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SimTransaction::Commit() {
  if (!ok_ || done_) return false;
  done_ = sqlite3_exec(db_.Raw(), "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  return done_;
}
