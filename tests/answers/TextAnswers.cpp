// The text and numbers areas: every row of TextAndNumberRows() called over inputs taken from
// tables by kind. A row's first text is the subject: it runs over the sample texts, and the
// row's positions, lengths and second texts are that text's boundaries and patterns. Other
// numbers come from the number tables, objects from the made objects below; a second and
// third varying input takes the first few entries of its table only, so that the lines grow
// with the inputs that matter for a call and not with their product.
//
// Areas, by what a row takes: "text" one text, "slices" a text and positions, "search" two
// texts and a position, "fields" two texts, "numbers" no text; "locales" runs the calls that
// read the locale in each locale but C (which the other areas run under).
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <optional>
#include <set>

#include "answers/Answers.h"
#include "answers/TextRows.h"
#include "answers/TextSamples.h"
#include "app/EndOfLineClass.h"
#include "app/ExternalClasses.h"
#include "arrays/ArrayElementAccess.h"
#include "arrays/RuntimeArray.h"
#include "core/RuntimeObject.h"
#include "strings/Encodings.h"
#include "strings/TextEncodingObjects.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "values/DateClass.h"
#include "values/VariantTypes.h"

namespace answers {

namespace {

enum class AreaKind { kText, kSlices, kSearch, kFields, kNumbers, kLocales };

// Results of the x87 transcendental instructions, written to 12 significant digits.
const std::set<std::string> kApproximate = {
    "RuntimeSin", "RuntimeCos",  "RuntimeTan",  "RuntimeExp",   "RuntimeLog",   "RuntimePow",
    "RuntimeACos", "RuntimeASin", "RuntimeATan", "RuntimeATan2", "VariantPower", "VariantPowerRight",
};

// Calls that read the locale (separators, month and weekday names, the time codeset), and
// those that parse or print numbers or map case, which must not. Comparisons and searches go
// by the framework's own case tables and are left to the C areas.
const std::set<std::string> kLocaleReaders = {
    "runCDbl", "StringFormat", "dateStringGetter", "parseDate", "dateSQLDateGetter",
    "dateSQLDateTimeGetter", "StringVal", "runCLong", "RuntimeTypeOfNumeric", "RuntimeIsNumeric",
    "StringStrDouble", "StringStrSingle", "StringStrVariant", "runCStr", "StringUCase",
    "StringLCase", "StringTitleCase", "VariantToDouble", "VariantToSingle", "VariantToString",
    "VariantToCurrency", "VariantToInt32", "StringObjectToDouble", "StringObjectToSingle",
    "StringObjectToInt32", "StringObjectToCurrency", "DoubleObjectToString",
    "SingleObjectToString", "CurrencyObjectToString",
};

// A parameter whose inputs come from a table of its own rather than from its type and the
// subject: a text that is no subject, an Integer that is a mode and no position.
enum class Role { kSubject, kPicture, kLineEnding, kMode };
struct RoleEntry {
  const char* exportName;
  size_t parameter;
  Role role;
};
constexpr RoleEntry kRoles[] = {
    {"StringFormat", 1, Role::kPicture},
    {"RuntimeReplaceLineEndings", 1, Role::kLineEnding},
    {"StringStrCompare", 2, Role::kMode},
};

Role RoleOf(const CallRow& row, size_t parameter) {
  for (const RoleEntry& entry : kRoles) {
    if (row.exportName == entry.exportName && parameter == entry.parameter) return entry.role;
  }
  return Role::kSubject;
}

size_t SubjectTexts(const CallRow& row) {
  size_t count = 0;
  for (size_t i = 0; i < row.parameters.size(); ++i) {
    if (IsText(row.parameters[i]) && RoleOf(row, i) == Role::kSubject) ++count;
  }
  return count;
}

bool TakesInteger(const CallRow& row) {
  for (Kind kind : row.parameters) {
    if (kind == Kind::kInt32) return true;
  }
  return false;
}

AreaKind AreaOf(const CallRow& row) {
  const size_t texts = SubjectTexts(row);
  if (texts == 0) return AreaKind::kNumbers;
  if (texts == 1) return TakesInteger(row) ? AreaKind::kSlices : AreaKind::kText;
  return TakesInteger(row) ? AreaKind::kSearch : AreaKind::kFields;
}

// --- Inputs ---------------------------------------------------------------------------------

// One argument: the words it passes and its text in the key (none for a property's word).
struct Input {
  std::string text;
  std::vector<uint32_t> words;
  bool shown = true;
  const char* freshDate = nullptr;  // a setter's Date: made anew for each call
  bool out = false;                 // a ByRef object the call writes
  const stringStorage* record = nullptr;  // a String, whose bytes the call must leave alone
};

Input WordInput(std::string text, uint32_t word) { return {std::move(text), {word}}; }

Input StringInput(const string& value) {
  Input input = WordInput(QuoteString(value), uint32_t(uintptr_t(value.Storage())));
  input.record = value.Storage();
  return input;
}

// A text's bytes by address, as a declared C or Pascal string passes them.
Input AddressInput(Kind kind, const string& text) {
  const bool c = kind == Kind::kCString;
  const void* address = c ? static_cast<const void*>(text.CString()) : text.PString();
  return WordInput((c ? "CString of " : "PString of ") + QuoteString(text),
                   uint32_t(uintptr_t(address)));
}

Input ObjectInput(const RuntimeObject* object) {
  return WordInput(DescribeObject(object), uint32_t(uintptr_t(object)));
}

Input Int64Input(int64_t value) {
  return {Number(value), {uint32_t(value), uint32_t(uint64_t(value) >> 32)}};
}

// The objects calls are made on and with: made once, held for the whole run.
class MadeObjects {
 public:
  MadeObjects() {
    encodings.push_back(nullptr);
    std::set<TextEncoding> codes;
    for (const TextForm& form : TextForms()) {
      if (form.encoding != kEncodingNone && codes.insert(form.encoding).second) {
        encodings.push_back(&GetTextEncodingObject(form.encoding)->header);
      }
    }
    const std::pair<TextEncoding, TextEncoding> pairs[] = {
        {kEncodingUTF8, 0x0201},          {0x0201, kEncodingUTF8},
        {kEncodingUnicode16, kEncodingUTF8}, {kEncodingUTF8, kEncodingUTF32},
        {0x0A01, kEncodingUTF8},          {kEncodingUTF8, kEncodingISO2022JP},
        {kEncodingUTF32, kEncodingUnicode16}, {kEncodingUTF8, kEncodingUTF8},
    };
    for (const auto& [from, to] : pairs) {
      converters.push_back(&getTextConverter(GetTextEncodingObject(from),
                                             GetTextEncodingObject(to))->header);
    }
    for (const char* text : DateTexts()) dates.push_back(MakeDate(text));
    encodingsModule.push_back(GetEncodingsObject());
    endOfLine.push_back(RuntimeGetEndOfLineObject());
    MakeVariants();
  }
  ~MadeObjects() {
    for (auto* table : {&encodings, &converters, &dates, &encodingsModule, &endOfLine, &variants}) {
      for (const RuntimeObject* object : *table) {
        RuntimeUnlockObject(const_cast<RuntimeObject*>(object));
      }
    }
  }
  MadeObjects(const MadeObjects&) = delete;
  MadeObjects& operator=(const MadeObjects&) = delete;

