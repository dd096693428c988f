// The language class "Date": an object that holds one DateImp, made valid (the current local
// time) by its initializer. Its fields, texts, TotalSeconds (seconds since 1904-01-01), SQL
// forms and GMT offset are properties; "Operator_Compare" orders Dates by TotalSeconds.
//
// Every export does nothing, answering 0 or the empty string, for a nil Date. What a Date
// cannot hold (a TotalSeconds that is NaN, infinite or outside day numbers 1 to 2^31-1, a
// field that takes the year outside 32 bits, SQL text of the wrong shape) raises
// UnsupportedFormatException and leaves the Date as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "values/DateImp.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct DateObject {
  RuntimeObject header;
  DateImp* imp;  // nil until the initializer runs
};
static_assert(sizeof(DateObject) == 28 && offsetof(DateObject, imp) == 24, "Date layout");

ObjectDefinition* DateClassDefinition();

// For other subsystems. A Date that cannot be made is a failed check ("rv") and nil.
RuntimeObject* NewDateObject();  // the current local time, one reference for the caller
// Year, month and day are set only when all three are non-zero; then hour, minute and second.
// Nil after raising when the fields make no Date.
RuntimeObject* DateNewFromFields(int32_t year, int32_t month, int32_t day, int32_t hour,
                                 int32_t minute, int32_t second);
// Nil after raising when the text is no SQLDateTime.
RuntimeObject* DateNewFromSQLDateTime(const string& text);
string DateGetSQLDateTime(RuntimeObject* date);
double CurrentTotalSeconds();

// The setters' work without raising: false, with the Date unchanged, where the setter raises.
bool DateSetTotalSeconds(RuntimeObject* date, double seconds);
bool DateSetSQLDateTime(RuntimeObject* date, const string& text);

extern "C" {
void AutoInitDate(RuntimeObject* date);
void DateFinalizer(RuntimeObject* date);
int32_t dateFieldGetter(RuntimeObject* date, int32_t index);
void dateFieldSetter(RuntimeObject* date, int32_t index, int32_t value);
stringStorage* dateStringGetter(RuntimeObject* date, int32_t kind);
double dateTotalSecondsGetter(RuntimeObject* date);
void dateTotalSecondsSetter(RuntimeObject* date, int32_t unused, double seconds);
double dateGMTOffsetGetter(RuntimeObject* date);
void dateGMTOffsetSetter(RuntimeObject* date, int32_t unused, double hours);
stringStorage* dateSQLDateGetter(RuntimeObject* date);
void dateSQLDateSetter(RuntimeObject* date, int32_t unused, stringStorage* text);
stringStorage* dateSQLDateTimeGetter(RuntimeObject* date);
void dateSQLDateTimeSetter(RuntimeObject* date, int32_t unused, stringStorage* text);
// A new Date parsed from text into *out (the Date there released); false, *out unchanged, when
// no date format matches.
int32_t parseDate(stringStorage* text, RuntimeObject** out);
// Nil orders before any Date; Dates by TotalSeconds: -1, 0 or 1.
int32_t DateCompare(RuntimeObject* a, RuntimeObject* b);
}
