// The navigator's records: the cursor on display, counting, navigation, and the edits written
// back as updates, inserts and deletes. Every step that calls into compiled code (an event,
// a bound control's setter) checks afterwards that the pane is still open and reads the
// cursor afresh.
#include <cstdlib>

#include "controls/DataControl.h"
#include "database/DatabaseClasses.h"

namespace {

string Text(stringStorage* adopted) { return string::Adopt(adopted); }

const QUORdbCursorDefinition* EngineCursor(RuntimeObject* cursor) {
  DatabaseCursorObject* rs = AsRecordSet(cursor);
  return rs && IsCursorOpen(rs) ? rs->cursor : nullptr;
}

bool AtEnd(RuntimeObject* cursor) { return cursorEOFGetter(cursor) != 0; }

// The column text the bound controls show: labelled with the control's Encoding when the
// engine gave none; nil when the column does not exist.
bool ColumnText(RuntimeObject* cursor, const string& name, TextEncodingObject* encoding,
                string* text) {
  if (!cursor || name.IsEmpty()) return false;
  RuntimeObject* field = cursorGetFieldByName(cursor, name.Storage());
  if (!field) return false;
  *text = Text(cursorFieldStringValueGetter(field, 0));
  RuntimeUnlockObject(field);
  if (!text->IsEmpty() && text->Encoding() == kEncodingNone) {
    const TextEncoding code = GetEncodingFromTEObject(encoding);
    text->SetEncoding(code == kEncodingNone ? kEncodingUTF8 : code);
  }
  return true;
}

string InEncoding(const string& value, TextEncodingObject* encoding) {
  if (!encoding || value.IsEmpty()) return value;
  return Text(StringConvertEncoding(value.Storage(), encoding));
}

}  // namespace

// ---- Hold ----

DataControl::Hold::Hold(DataControl* pane) : mPane(pane), mObject(pane->mObject) {
  RuntimeLockObject(mObject);
  mChained = pane->RetainChain();
}

DataControl::Hold::~Hold() {
  if (mChained) mPane->ReleaseChain();
  RuntimeUnlockObject(mObject);  // may end the object, which closes the pane first
}

// A window closed by a handler lets go of its panes only when the last hold on them ends, so
// a closing owner anywhere up the chain ends the operation as surely as a closed pane.
bool DataControl::Hold::Open() const {
  if (!mChained || DataControlPaneOf(mObject) != mPane) return false;
  for (SubPane* pane = mPane; pane; pane = pane->GetOwner())
    if (pane->IsClosing()) return false;
  return true;
}

// ---- the query ----

bool DataControl::HasQuery() const {
  const DataControlObject* record = Record();
  return record->database && !string(record->tableName).IsEmpty() &&
         !string(record->sqlQuery).IsEmpty();
}

RuntimeObject* DataControl::Select() {
  if (!HasQuery()) return nullptr;
  return databaseSQLSelect(Record()->database, Record()->sqlQuery);
}

void DataControl::LoadFieldNames() {
  mFieldNames.clear();
  mFieldNamesLoaded = false;
  if (!HasQuery()) return;
  RuntimeObject* schema = databaseFieldSchema(Record()->database, Record()->tableName);
  if (schema) {
    for (; !AtEnd(schema); cursorMoveNext(schema)) {
      RuntimeObject* field = cursorGetFieldByIndex(schema, 1);
      if (!field) break;
      mFieldNames.push_back(Text(cursorFieldStringValueGetter(field, 0)));
      RuntimeUnlockObject(field);
    }
    cursorClose(schema);
    RuntimeUnlockObject(schema);
  }
  mFieldNamesLoaded = true;
}

const std::vector<string>& DataControl::FieldNames() {
  if (!mFieldNamesLoaded) LoadFieldNames();
  return mFieldNames;
}

void DataControl::PutInEditMode() {
  if (mCursor && !ReadOnly()) cursorEdit(mCursor);
}

void DataControl::FinishCursor() {
  RuntimeObject* cursor = mCursor;
  if (!cursor) return;
  mCursor = nullptr;
  if (!ReadOnly()) cursorUpdate(cursor);
  cursorClose(cursor);
  RuntimeUnlockObject(cursor);
}

void DataControl::Reset() {
  mRow = 0;
  mRecordCount = 0;
  FinishCursor();
  mCursor = Select();
  PutInEditMode();
}

void DataControl::StepForward(int32_t steps) {
  for (int32_t i = 0; i < steps && mCursor && !AtEnd(mCursor); ++i) cursorMoveNext(mCursor);
}

// The cursor on display stays where it is: the rows are counted on the query run again.
int32_t DataControl::CountOnSecondCursor() {
  RuntimeObject* counter = Select();
  if (!counter) return 0;
  int32_t count = 0;
  for (; !AtEnd(counter) && count < INT32_MAX; cursorMoveNext(counter)) ++count;
  cursorClose(counter);
  RuntimeUnlockObject(counter);
  return count;
}

