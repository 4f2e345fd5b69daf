// The machine database (machine.db): one SQLite connection per process,
// shared by its threads, every change in a transaction.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class SimDb {
 public:
  // Opens (and, with create, creates) the database and makes sure every table exists.
  static std::unique_ptr<SimDb> Open(const std::string& path, bool create, std::string* error);
  ~SimDb();
  SimDb(const SimDb&) = delete;
  SimDb& operator=(const SimDb&) = delete;

  sqlite3* Raw() { return db_; }
  // Held for the length of one layer call; recursive so that helpers nest.
  std::recursive_mutex& Lock() { return mutex_; }
  bool Exec(const char* sql);
  std::string LastError() const;
  int64_t LastInsertId() const;
  int Changes() const;

  // Prepared statements are kept for reuse: every layer call runs a few
  // statements, and compiling them again each time cost more than running
  // them. Acquire gives a ready statement for sql (a kept one when one is
  // free), Release resets it and keeps it for the next caller.
  sqlite3_stmt* Acquire(const char* sql);
  void Release(sqlite3_stmt* stmt);

 private:
  explicit SimDb(sqlite3* db) : db_(db) {}
  bool EnsureSchema();

  sqlite3* db_;
  std::recursive_mutex mutex_;
  std::mutex cache_mutex_;
  // Free statements by their text; a statement in use is not in here.
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> cache_;
};

class SimStatement {
 public:
  SimStatement(SimDb& db, const char* sql);
  ~SimStatement();
  SimStatement(const SimStatement&) = delete;
  SimStatement& operator=(const SimStatement&) = delete;

  bool Ok() const { return stmt_ != nullptr; }
  SimStatement& Bind(int index, int64_t value);
  SimStatement& Bind(int index, const std::string& text);
  SimStatement& BindBlob(int index, const void* data, size_t size);
  SimStatement& BindNull(int index);
  // True while a row is available; false when done or on error (see Failed()).
  bool Step();
  bool Failed() const { return failed_; }
  void Reset();

  int64_t Int(int column) const;
  std::string Text(int column) const;
  std::string Blob(int column) const;
  bool IsNull(int column) const;

 private:
  SimDb& owner_;
  sqlite3_stmt* stmt_ = nullptr;
  bool failed_ = false;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back unless Commit() succeeded.
class SimTransaction {
 public:
  explicit SimTransaction(SimDb& db);
  ~SimTransaction();
  bool Ok() const { return ok_; }
  bool Commit();

 private:
  SimDb& db_;
  std::lock_guard<std::recursive_mutex> guard_;
  bool ok_ = false;
  bool done_ = false;
};