  static RuntimeObject* MakeDate(const char* text) {
    RuntimeObject* date = NewDateObject();
    DateSetSQLDateTime(date, string(text));
    return date;
  }

  // The table of a kind; a setter's own objects are made anew for each call instead.
  std::vector<const RuntimeObject*> Of(Kind kind, const std::string& className) const {
    const std::vector<const RuntimeObject*>* table = &variants;
    switch (kind) {
      case Kind::kTextEncoding: table = &encodings; break;
      case Kind::kTextConverter: table = &converters; break;
      case Kind::kDate: table = &dates; break;
      case Kind::kEncodings: table = &encodingsModule; break;
      case Kind::kEndOfLine: table = &endOfLine; break;
      default: break;
    }
    if (className.empty()) return *table;
    std::vector<const RuntimeObject*> ofClass;
    for (const RuntimeObject* object : *table) {
      if (object && className == stringStorage::CString(object->classPtr->className)) {
        ofClass.push_back(object);
      }
    }
    return ofClass;
  }

  // How many of a table a second varying input takes.
  static size_t ShortCount(Kind kind) {
    switch (kind) {
      case Kind::kTextEncoding:
      case Kind::kTextConverter: return SIZE_MAX;
      case Kind::kDate: return 2;
      default: return 9;
    }
  }