int32_t DataControl::RecordCount() {
  if (!mCursor) return 0;
  if (mRecordCount > 0) return mRecordCount;
  const QUORdbCursorDefinition* engine = EngineCursor(mCursor);
  if (engine && engine->curRowCount) {
    const int32_t count = RecordSetRecordCount(mCursor);
    if (count > 0) return mRecordCount = count;
    if (count == 0) return 0;
  }
  mRecordCount = CountOnSecondCursor();
  return mRecordCount;
}

// ---- navigation ----

void DataControl::MoveFirst() {
  if (!mCursor || mRow < 1) return;
  Hold hold(this);
  Update();
  if (!hold.Open() || !mCursor) return;
  const QUORdbCursorDefinition* engine = EngineCursor(mCursor);
  if (engine && engine->curFirstRow) {
    CursorMoveFirst(mCursor);
    mRow = 0;
  } else {
    const int32_t count = mRecordCount;
    Reset();
    mRecordCount = count;
  }
  StateUpdate(0);
}

void DataControl::MovePrevious() {
  if (!mCursor || mRow < 1) return;
  Hold hold(this);
  Update();
  if (!hold.Open() || !mCursor) return;
  const int32_t row = mRow - 1;
  const QUORdbCursorDefinition* engine = EngineCursor(mCursor);
  if (engine && engine->curPreviousRow) {
    CursorMovePrev(mCursor);
  } else {
    const int32_t count = mRecordCount;
    Reset();
    mRecordCount = count;
    StepForward(row);
  }
  mRow = row;
  StateUpdate(row);
}

void DataControl::MoveNext() {
  if (!mCursor) return;
  Hold hold(this);
  Update();
  if (!hold.Open() || !mCursor) return;
  const int32_t count = RecordCount();
  if (mRow >= count - 1) return;
  ++mRow;
  cursorMoveNext(mCursor);
  StateUpdate(mRow);
}

void DataControl::MoveLast() {
  if (!mCursor) return;
  const int32_t count = RecordCount();
  if (mRow >= count - 1) return;
  Hold hold(this);
  Update();
  if (!hold.Open() || !mCursor) return;
  const QUORdbCursorDefinition* engine = EngineCursor(mCursor);
  if (engine && engine->curLastRow) {
    CursorMoveLast(mCursor);
  } else {
    StepForward(count - 1 - mRow);
  }
  mRow = count - 1;
  StateUpdate(mRow);
}

// Row counted from 1, past the end the last row: Row then answers what the controls show.
void DataControl::MoveTo(int32_t row) {
  if (!mCursor || row < 1) return;
  const int32_t count = RecordCount();
  if (count < 1) return;
  const int32_t target = row - 1 < count ? row - 1 : count - 1;
  if (target == mRow) return;
  Hold hold(this);
  Update();
  if (!hold.Open() || !mCursor) return;
  Reset();
  mRecordCount = count;
  int32_t steps = 0;
  for (; steps < target && mCursor && !AtEnd(mCursor); ++steps) cursorMoveNext(mCursor);
  mRow = steps;
  StateUpdate(mRow);
}

void DataControl::RunQuery() {
  Hold hold(this);
  LoadFieldNames();
  Reset();
  ReloadBoundControls();
  if (!hold.Open()) return;
  InitButtons();
  StateUpdate(0);
}

void DataControl::InitButtons() {
  SetButtonGroups(false, mCursor && RecordCount() >= 2);
}

void DataControl::StateUpdate(int32_t row) {
  if (!mCursor) return;
  PutInEditMode();
  const int32_t count = RecordCount();
  if (row == 0) {
    SetButtonGroups(false, count >= 2);
  } else if (row >= count - 1) {
    SetButtonGroups(true, false);
  } else {
    SetButtonGroups(true, true);
  }
  Hold hold(this);
  ReloadBoundControls();
  if (!hold.Open()) return;
  if (mDelegate) mDelegate->Reposition(row + 1);
}

// ---- bound controls ----

void DataControl::ReloadBoundControls() {
  Hold hold(this);
  mShown.clear();
  std::vector<BoundControl> snapshot = SnapshotBindings(mObject);
  const bool locked = ReadOnly() || RecordLocked();
  for (const BoundControl& bound : snapshot) {
    if (!hold.Open()) break;
    string text;
    if (ColumnText(mCursor, BoundDataField(bound), Record()->encoding, &text))
      mShown.push_back({bound.control, bound.kind, text});
    LoadBoundControl(bound, text, locked);
  }
  ReleaseSnapshot(snapshot);
}

void DataControl::ClearBoundControls() {
  Hold hold(this);
  mShown.clear();
  std::vector<BoundControl> snapshot = SnapshotBindings(mObject);
  for (const BoundControl& bound : snapshot) {
    if (!hold.Open()) break;
    ClearBoundControl(bound);
  }
  ReleaseSnapshot(snapshot);
}

