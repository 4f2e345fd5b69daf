// The machine database (machine.db): one SQLite connection per process,
// shared by its threads, every change in a transaction.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

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

 private:
  explicit SimDb(sqlite3* db) : db_(db) {}
  bool EnsureSchema();

  sqlite3* db_;
  std::recursive_mutex mutex_;
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
  sqlite3* db_;
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
