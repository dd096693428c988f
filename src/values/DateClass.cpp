#include "values/DateClass.h"

#include <new>

#include "core/ByteUtilities.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "values/DateImpUnix.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/FormatPicture.h"
#include "strings/StringFields.h"

namespace {

DateImp* ImpOf(RuntimeObject* date) {
  return date ? reinterpret_cast<DateObject*>(date)->imp : nullptr;
}

void RaiseUnsupportedFormat() { RaiseNewException(UnsupportedFormatExceptionDefinition()); }

string Digits(int32_t value, const char* picture) { return FormatNumber(value, picture); }

string SQLDateText(DateImp* imp) {
  return Digits(imp->GetField(kDateYear), "0000") + "-" +
         Digits(imp->GetField(kDateMonth), "00") + "-" + Digits(imp->GetField(kDateDay), "00");
}

string SQLDateTimeText(DateImp* imp) {
  return SQLDateText(imp) + " " + Digits(imp->GetField(kDateHour), "00") + ":" +
         Digits(imp->GetField(kDateMinute), "00") + ":" +
         Digits(imp->GetField(kDateSecond), "00");
}

// Three fields of text cut at separator, read as integers into values (the third from at most
// its first limit bytes); false when the text has not exactly three fields.
bool ReadThreeFields(const string& text, const char* separator, int32_t limit,
                     DateFieldValue* values, DateFieldIndex first) {
  if (StringCountFieldsCore(text, separator, true) != 3) return false;
  for (int32_t i = 0; i < 3; ++i) {
    const string field = StringNthFieldCore(text, separator, i + 1, true);
    const int32_t length = i == 2 && limit < field.Length() ? limit : field.Length();
    values[i] = {first + i, uatol(field.CString(), length)};
  }
  return true;
}

bool SetSQLDate(DateImp* imp, const string& text) {
  DateFieldValue values[3];
  if (!ReadThreeFields(text, "-", 2, values, kDateYear)) return false;
  return imp->SetFields(values, 3);
}

// "yyyy-mm-dd" and, after a space, "hh:mm:ss"; no time part means midnight.
bool SetSQLDateTime(DateImp* imp, const string& text) {
  DateFieldValue values[6] = {{kDateHour, 0}, {kDateMinute, 0}, {kDateSecond, 0},
                              {kDateHour, 0}, {kDateMinute, 0}, {kDateSecond, 0}};
  const string datePart = StringNthFieldCore(text, " ", 1, true);
  const string timePart = StringNthFieldCore(text, " ", 2, true);
  if (!ReadThreeFields(datePart, "-", INT32_MAX, values, kDateYear)) return false;
  if (!timePart.IsEmpty() && !ReadThreeFields(timePart, ":", INT32_MAX, values + 3, kDateHour)) {
    return false;
  }
  return imp->SetFields(values, 6);
}

}  // namespace

// --- The class ---------------------------------------------------------------------------------