bool DataControl::RecordLocked() {
  if (!mCursor || mRecordCount < 1) return false;
  cursorEdit(mCursor);
  DatabaseObject* database = AsDatabase(Record()->database);
  return database && databaseErrorCodeGetter(Record()->database) != 0;
}

bool DataControl::HoldsEdit(const BoundControl& bound, const string& column) const {
  if (!BoundControlDiffers(bound, column)) return false;
  for (const ShownText& shown : mShown) {
    if (shown.control == bound.control && shown.kind == bound.kind)
      return BoundControlDiffers(bound, shown.text);
  }
  return true;  // bound since the last reload: the column is all there is to go by
}

bool DataControl::EditDiffers() {
  std::vector<BoundControl> snapshot = SnapshotBindings(mObject);
  bool differs = false;
  for (const BoundControl& bound : snapshot) {
    string column;
    if (!ColumnText(mCursor, BoundDataField(bound), Record()->encoding, &column)) continue;
    if (HoldsEdit(bound, column)) {
      differs = true;
      break;
    }
  }
  ReleaseSnapshot(snapshot);
  return differs;
}

// ---- edits ----

// Also the finishing of an edit before the cursor moves: nothing unless a control differs.
void DataControl::Update() {
  if (!mCursor || ReadOnly() || AtEnd(mCursor) || !EditDiffers()) return;
  Hold hold(this);
  if (mDelegate && mDelegate->Validate(kDataUpdate)) return;
  if (!hold.Open() || !mCursor) return;
  RuntimeObject* cursor = mCursor;
  RuntimeLockObject(cursor);
  RuntimeObject* database = Record()->database;
  RuntimeLockObject(database);
  cursorEdit(cursor);
  std::vector<BoundControl> snapshot = SnapshotBindings(mObject);
  for (const BoundControl& bound : snapshot) {
    const string name = BoundDataField(bound);
    string column;
    if (!ColumnText(cursor, name, Record()->encoding, &column)) continue;
    if (!HoldsEdit(bound, column)) continue;
    RuntimeObject* field = cursorGetFieldByName(cursor, name.Storage());
    if (!field) continue;
    const string value = InEncoding(BoundControlValue(bound), Record()->encoding);
    cursorFieldStringValueSetter(field, 0, value.Storage());
    RuntimeUnlockObject(field);
  }
  ReleaseSnapshot(snapshot);
  cursorUpdate(cursor);
  if (Record()->commit && database) databaseCommit(database);
  RuntimeUnlockObject(database);
  RuntimeUnlockObject(cursor);
  if (mDelegate && hold.Open()) mDelegate->Update();
}

void DataControl::Insert() {
  if (ReadOnly()) return;
  Hold hold(this);
  if (mDelegate && mDelegate->Validate(kDataInsert)) return;
  if (!hold.Open()) return;
  FinishCursor();
  mRecordCount = 0;
  RuntimeObject* record = NewDatabaseRecord();
  std::vector<BoundControl> snapshot = SnapshotBindings(mObject);
  for (const BoundControl& bound : snapshot) {
    const string name = BoundDataField(bound);
    if (name.IsEmpty()) continue;
    const string value = InEncoding(BoundControlValue(bound), Record()->encoding);
    setDatabaseRecordColumn(record, name.Storage(), value.Storage());
  }
  ReleaseSnapshot(snapshot);
  if (Record()->database) databaseInsertRecord(Record()->database, Record()->tableName, record);
  RuntimeUnlockObject(record);
  const bool handled = mDelegate && mDelegate->Insert();
  if (!hold.Open() || handled) return;
  ClearBoundControls();
}

// The query runs again, so that the row shown is one that exists: the one now at the deleted
// row's place, or the new last row.
void DataControl::Delete() {
  if (!mCursor || ReadOnly() || AtEnd(mCursor)) return;
  Hold hold(this);
  if (mDelegate && mDelegate->Validate(kDataDelete)) return;
  if (!hold.Open() || !mCursor) return;
  RuntimeObject* cursor = mCursor;
  mCursor = nullptr;
  cursorDeleteRecord(cursor);
  cursorClose(cursor);
  RuntimeUnlockObject(cursor);
  const int32_t row = mRow;
  Reset();
  const int32_t count = RecordCount();
  if (count < 1) {
    FinishCursor();
    mRow = 0;
    mRecordCount = 0;
    ClearBoundControls();
    if (!hold.Open()) return;
    SetButtonGroups(false, false);
  } else {
    const int32_t target = row < count ? row : count - 1;
    StepForward(target);
    mRow = target;
    StateUpdate(target);
  }
  if (mDelegate && hold.Open()) mDelegate->Delete();
}

void DataControl::NewRecord() {
  if (ReadOnly()) return;
  Hold hold(this);
  FinishCursor();
  mRecordCount = 0;
  mRow = 0;
  ClearBoundControls();
  if (!hold.Open()) return;
  SetButtonGroups(false, false);
  Refresh(true);
}
