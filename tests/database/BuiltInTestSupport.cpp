#include "BuiltInTestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "database/BuiltInEngine.h"
#include "database/SQLStatements.h"
#include "files/FolderItemClass.h"
#include "support/CLocaleText.h"

extern "C" {
RuntimeObject* newQUORDatabase(RuntimeObject* item);
RuntimeObject* openQUORDatabase(RuntimeObject* item);
}

namespace dbtest {

std::string FormatValue(const ColumnValue& v) {
  char b[64];
  if (!v.data || v.code == kColumnNull) return "NULL";
  double x = 0;
  auto field = [&](int i) { return int16_t(v.data[2 * i] << 8 | v.data[2 * i + 1]); };
  switch (v.code) {
    case kColumnInt16: { int16_t i; memcpy(&i, v.data, 2); return std::to_string(i); }
    case kColumnInt32: { int32_t i; memcpy(&i, v.data, 4); return std::to_string(i); }
    case kColumnSingle: { float f; memcpy(&f, v.data, 4); x = f; break; }
    case kColumnDouble: memcpy(&x, v.data, 8); break;
    case kColumnBoolean: return v.data[0] ? "1" : "0";
    case kColumnDate:
      snprintf(b, sizeof b, "%04d-%02d-%02d", field(0), field(1), field(2));
      return b;
    case kColumnTime:
      snprintf(b, sizeof b, "%02d:%02d:%02d", field(0), field(1), field(2));
      return b;
    default: return std::string(reinterpret_cast<const char*>(v.data), v.length);
  }
  if (x == std::floor(x) && std::fabs(x) < 1e15) return qvtest::CText("%.0f", x);
  return qvtest::CText("%.12g", x);
}

std::string ReadRow(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!rs || rs->eof || !IsCursorOpen(rs)) return "EOF";
  std::string line;
  const int32_t columns = cursorFieldCount(recordSet);
  for (int32_t i = 0; i < columns; ++i) {
    const void* data = nullptr;
    uint8_t type = 0;
    int32_t length = 0;
    CallEntry(rs->cursor->curColumnValue, rs->cursorHandle, i, &data, &type, &length);
    ColumnValue value{type, static_cast<const uint8_t*>(data), uint32_t(length)};
    line += (i ? "|" : "") + FormatValue(value);
    CallEntry(rs->cursor->curReleaseValue, rs->cursorHandle);
  }
  return line;
}

std::vector<std::string> ReadRows(RuntimeObject* recordSet) {
  std::vector<std::string> rows;
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  while (rs && !rs->eof && IsCursorOpen(rs)) {
    rows.push_back(ReadRow(recordSet));
    cursorMoveNext(recordSet);
  }
  return rows;
}

std::string FieldText(RuntimeObject* recordSet, const char* name) {
  Held field(cursorGetFieldByName(recordSet, S(name)));
  return field.get() ? Text(cursorFieldStringValueGetter(field, 0)) : "<none>";
}

BuiltInDb::BuiltInDb() : mPath(mFolder.Path("test.qdb")) { Create(); }

BuiltInDb::BuiltInDb(std::string path) : mPath(std::move(path)) { Create(); }

void BuiltInDb::Create() {
  InstallSQLFrontEnd();
  Held item(FolderItemFromPath(mPath.c_str()));
  mDb.reset(newQUORDatabase(item));
  EXPECT_NE(mDb.get(), nullptr) << "no database at " << mPath;
}

BuiltInDb::~BuiltInDb() { Close(); }

void BuiltInDb::Close() {
  if (mDb.get()) databaseClose(mDb.get());
  mDb.reset();
}

void BuiltInDb::Reopen() {
  Close();
  Held item(FolderItemFromPath(mPath.c_str()));
  mDb.reset(openQUORDatabase(item));
  EXPECT_NE(mDb.get(), nullptr) << "the database does not open again";
}

int32_t BuiltInDb::Exec(const std::string& sql) {
  databaseSQLExecute(mDb.get(), string(sql.c_str()).Storage());
  return ErrorCode();
}

int32_t BuiltInDb::ErrorCode() const { return databaseErrorCodeGetter(mDb.get()); }

std::string BuiltInDb::ErrorMessage() const {
  return Text(databaseErrorStringGetter(mDb.get()));
}

std::vector<std::string> BuiltInDb::Query(const std::string& sql, int32_t* error) {
  Held rs(databaseSQLSelect(mDb.get(), string(sql.c_str()).Storage()));
  if (error) *error = ErrorCode();
  std::vector<std::string> rows = ReadRows(rs.get());
  if (rs.get()) cursorClose(rs.get());
  return rows;
}

std::string BuiltInDb::Check() {
  Close();
  const std::string problem = CheckBuiltInFile(mPath);
  Reopen();
  return problem;
}

}  // namespace dbtest