extern "C" {

void AutoInitDate(RuntimeObject* date) {
  if (!date) return;
  auto* object = reinterpret_cast<DateObject*>(date);
  if (!object->imp) object->imp = new (std::nothrow) DateImpUnix;
  if (!QV_CHECK_TEXT(object->imp, "mImp", nullptr)) return;
  object->imp->EnsureValid();
}
QV_EXPORT(AutoInitDate)

void DateFinalizer(RuntimeObject* date) {
  if (!date) return;
  auto* object = reinterpret_cast<DateObject*>(date);
  delete object->imp;
  object->imp = nullptr;
}
QV_EXPORT(DateFinalizer)

int32_t dateFieldGetter(RuntimeObject* date, int32_t index) {
  DateImp* imp = ImpOf(date);
  return imp ? imp->GetField(index) : 0;
}
QV_EXPORT(dateFieldGetter)

void dateFieldSetter(RuntimeObject* date, int32_t index, int32_t value) {
  DateImp* imp = ImpOf(date);
  if (!imp) return;
  const bool indexKnown = index >= kDateYear && index <= kDateDayOfYear;
  if (!imp->SetField(index, value) && indexKnown) RaiseUnsupportedFormat();
}
QV_EXPORT(dateFieldSetter)

stringStorage* dateStringGetter(RuntimeObject* date, int32_t kind) {
  DateImp* imp = ImpOf(date);
  return imp ? imp->Text(kind).ExtractStringStorage() : nullptr;
}
QV_EXPORT(dateStringGetter)

double dateTotalSecondsGetter(RuntimeObject* date) {
  DateImp* imp = ImpOf(date);
  return imp ? imp->TotalSeconds() : 0;
}
QV_EXPORT(dateTotalSecondsGetter)

void dateTotalSecondsSetter(RuntimeObject* date, int32_t, double seconds) {
  if (ImpOf(date) && !DateSetTotalSeconds(date, seconds)) RaiseUnsupportedFormat();
}
QV_EXPORT(dateTotalSecondsSetter)

double dateGMTOffsetGetter(RuntimeObject* date) {
  DateImp* imp = ImpOf(date);
  return imp ? imp->GMTOffset() : 0;
}
QV_EXPORT(dateGMTOffsetGetter)

// The moment stays; the date and time move to the new offset.
void dateGMTOffsetSetter(RuntimeObject* date, int32_t, double hours) {
  DateImp* imp = ImpOf(date);
  if (!imp) return;
  if (!imp->SetTotalSeconds(imp->TotalSeconds() + (hours - imp->GMTOffset()) * 3600)) {
    RaiseUnsupportedFormat();
    return;
  }
  imp->SetGMTOffset(hours);
}
QV_EXPORT(dateGMTOffsetSetter)

stringStorage* dateSQLDateGetter(RuntimeObject* date) {
  DateImp* imp = ImpOf(date);
  return imp ? SQLDateText(imp).ExtractStringStorage() : nullptr;
}
QV_EXPORT(dateSQLDateGetter)

void dateSQLDateSetter(RuntimeObject* date, int32_t, stringStorage* text) {
  DateImp* imp = ImpOf(date);
  if (imp && !SetSQLDate(imp, string(text))) RaiseUnsupportedFormat();
}
QV_EXPORT(dateSQLDateSetter)

stringStorage* dateSQLDateTimeGetter(RuntimeObject* date) {
  DateImp* imp = ImpOf(date);
  return imp ? SQLDateTimeText(imp).ExtractStringStorage() : nullptr;
}
QV_EXPORT(dateSQLDateTimeGetter)

void dateSQLDateTimeSetter(RuntimeObject* date, int32_t, stringStorage* text) {
  if (ImpOf(date) && !DateSetSQLDateTime(date, string(text))) RaiseUnsupportedFormat();
}
QV_EXPORT(dateSQLDateTimeSetter)

int32_t parseDate(stringStorage* text, RuntimeObject** out) {
  if (!QV_CHECK_TEXT(out, "out", nullptr)) return 0;
  RuntimeObject* date = NewDateObject();
  if (!date) return 0;
  if (!ImpOf(date)->Parse(string(text))) {
    RuntimeUnlockObject(date);
    return 0;
  }
  RuntimeObject* previous = *out;
  *out = date;
  RuntimeUnlockObject(previous);
  return 1;
}
QV_EXPORT(parseDate)

int32_t DateCompare(RuntimeObject* a, RuntimeObject* b) {
  if (!a || !b) return (a != nullptr) - (b != nullptr);
  const double x = dateTotalSecondsGetter(a), y = dateTotalSecondsGetter(b);
  return (x > y) - (x < y);
}
QV_EXPORT(DateCompare)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kDateProperties[] = {
    QV_PROPERTY("Year", Integer, dateFieldGetter, dateFieldSetter, kDateYear),
    QV_PROPERTY("Month", Integer, dateFieldGetter, dateFieldSetter, kDateMonth),
    QV_PROPERTY("Day", Integer, dateFieldGetter, dateFieldSetter, kDateDay),
    QV_PROPERTY("Hour", Integer, dateFieldGetter, dateFieldSetter, kDateHour),
    QV_PROPERTY("Minute", Integer, dateFieldGetter, dateFieldSetter, kDateMinute),
    QV_PROPERTY("Second", Integer, dateFieldGetter, dateFieldSetter, kDateSecond),
    QV_READONLY("DayOfWeek", Integer, dateFieldGetter, kDateDayOfWeek),
    QV_READONLY("DayOfYear", Integer, dateFieldGetter, kDateDayOfYear),
    QV_READONLY("WeekOfYear", Integer, dateFieldGetter, kDateWeekOfYear),
    QV_READONLY("ShortDate", String, dateStringGetter, kDateShortDate),
    QV_READONLY("LongDate", String, dateStringGetter, kDateLongDate),
    QV_READONLY("AbbreviatedDate", String, dateStringGetter, kDateAbbreviatedDate),
    QV_READONLY("ShortTime", String, dateStringGetter, kDateShortTime),
    QV_READONLY("LongTime", String, dateStringGetter, kDateLongTime),
    QV_PROPERTY("TotalSeconds", Double, dateTotalSecondsGetter, dateTotalSecondsSetter),
    QV_PROPERTY("SQLDate", String, dateSQLDateGetter, dateSQLDateSetter),
    QV_PROPERTY("SQLDateTime", String, dateSQLDateTimeGetter, dateSQLDateTimeSetter),
    QV_PROPERTY("GMTOffset", Double, dateGMTOffsetGetter, dateGMTOffsetSetter),
};
const MethodRow kDateMethods[] = {
    QV_FUNCTION("Operator_Compare", Integer, DateCompare, Param(Class<"Date">)),
};

}  // namespace