 private:
  void MakeVariants() {
    // The first nine are the short table: one of each type.
    variants = {nullptr,
                Int32ToVariant(2),
                DoubleToVariant(0.5),
                StringToVariant(string("3.14").Storage()),
                BooleanToVariant(1),
                Int64ToVariant(4294967296LL),
                CurrencyToVariant(15000),
                DateToVariant(const_cast<RuntimeObject*>(dates.front())),
                StringToVariant(string("Hello").Storage())};
    for (int64_t value : Integers()) {
      if (value == int32_t(value)) variants.push_back(Int32ToVariant(int32_t(value)));
    }
    variants.push_back(UInt32ToVariant(4294967295u));
    variants.push_back(Int64ToVariant(INT64_MIN));
    variants.push_back(UInt64ToVariant(UINT64_MAX));
    for (float value : {1.5f, 0.1f, -0.0f, 3e38f}) variants.push_back(SingleToVariant(value));
    for (double value : Doubles()) variants.push_back(DoubleToVariant(value));
    for (int64_t value : Currencies()) variants.push_back(CurrencyToVariant(value));
    variants.push_back(BooleanToVariant(0));
    variants.push_back(ColorToVariant(0xFF8000));
    for (const SampleText& text : SampleTexts()) {
      if ((text.families & kForVariants) && (!text.form || text.form->common)) {
        variants.push_back(StringToVariant(text.value.Storage()));
      }
    }
    // One line per input: a value made twice keeps its first place.
    std::set<std::string> seen;
    std::erase_if(variants, [&](const RuntimeObject* v) {
      if (seen.insert(DescribeObject(v)).second) return false;
      RuntimeUnlockObject(const_cast<RuntimeObject*>(v));
      return true;
    });
  }

