// Helpers of the built-in engine's tests: a database file in a fresh folder, opened through
// newQUORDatabase and openQUORDatabase as compiled code opens it, statements and queries run
// through the SQL front end, and results read back as text, one line a row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DatabaseTestSupport.h"
#include "EngineTestSupport.h"
#include "database/ColumnValues.h"

namespace dbtest {

// A value as a result line shows it: NULL, integers and whole numbers in decimal, other
// numbers with 12 significant digits, dates and times zero-padded, Booleans 1 and 0, text as
// it is.
std::string FormatValue(const ColumnValue& value);
// The current row, columns joined by "|"; "EOF" when there is none.
std::string ReadRow(RuntimeObject* recordSet);
// Every row of the RecordSet from the current one on, columns joined by "|".
std::vector<std::string> ReadRows(RuntimeObject* recordSet);
// The StringValue of the named field of the RecordSet's current row; "<none>" without the field.
std::string FieldText(RuntimeObject* recordSet, const char* name);

class BuiltInDb {
 public:
  BuiltInDb();  // a new database file
  explicit BuiltInDb(std::string path);  // a new database file at path
  ~BuiltInDb();

  RuntimeObject* db() const { return mDb.get(); }
  DatabaseObject* database() const { return AsDatabase(mDb.get()); }
  const std::string& path() const { return mPath; }

  // Closes the database (committing what is open) and opens the file again.
  void Reopen();
  void Close();
  // Runs a statement; the error code after it.
  int32_t Exec(const std::string& sql);
  int32_t ErrorCode() const;
  std::string ErrorMessage() const;
  // The rows of a query; *error gets the code (the rows are empty when it failed).
  std::vector<std::string> Query(const std::string& sql, int32_t* error = nullptr);
  // The storage checker's verdict on the file ("" when sound); the database is closed for it
  // and opened again.
  std::string Check();

 private:
  void Create();

  TempFolder mFolder;
  std::string mPath;
  Held mDb;
};

}  // namespace dbtest