QV_CLASS(DateClassDefinition,
         .name = "Date",
         .objectSize = sizeof(DateObject),
         .properties = kDateProperties,
         .methods = kDateMethods,
         .initializer = QV_CODE(AutoInitDate),
         .finalizer = QV_CODE(DateFinalizer))
QV_STARTUP_CLASS(kStartupDateClass, DateClassDefinition)

// --- For other subsystems ----------------------------------------------------------------------

RuntimeObject* NewDateObject() {
  RuntimeObject* date = NewObjectFromDefinition(DateClassDefinition());
  if (!QV_CHECK_TEXT(date && ImpOf(date), "rv", nullptr)) {
    RuntimeUnlockObject(date);
    return nullptr;
  }
  return date;
}

RuntimeObject* DateNewFromFields(int32_t year, int32_t month, int32_t day, int32_t hour,
                                 int32_t minute, int32_t second) {
  RuntimeObject* date = NewDateObject();
  if (!date) return nullptr;
  const bool withDate = year != 0 && month != 0 && day != 0;
  const DateFieldValue values[] = {{kDateYear, year}, {kDateMonth, month},   {kDateDay, day},
                                   {kDateHour, hour}, {kDateMinute, minute}, {kDateSecond, second}};
  if (!ImpOf(date)->SetFields(withDate ? values : values + 3, withDate ? 6 : 3)) {
    RuntimeUnlockObject(date);
    RaiseUnsupportedFormat();
    return nullptr;
  }
  return date;
}

RuntimeObject* DateNewFromSQLDateTime(const string& text) {
  RuntimeObject* date = NewDateObject();
  if (date && !DateSetSQLDateTime(date, text)) {
    RuntimeUnlockObject(date);
    RaiseUnsupportedFormat();
    return nullptr;
  }
  return date;
}

string DateGetSQLDateTime(RuntimeObject* date) {
  if (!QV_CHECK(date)) return string();
  return string::Adopt(dateSQLDateTimeGetter(date));
}

double CurrentTotalSeconds() {
  DateImpUnix now;
  now.EnsureValid();
  return now.TotalSeconds();
}

bool DateSetTotalSeconds(RuntimeObject* date, double seconds) {
  DateImp* imp = ImpOf(date);
  return imp && imp->SetTotalSeconds(seconds);
}

bool DateSetSQLDateTime(RuntimeObject* date, const string& text) {
  DateImp* imp = ImpOf(date);
  return imp && SetSQLDateTime(imp, text);
}