  std::vector<const RuntimeObject*> encodings, converters, dates, encodingsModule, endOfLine,
      variants;
};

template <typename T, typename Make>
std::vector<Input> UniqueInputs(const std::vector<T>& values, Make make) {
  std::vector<Input> inputs;
  std::set<std::string> seen;
  for (const T& value : values) {
    std::optional<Input> input = make(value);
    if (input && seen.insert(input->text).second) inputs.push_back(std::move(*input));
  }
  return inputs;
}

// The 32-bit entries of Integers() as the type holds them, widened by its signedness as compiled
// code passes them.
template <typename T>
std::vector<Input> NarrowInputs() {
  return UniqueInputs(Integers(), [](int64_t value) -> std::optional<Input> {
    if (value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
    const T narrowed = T(value);
    return WordInput(Number(int64_t{narrowed}), uint32_t(narrowed));
  });
}

// The number table of a kind, most telling entries first.
std::vector<Input> NumberInputs(Kind kind) {
  switch (kind) {
    case Kind::kInt32: return NarrowInputs<int32_t>();
    case Kind::kUInt32:
    case Kind::kColor: return NarrowInputs<uint32_t>();
    case Kind::kInt16: return NarrowInputs<int16_t>();
    case Kind::kUInt16: return NarrowInputs<uint16_t>();
    case Kind::kInt8: return NarrowInputs<int8_t>();
    case Kind::kUInt8: return NarrowInputs<uint8_t>();
    case Kind::kBoolean: return {WordInput("false", 0), WordInput("true", 1)};
    case Kind::kInt64:
      return UniqueInputs(Integers(), [](int64_t v) { return std::optional(Int64Input(v)); });
    case Kind::kUInt64:
      return UniqueInputs(Unsigned64(), [](uint64_t v) {
        Input input = Int64Input(int64_t(v));
        input.text = std::to_string(v);
        return std::optional(input);
      });
    case Kind::kCurrency:
      return UniqueInputs(Currencies(), [](int64_t v) {
        Input input = Int64Input(v);
        input.text = DescribeCurrency(v);
        return std::optional(input);
      });
    case Kind::kDouble:
      return UniqueInputs(Doubles(), [](double v) {
        Words words;
        words.AddDouble(v);
        return std::optional(Input{Number(v), words.Get()});
      });
    case Kind::kSingle:
      return UniqueInputs(Doubles(), [](double v) {
        Words words;
        words.AddSingle(float(v));
        return std::optional(Input{Number(double(float(v))), words.Get()});
      });
    default: return {};
  }
}

// ParamArrays: none, or one element. The caller releases the arrays it is given.
std::vector<Input> ArrayInputs(Kind kind, std::vector<RuntimeArray*>* made) {
  RuntimeArray* array = nullptr;
  std::string text;
  if (kind == Kind::kDoubleArray) {
    array = CreateArray(1, kArrayDouble, 0);
    static_cast<double*>(array->data)[0] = 0.25;
    text = "[0.25]";
  } else {
    array = CreateArray(1, kArrayUInt64, 0);
    static_cast<uint64_t*>(array->data)[0] = 0xF0F0;
    text = "[61680]";
  }
  made->push_back(array);
  return {WordInput("nil array", 0), WordInput(text, uint32_t(uintptr_t(array)))};
}

// Arrays of the subject: itself alone, and with nil and an ASCII literal.
std::vector<Input> StringArrayInputs(const SampleText& subject,
                                     std::vector<RuntimeArray*>* made) {
  std::vector<Input> inputs;
  const std::vector<std::vector<string>> lists = {{subject.value},
                                                  {subject.value, string(), string("x")}};
  for (const std::vector<string>& list : lists) {
    RuntimeArray* array = CreateArray(1, kArrayString, int32_t(list.size()) - 1);
    made->push_back(array);
    std::string text = "[";
    for (size_t i = 0; i < list.size(); ++i) {
      ArraySetElement(array, int32_t(i), uintptr_t(list[i].Storage()));
      text += (i ? ", " : "") + QuoteString(list[i]);
    }
    inputs.push_back(WordInput(text + "]", uint32_t(uintptr_t(array))));
  }
  return inputs;
}

std::vector<Input> IntegerInputs(const std::vector<int32_t>& values) {
  std::vector<Input> inputs;
  for (int32_t value : values) inputs.push_back(WordInput(Number(int64_t{value}), uint32_t(value)));
  return inputs;
}

std::vector<Input> StringInputs(const std::vector<string>& values) {
  std::vector<Input> inputs;
  for (const string& value : values) inputs.push_back(StringInput(value));
  return inputs;
}

const std::vector<string>& LineEndings() {
  static const std::vector<string> endings = {string("\n"), string("\r\n"), string("\r"),
                                              string()};
  return endings;
}

// The inputs of every position of a row: its object, its property word, its parameters.
class RowPlan {
 public:
  RowPlan(const CallRow& row, const MadeObjects& objects, const SampleText* subject)
      : mRow(row), mObjects(objects), mSubject(subject) {
    if (row.self != Kind::kNone) AddObject(row.self, row.selfClass, !row.parameters.empty());
    if (row.hasWord) positions.push_back({Input{"", {row.word}, false}});
    size_t texts = 0, integers = 0;
    const bool severalTexts = SubjectTexts(row) > 1;
    for (size_t i = 0; i < row.parameters.size(); ++i) {
      const Kind kind = row.parameters[i];
      if (row.byRef[i]) {
        positions.push_back({Input{"ByRef nil", {0}, true, nullptr, true}});
      } else if (IsText(kind) && RoleOf(row, i) != Role::kSubject) {
        Add(StringInputs(RoleOf(row, i) == Role::kPicture ? Pictures() : LineEndings()),
            SIZE_MAX);
      } else if (kind == Kind::kStringArray) {
        positions.push_back(StringArrayInputs(*subject, &mArrays));
        ++texts;
      } else if (kind == Kind::kString) {
        positions.push_back(TextInputs(texts++));
      } else if (kind == Kind::kCString || kind == Kind::kPString) {
        positions.push_back({AddressInput(kind, subject->value)});
        ++texts;
      } else if (RoleOf(row, i) == Role::kMode) {
        positions.push_back(IntegerInputs({0, 1}));
      } else if (kind == Kind::kInt32 && subject) {
        positions.push_back(IntegerInputs(integers++ ? LengthsOf(*subject)
                                          : severalTexts ? ShortBoundariesOf(*subject)
                                                         : BoundariesOf(*subject)));
      } else if (IsObject(kind)) {
        AddObject(kind, "", false);
      } else if (kind == Kind::kDoubleArray || kind == Kind::kUInt64Array) {
        positions.push_back(ArrayInputs(kind, &mArrays));
      } else {
        Add(NumberInputs(kind));
      }
    }
  }

  ~RowPlan() {
    for (RuntimeArray* array : mArrays) RuntimeUnlockArray(array);
  }
  RowPlan(const RowPlan&) = delete;
  RowPlan& operator=(const RowPlan&) = delete;

  std::vector<std::vector<Input>> positions;

 private:
  std::vector<Input> TextInputs(size_t index) const {
    static const string replacement("<>");
    if (index == 0) return {StringInput(mSubject->value)};
    if (index == 1) return StringInputs(PatternsOf(*mSubject));
    return {StringInput(replacement)};
  }

  // A table, cut to its first few entries behind an input that already varies.
  void Add(std::vector<Input> inputs, size_t shortCount = 8) {
    const bool behind = std::any_of(positions.begin(), positions.end(),
                                    [](const std::vector<Input>& p) { return p.size() > 1; });
    const size_t keep = !behind ? inputs.size() : mVaried++ ? 3 : shortCount;
    if (inputs.size() > keep) inputs.resize(keep);
    positions.push_back(std::move(inputs));
  }

  // The object of a row that also takes parameters takes the short table: its calls vary with
  // those.
  void AddObject(Kind kind, const std::string& className, bool selfWithParameters) {
    std::vector<Input> inputs;
    const bool fresh = mRow.setter && kind == Kind::kDate && positions.empty();
    if (fresh) {
      for (const char* text : DateTexts()) {
        inputs.push_back(Input{std::string("Date ") + text, {0}, true, text});
      }
    } else {
      for (const RuntimeObject* object : mObjects.Of(kind, className)) {
        inputs.push_back(ObjectInput(object));
      }
    }
    const size_t shortCount = MadeObjects::ShortCount(kind);
    if (selfWithParameters && inputs.size() > shortCount) inputs.resize(shortCount);
    Add(std::move(inputs), shortCount);
  }

  const CallRow& mRow;
  const MadeObjects& mObjects;
  const SampleText* mSubject;
  size_t mVaried = 0;
  std::vector<RuntimeArray*> mArrays;
};

// --- Calls ------------------------------------------------------------------------------------

class RowCaller {
 public:
  explicit RowCaller(Table& table) : mTable(table) {}

  void Run(const CallRow& row, const RowPlan& plan) {
    const size_t n = plan.positions.size();
    for (const std::vector<Input>& position : plan.positions) {
      if (position.empty()) return;
    }
    std::vector<size_t> at(n, 0);
    for (;;) {
      Call(row, plan, at);
      size_t p = n;
      while (p > 0 && ++at[p - 1] == plan.positions[p - 1].size()) at[--p] = 0;
      if (p == 0) return;
    }
  }

 private:
  void Call(const CallRow& row, const RowPlan& plan, const std::vector<size_t>& at) {
    Words words;
    std::string key = row.name + "/" + row.exportName + "(";
    bool first = true;
    RuntimeObject* fresh = nullptr;
    RuntimeObject* out = nullptr;
    std::vector<std::pair<const stringStorage*, std::string>> texts;
    for (size_t p = 0; p < at.size(); ++p) {
      const Input& input = plan.positions[p][at[p]];
      if (input.shown) {
        key += (first ? "" : ", ") + input.text;
        first = false;
      }
      if (input.freshDate) {
        fresh = MadeObjects::MakeDate(input.freshDate);
        words.Add(uint32_t(uintptr_t(fresh)));
        continue;
      }
      if (input.out) {
        words.Add(uint32_t(uintptr_t(&out)));
        continue;
      }
      for (uint32_t word : input.words) words.Add(word);
      if (input.record) texts.emplace_back(input.record, BytesOf(input.record));
    }
    key += ")";
    mReports.clear();
    mRaised.Take();
    const CallResult result = CallExport(mTable, row.exportName, words);
    const bool approximate = kApproximate.count(row.exportName) != 0;
    std::string answer = row.setter && fresh ? DescribeObject(fresh)
                                             : TakeResult(row.result, result, approximate);
    if (row.setter && !fresh) answer += "; " + TakeResult(row.result, result, approximate);
    if (fresh) RuntimeUnlockObject(fresh);
    for (const std::string& raised : mRaised.Take()) answer += "; raises " + raised;
    for (const qvtest::CapturedReport& report : mReports.reports()) {
      answer += "; report: " + report.condition;
    }
    for (const auto& [record, bytes] : texts) {
      if (BytesOf(record) != bytes) answer += "; changed its input " + QuoteString(record);
    }
    if (std::find(row.byRef.begin(), row.byRef.end(), true) != row.byRef.end()) {
      answer += "; out " + DescribeObject(out);
      RuntimeUnlockObject(out);
    }
    mTable.Line(key, answer);
  }

  static std::string BytesOf(const stringStorage* record) {
    return std::to_string(record->encoding) + ":" +
           std::string(stringStorage::CString(record), record->length);
  }

  Table& mTable;
  qvtest::ReportCapture mReports;
  qvtest::RaisedExceptions mRaised;
};

bool InArea(const CallRow& row, AreaKind area) {
  if (!row.without.empty()) return false;
  if (area == AreaKind::kLocales) return kLocaleReaders.count(row.exportName) != 0;
  return AreaOf(row) == area;
}

bool ServesArea(const SampleText& text, AreaKind area) {
  switch (area) {
    case AreaKind::kText: return true;
    case AreaKind::kLocales:
      return (text.families & kForLocales) && (!text.form || text.form->common);
    default: return (text.families & kForPairs) != 0;
  }
}

void EmitArea(AreaKind area, Table& table) {
  RuntimeInitExternalClasses();
  const MadeObjects objects;
  RowCaller caller(table);
  for (const CallRow& row : TextAndNumberRows()) {
    if (!InArea(row, area)) continue;
    if (SubjectTexts(row) == 0) {
      caller.Run(row, RowPlan(row, objects, nullptr));
      continue;
    }
    for (const SampleText& text : SampleTexts()) {
      if (ServesArea(text, area)) caller.Run(row, RowPlan(row, objects, &text));
    }
  }
  if (area != AreaKind::kNumbers) return;
  // The rows without lines, each with why, so that a new one shows up here.
  for (const CallRow& row : TextAndNumberRows()) {
    if (!row.without.empty()) table.Line("no lines: " + row.name + "/" + row.exportName, row.without);
  }
}

std::vector<Variant> CVariant() { return {{"C", {"LC_ALL=C", "TZ=UTC"}, {}}}; }

std::vector<Variant> LocaleVariants() {
  std::vector<Variant> variants;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "fr_FR.ISO-8859-1", "tr_TR.UTF-8",
                           "ps_AF.UTF-8", "ja_JP.UTF-8"}) {
    variants.push_back({name, {std::string("LC_ALL=") + name, "TZ=UTC"}, {}});
  }
  return variants;
}

void EmitLocale(const Variant& variant, Table& table) {
  // The test main set the locale from the environment, as the toolkit's start does.
  const char* active = std::setlocale(LC_ALL, nullptr);
  if (!active || variant.name != active) SkipVariant("locale " + variant.name + " not installed");
  EmitArea(AreaKind::kLocales, table);
}

template <AreaKind area>
void Emit(const Variant&, Table& table) {
  EmitArea(area, table);
}

QV_ANSWER_AREA("text", CVariant, Emit<AreaKind::kText>);
QV_ANSWER_AREA("slices", CVariant, Emit<AreaKind::kSlices>);
QV_ANSWER_AREA("search", CVariant, Emit<AreaKind::kSearch>);
QV_ANSWER_AREA("fields", CVariant, Emit<AreaKind::kFields>);
QV_ANSWER_AREA("numbers", CVariant, Emit<AreaKind::kNumbers>);
QV_ANSWER_AREA("locales", LocaleVariants, EmitLocale);

}  // namespace

}  // namespace answers

TEST(Answers, Text) { answers::CheckArea("text"); }
TEST(Answers, Slices) { answers::CheckArea("slices"); }
TEST(Answers, Search) { answers::CheckArea("search"); }
TEST(Answers, Fields) { answers::CheckArea("fields"); }
TEST(Answers, Numbers) { answers::CheckArea("numbers"); }
TEST(Answers, Locales) { answers::CheckArea("locales"); }
