#include "database/DatabaseStatements.h"

#include <vector>

#include "strings/StringReplace.h"

namespace {

bool IsPlainWordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsPlainWord(const string& name) {
  for (int32_t i = 0; i < name.Length(); ++i) {
    if (!IsPlainWordByte(name.Bytes()[i])) return false;
  }
  return !name.IsEmpty();
}

// A name that brackets can hold: not empty, no "]".
bool IsWritableName(const string& name) {
  for (int32_t i = 0; i < name.Length(); ++i) {
    if (name.Bytes()[i] == ']') return false;
  }
  return !name.IsEmpty();
}

string InsertName(const string& name) {
  return IsPlainWord(name) ? name : string("[") + name + string("]");
}

string Quoted(const string& value) {
  return string("'") + ReplaceText(value, string("'"), string("''"), true, true) + string("'");
}

bool IsBlank(const string& text) {
  for (int32_t i = 0; i < text.Length(); ++i) {
    const unsigned char c = text.Bytes()[i];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

bool SameBytes(const string& a, const string& b) {
  return CompareByteRuns(a.Bytes(), a.Length(), b.Bytes(), b.Length()) == 0;
}

struct UpdateGroup {
  string table;
  string assignments;
  string condition;
};

// The requests grouped by table and condition, the group made last first; false when a name
// cannot be written.
bool GroupUpdateRequests(const UpdateRequest* requests, std::vector<UpdateGroup>* groups) {
  for (const UpdateRequest* r = requests; r; r = r->next) {
    const string condition = string::FromBytes(r->condition, r->conditionLength, kEncodingUTF8);
    if (IsBlank(condition)) continue;
    const string name = string::FromBytes(r->name, r->nameLength, kEncodingUTF8);
    int32_t bang = 0;
    while (bang < name.Length() && name.Bytes()[bang] != '!') ++bang;
    const string table = left(name, bang);
    const string column = bang < name.Length() ? mid(name, bang + 1) : string();
    if (!IsWritableName(table) || !IsWritableName(column)) return false;
    const string value(r->value);
    const string assignment = string("[") + column + string("] = ") +
                              (r->value ? Quoted(value) : string("NULL"));
    UpdateGroup* group = nullptr;
    for (UpdateGroup& g : *groups) {
      if (g.table.Compare(table) == 0 && SameBytes(g.condition, condition)) group = &g;
    }
    if (group) {
      group->assignments += string(", ") + assignment;
    } else {
      groups->insert(groups->begin(), UpdateGroup{table, assignment, condition});
    }
  }
  return true;
}

}  // namespace

bool BuildInsertStatement(const string& table, const DatabaseRecordColumn* columns,
                          string* statement) {
  if (!IsWritableName(table)) return false;
  string names, values;
  for (const DatabaseRecordColumn* c = columns; c; c = c->next) {
    const string name(c->name);
    if (!IsWritableName(name)) return false;
    if (c != columns) {
      names += ",";
      values += ",";
    }
    names += InsertName(name);
    values += Quoted(string(c->value));
  }
  *statement = string("insert into ") + InsertName(table) + string("(") + names +
               string(") values (") + values + string(")");
  return true;
}

void RunUpdateRequests(DatabaseObject* db, UpdateRequest* requests) {
  if (!requests || !MakeDatabaseReady(db)) return;
  if (db->engine->dbUpdateRows) {
    CallEntry(db->engine->dbUpdateRows, db->engineHandle, requests);
    return;
  }
  std::vector<UpdateGroup> groups;
  if (!GroupUpdateRequests(requests, &groups)) {
    SetDatabaseError(db, kInvalidNameError, kInvalidNameMessage);
    return;
  }
  for (const UpdateGroup& g : groups) {
    const string statement = string("UPDATE [") + g.table + string("] SET ") + g.assignments +
                             string(" WHERE ") + g.condition;
    databaseSQLExecute(&db->header, statement.Storage());
  }
}

void FreeUpdateRequests(UpdateRequest* requests) {
  while (UpdateRequest* r = requests) {
    requests = r->next;
    delete[] r->name;
    delete[] r->condition;
    stringStorage::RemoveReference(r->value);
    delete r;
  }
}
