// Property access by name: every numeric property type read and written by every numeric
// accessor against values Python computes at test time (plugin_property_model.py), then the
// cases the table cannot show: the cache, the method and conversion fallbacks, the type rules
// of the string and object accessors, references handed out, and nil.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "app/PluginProperties.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeClass.h"
#include "core/TestClasses.h"
#include "values/VariantTypes.h"
#include "support/TestSupport.h"

namespace {

using qvtest::MakeClass;
using qvtest::NewName;

template <typename F>
void* Address(F function) {
  return reinterpret_cast<void*>(function);
}

// The property types of the model, each in an eight-byte slot with the accessors of its
// width.
struct ModelType {
  const char* code;
  int32_t bytes;
  void* getter;
  void* setter;
};
const ModelType kModelTypes[] = {
    {"i4", 4, Address(&intGetter), Address(&intSetter)},
    {"c", 4, Address(&intGetter), Address(&intSetter)},
    {"u4", 4, Address(&intGetter), Address(&intSetter)},
    {"i8", 8, Address(&int64Getter), Address(&int64Setter)},
    {"e", 8, Address(&int64Getter), Address(&int64Setter)},
    {"u8", 8, Address(&int64Getter), Address(&int64Setter)},
    {"i2", 2, Address(&shortGetter), Address(&shortSetter)},
    {"u2", 2, Address(&shortGetter), Address(&shortSetter)},
    {"i1", 1, Address(&byteGetter), Address(&byteSetter)},
    {"u1", 1, Address(&byteGetter), Address(&byteSetter)},
    {"f4", 4, Address(&singleGetter), Address(&singleSetter)},
    {"f8", 8, Address(&doubleGetter), Address(&doubleSetter)},
    {"b", 1, Address(&boolGetter), Address(&boolSetter)},
};
constexpr int32_t kModelTypeCount = sizeof kModelTypes / sizeof kModelTypes[0];

class ModelObject {
 public:
  ModelObject() {
    static RuntimeClass* cls = MakeModelClass();
    mObject = RuntimeNewObject(cls);
  }
  ~ModelObject() { RuntimeUnlockObject(mObject); }
  RuntimeObject* get() const { return mObject; }

  static int32_t Index(const std::string& code) {
    for (int32_t i = 0; i < kModelTypeCount; ++i)
      if (code == kModelTypes[i].code) return i;
    return -1;
  }
  uint64_t Slot(int32_t index) const {
    uint64_t bits = 0;
    std::memcpy(&bits, SlotAddress(index), size_t(kModelTypes[index].bytes));
    return bits;
  }
  void SetSlot(int32_t index, uint64_t bits) {
    std::memset(SlotAddress(index), 0, 8);
    std::memcpy(SlotAddress(index), &bits, size_t(kModelTypes[index].bytes));
  }

 private:
  static RuntimeClass* MakeModelClass() {
    RuntimeClass* cls =
        MakeClass(nullptr, "PropertyModel", 2 * kModelTypeCount, {.properties = kModelTypeCount});
    for (int32_t i = 0; i < kModelTypeCount; ++i) {
      const std::string key =
          std::string("P_") + kModelTypes[i].code + "%" + kModelTypes[i].code + "%";
      cls->propertyTable[i] = {NewName(key.c_str()), uint32_t(24 + 8 * i), kModelTypes[i].getter,
                               kModelTypes[i].setter};
    }
    return cls;
  }
  unsigned char* SlotAddress(int32_t index) const {
    return reinterpret_cast<unsigned char*>(mObject) + 24 + 8 * index;
  }
  RuntimeObject* mObject;
};

// An accessor of the model by name: reads the property into its own type and answers the
// bits of the value, or writes the value of the given bits.
template <typename T>
uint64_t BitsOf(T value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof value);
  return bits;
}
template <typename T>
T FromBits(uint64_t bits) {
  T value{};
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

using Reader = std::function<bool(RuntimeObject*, const char*, uint64_t*)>;
using Writer = std::function<bool(RuntimeObject*, const char*, uint64_t)>;

template <typename T>
Reader Read(int32_t (*getter)(RuntimeObject*, const char*, T*)) {
  return [getter](RuntimeObject* object, const char* name, uint64_t* bits) {
    T value{};
    const bool read = getter(object, name, &value) != 0;
    *bits = BitsOf(value);
    return read;
  };
}
template <typename T>
Writer Write(int32_t (*setter)(RuntimeObject*, const char*, T)) {
  return [setter](RuntimeObject* object, const char* name, uint64_t bits) {
    return setter(object, name, FromBits<T>(bits)) != 0;
  };
}

const std::map<std::string, Reader> kReaders = {
    {"Int", Read(&QUORGetPropValueInt)},       {"Int64", Read(&QUORGetPropValueInt64)},
    {"UInt64", Read(&QUORGetPropValueUInt64)}, {"UInt32", Read(&QUORGetPropValueUInt32)},
    {"UInt16", Read(&QUORGetPropValueUInt16)}, {"Int16", Read(&QUORGetPropValueInt16)},
    {"UInt8", Read(&QUORGetPropValueUInt8)},   {"Int8", Read(&QUORGetPropValueInt8)},
    {"Double", Read(&QUORGetPropValueDouble)}, {"Single", Read(&QUORGetPropValueSingle)}};
const std::map<std::string, Writer> kWriters = {
    {"Int", Write(&QUORSetPropValueInt)},       {"Int64", Write(&QUORSetPropValueInt64)},
    {"UInt64", Write(&QUORSetPropValueUInt64)}, {"UInt32", Write(&QUORSetPropValueUInt32)},
    {"UInt16", Write(&QUORSetPropValueUInt16)}, {"Int16", Write(&QUORSetPropValueInt16)},
    {"UInt8", Write(&QUORSetPropValueUInt8)},   {"Int8", Write(&QUORSetPropValueInt8)},
    {"Double", Write(&QUORSetPropValueDouble)}, {"Single", Write(&QUORSetPropValueSingle)}};

std::string ModelOutput() {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "plugin_property_model.py").string();
  return qvtest::ProgramOutput({"python3", script});
}

TEST(PluginProperties, EveryNumericTypeThroughEveryAccessorAgreesWithPython) {
  ModelObject model;
  std::istringstream lines(ModelOutput());
  std::string direction, first, bitsText, second, expected;
  int32_t checked = 0, failures = 0;
  while (lines >> direction >> first >> bitsText >> second >> expected) {
    const bool reading = direction == "get";
    const std::string code = reading ? first : second;
    const std::string accessor = reading ? second : first;
    const int32_t index = ModelObject::Index(code);
    ASSERT_GE(index, 0) << code;
    const std::string name = "p_" + code;  // the letter case of the table's name differs
    const uint64_t bits = std::stoull(bitsText, nullptr, 16);
    if (expected == "skip") continue;
    const bool refused = expected == "refused";
    const uint64_t want = refused ? 0 : std::stoull(expected, nullptr, 16);
    bool ok;
    uint64_t got = 0;
    if (reading) {
      model.SetSlot(index, bits);
      ok = kReaders.at(accessor)(model.get(), name.c_str(), &got);
    } else {
      model.SetSlot(index, 0);
      ok = kWriters.at(accessor)(model.get(), name.c_str(), bits);
      got = model.Slot(index);
    }
    const uint64_t mask =
        reading ? ~uint64_t(0) : ~uint64_t(0) >> (64 - 8 * kModelTypes[index].bytes);
    if (ok != !refused || (!refused && (got & mask) != want)) {
      if (++failures <= 20)
        ADD_FAILURE() << direction << " " << first << " " << bitsText << " " << second
                      << ": answered " << ok << " with " << std::hex << got << ", expected "
                      << expected;
    }
    ++checked;
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(checked, 3500) << "python3 plugin_property_model.py printed too little";
}

// A Currency is its stored integer, never rescaled, both ways.
TEST(PluginProperties, CurrencyIsNeverRescaled) {
  ModelObject model;
  model.SetSlot(ModelObject::Index("e"), 15000);  // the Currency 1.5
  double real = 0;
  ASSERT_TRUE(QUORGetPropValueDouble(model.get(), "P_e", &real));
  EXPECT_EQ(real, 15000.0);
  ASSERT_TRUE(QUORSetPropValueInt(model.get(), "P_e", 3));
  EXPECT_EQ(model.Slot(ModelObject::Index("e")), 3u);  // the Currency 0.0003
}

// --- A class of properties of every other kind, and methods ----------------------------

int32_t gShortSetterCalls = 0;
void ShortAssign(RuntimeObject*, int32_t) { ++gShortSetterCalls; }
int32_t gLevel = 0;
int32_t LevelGet(RuntimeObject*) { return 41; }
void LevelAssign(RuntimeObject*, int32_t value) { gLevel = value; }
stringStorage* TitleGet(RuntimeObject*) { return NewName("Titled"); }
int32_t ReadyGet(RuntimeObject*) { return 0x100 | 1; }  // a Boolean in its low byte
double RatioGet(RuntimeObject*) { return 0.25; }
int32_t gObjectSetterCalls = 0;
RuntimeObject* gObjectSet = nullptr;
void PeerSetter(RuntimeObject*, uint32_t, RuntimeObject* value) {
  ++gObjectSetterCalls;
  gObjectSet = value;
}

class Gadget : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sFace = qvtest::MakeInterface("GadgetFace");
    sGadget = MakeClass(nullptr, "Gadget", 8, {.namedMethods = 6, .properties = 7});
    const struct {
      const char* key;
      void* getter;
      void* setter;
    } properties[] = {
        {"Shorty%o<Short>%", Address(&shortGetter), Address(&shortSetter)},
        {"Label%s%", Address(&stringGetter), Address(&stringSetter)},
        {"Peer%o<GadgetFace>%", Address(&objGetter), Address(&PeerSetter)},
        {"Anything%o<Object>%", Address(&objGetter), Address(&PeerSetter)},
        {"Level%i4%", nullptr, Address(&intSetter)},  // write-only: reading falls back
        {"Cells%a1i4%", Address(&arrayGetter), Address(&arraySetter)},
        {"Where%p%", Address(&intGetter), Address(&intSetter)},
    };
    for (int32_t i = 0; i < 7; ++i)
      sGadget->propertyTable[i] = {NewName(properties[i].key), uint32_t(24 + 4 * i),
                                   properties[i].getter, properties[i].setter};
    const std::pair<void*, const char*> methods[] = {
        {Address(&ShortAssign), "=Shorty%%o<Gadget>i2"},
        {Address(&LevelGet), "Level%i4%o<Gadget>"},
        {Address(&LevelAssign), "=Depth%%o<Gadget>i4"},
        {Address(&TitleGet), "Title%s%o<Gadget>"},
        {Address(&ReadyGet), "Ready%b%o<Gadget>"},
        {Address(&RatioGet), "Ratio%f8%o<Gadget>"}};
    for (int32_t i = 0; i < 6; ++i)
      sGadget->namedMethodTable[i] = {methods[i].first, NewName(methods[i].second)};
    RuntimeClass* face = sFace;
    sFaced = MakeClass(nullptr, "Faced", 0, {.interfaces = 1});
    InterfaceEntries(sFaced)[0] = {face, 0, nullptr};
  }
  void SetUp() override { mGadget = RuntimeNewObject(sGadget); }
  void TearDown() override { RuntimeUnlockObject(mGadget); }

  static RuntimeClass* sGadget;
  static RuntimeClass* sFace;
  static RuntimeClass* sFaced;
  RuntimeObject* mGadget = nullptr;
};
RuntimeClass* Gadget::sGadget = nullptr;
RuntimeClass* Gadget::sFace = nullptr;
RuntimeClass* Gadget::sFaced = nullptr;

// A Short property reads as Int16 and is written by no accessor, without trying a method.
TEST_F(Gadget, ShortIsReadableButNotWritable) {
  qvtest::Field(mGadget, 0) = 0xFFFE;
  int16_t value = 0;
  ASSERT_TRUE(QUORGetPropValueInt16(mGadget, "shorty", &value));
  EXPECT_EQ(value, -2);
  gShortSetterCalls = 0;
  EXPECT_FALSE(QUORSetPropValueInt16(mGadget, "Shorty", 7));
  EXPECT_FALSE(QUORSetPropValueInt(mGadget, "Shorty", 7));
  EXPECT_EQ(gShortSetterCalls, 0);
  EXPECT_EQ(qvtest::Field(mGadget, 0), 0xFFFEu);
}

// Names that are no (readable, writable) property become methods of the object; a property
// of a type the accessor does not take fails without trying one.
TEST_F(Gadget, MethodsStandInForMissingProperties) {
  int32_t level = 0;
  ASSERT_TRUE(QUORGetPropValueInt(mGadget, "LEVEL", &level));  // write-only property
  EXPECT_EQ(level, 41);
  ASSERT_TRUE(QUORSetPropValueInt(mGadget, "depth", 9));
  EXPECT_EQ(gLevel, 9);
  EXPECT_FALSE(QUORSetPropValueUInt8(mGadget, "depth", 200)) << "no UInt8 method";
  stringStorage* title = nullptr;
  ASSERT_TRUE(QUORGetPropValueString(mGadget, "title", &title));
  EXPECT_STREQ(stringStorage::CString(title), "Titled");
  EXPECT_EQ(title->refCount, 1u);
  stringStorage::RemoveReference(title);
  uint8_t ready = 9;
  ASSERT_TRUE(QUORGetPropValueUInt8(mGadget, "Ready", &ready));
  EXPECT_EQ(ready, 1);
  double ratio = 0;
  ASSERT_TRUE(QUORGetPropValueDouble(mGadget, "Ratio", &ratio));
  EXPECT_EQ(ratio, 0.25);
  float single = 0;
  EXPECT_FALSE(QUORGetPropValueSingle(mGadget, "Ratio", &single));  // no "() as Single"
  int32_t untouched = 12345;
  EXPECT_FALSE(QUORGetPropValueInt(mGadget, "Label", &untouched));  // a String property
  EXPECT_FALSE(QUORGetPropValueInt(mGadget, "Cells", &untouched));  // an array
  EXPECT_FALSE(QUORGetPropValueInt(mGadget, "Where", &untouched));  // a pointer
  RuntimeObject* object = nullptr;
  EXPECT_FALSE(QUORGetPropValueObject(mGadget, "Where", &object));
  EXPECT_FALSE(QUORGetPropValueInt(mGadget, "Nothing", &untouched));
  EXPECT_EQ(untouched, 12345);
}

TEST_F(Gadget, StringAndObjectPropertiesHandOutReferencesAndCheckTypes) {
  stringStorage* text = NewName("label text");
  ASSERT_TRUE(QUORSetPropValueString(mGadget, "label", text));
  EXPECT_EQ(text->refCount, 2u) << "the property holds its own reference";
  stringStorage* read = nullptr;
  ASSERT_TRUE(QUORGetPropValueString(mGadget, "Label", &read));
  EXPECT_EQ(read, text);
  EXPECT_EQ(text->refCount, 3u);
  stringStorage::RemoveReference(read);
  EXPECT_FALSE(QUORSetPropValueString(mGadget, "Peer", text));
  EXPECT_FALSE(QUORSetPropValueString(mGadget, "Title", text)) << "no method fallback";
  ASSERT_TRUE(QUORSetPropValueString(mGadget, "Label", nullptr));
  EXPECT_EQ(text->refCount, 1u);
  stringStorage::RemoveReference(text);

  // Through an implemented interface; a class of no such name or interface is refused; nil
  // and any object go to a property of type Object.
  RuntimeObject* faced = RuntimeNewObject(sFaced);
  RuntimeObject* stranger = RuntimeNewObject(MakeClass(nullptr, "Stranger"));
  gObjectSetterCalls = 0;
  ASSERT_TRUE(QUORSetPropValueObject(mGadget, "Peer", faced));
  EXPECT_EQ(gObjectSet, faced);
  EXPECT_FALSE(QUORSetPropValueObject(mGadget, "Peer", mGadget));
  EXPECT_EQ(gObjectSetterCalls, 1);
  ASSERT_TRUE(QUORSetPropValueObject(mGadget, "Peer", nullptr));
  EXPECT_EQ(gObjectSet, nullptr);
  EXPECT_TRUE(QUORSetPropValueObject(mGadget, "Anything", stranger));
  EXPECT_FALSE(QUORSetPropValueObject(mGadget, "Label", nullptr));
  EXPECT_FALSE(QUORSetPropValueObject(mGadget, "Shorty", nullptr));
  EXPECT_EQ(gObjectSetterCalls, 3);
  qvtest::Field(mGadget, 2) = uint32_t(reinterpret_cast<uintptr_t>(stranger));
  RuntimeObject* object = nullptr;
  ASSERT_TRUE(QUORGetPropValueObject(mGadget, "peer", &object));
  EXPECT_EQ(object, stranger);
  EXPECT_EQ(stranger->refCount, 2);
  RuntimeUnlockObject(object);
  EXPECT_FALSE(QUORGetPropValueObject(mGadget, "Label", &object));
  qvtest::Field(mGadget, 2) = 0;
  RuntimeUnlockObject(stranger);
  RuntimeUnlockObject(faced);
}

// Conversion names read variant-like objects; "Value" of Object is the object itself.
TEST_F(Gadget, ConversionNamesReadVariants) {
  RuntimeObject* number = Int32ToVariant(42);
  int32_t i32 = 0;
  ASSERT_TRUE(QUORGetPropValueInt(number, "value", &i32));
  EXPECT_EQ(i32, 42);
  ASSERT_TRUE(QUORGetPropValueInt(number, "Type", &i32));
  EXPECT_EQ(i32, kVarTypeInt32);
  double real = 0;
  ASSERT_TRUE(QUORGetPropValueDouble(number, "DoubleValue", &real));
  EXPECT_EQ(real, 42.0);
  uint16_t u16 = 0;
  ASSERT_TRUE(QUORGetPropValueUInt16(number, "UInt16Value", &u16));
  EXPECT_EQ(u16, 42);
  stringStorage* text = nullptr;
  ASSERT_TRUE(QUORGetPropValueString(number, "StringValue", &text));
  EXPECT_STREQ(stringStorage::CString(text), "42");
  stringStorage::RemoveReference(text);
  RuntimeObject* object = nullptr;
  ASSERT_TRUE(QUORGetPropValueObject(number, "Value", &object));
  EXPECT_EQ(object, number);
  EXPECT_EQ(number->refCount, 2);
  RuntimeUnlockObject(object);
  // Not a variant: no conversion, but a Type.
  EXPECT_FALSE(QUORGetPropValueObject(mGadget, "DateValue", &object));
  EXPECT_FALSE(QUORGetPropValueInt(mGadget, "IntegerValue", &i32));
  ASSERT_TRUE(QUORGetPropValueInt(mGadget, "Type", &i32));
  EXPECT_EQ(i32, kVarTypeObject);
  RuntimeUnlockObject(number);
}

// Each (class, name) is scanned once, found or not, whatever the letter case; a property
// found while writing serves a later read.
TEST(PluginProperties, EachNameIsScannedOncePerClass) {
  RuntimeClass* cls = MakeClass(nullptr, "ScanCounted", 1, {.properties = 1});
  cls->propertyTable[0] = {NewName("Width%i4%"), 24, Address(&intGetter), Address(&intSetter)};
  RuntimeObject* object = RuntimeNewObject(cls);
  const uint32_t before = PropertyTableScanCount();
  ASSERT_TRUE(QUORSetPropValueInt(object, "WIDTH", 17));
  int32_t value = 0;
  ASSERT_TRUE(QUORGetPropValueInt(object, "wIdTh", &value));
  EXPECT_EQ(value, 17);
  EXPECT_FALSE(QUORSetPropValueInt(object, "NoSuchName", 1));
  EXPECT_FALSE(QUORGetPropValueInt(object, "nosuchname", &value));
  EXPECT_EQ(PropertyTableScanCount() - before, 2u);
  RuntimeObject* other = RuntimeNewObject(cls);
  EXPECT_TRUE(QUORGetPropValueInt(other, "Width", &value));
  EXPECT_EQ(PropertyTableScanCount() - before, 2u) << "the class, not the object, is cached";
  RuntimeUnlockObject(other);
  RuntimeUnlockObject(object);
}

// Names of every length are keys: those too long for the key kept on the stack, and the empty
// name, find their property and are cached like any other.
TEST(PluginProperties, LongAndEmptyNamesAreKeysToo) {
  const std::string longName(300, 'w');
  const std::string longKey = longName + "%i4%";
  RuntimeClass* cls = MakeClass(nullptr, "LongNamed", 2, {.properties = 2});
  cls->propertyTable[0] = {NewName(longKey.c_str()), 24, Address(&intGetter),
                           Address(&intSetter)};
  cls->propertyTable[1] = {NewName("%i4%"), 28, Address(&intGetter), Address(&intSetter)};
  RuntimeObject* object = RuntimeNewObject(cls);
  const uint32_t before = PropertyTableScanCount();
  std::string asked = longName;
  asked[150] = 'W';
  ASSERT_TRUE(QUORSetPropValueInt(object, asked.c_str(), 31));
  ASSERT_TRUE(QUORSetPropValueInt(object, "", 32));
  int32_t value = 0;
  ASSERT_TRUE(QUORGetPropValueInt(object, longName.c_str(), &value));
  EXPECT_EQ(value, 31);
  ASSERT_TRUE(QUORGetPropValueInt(object, "", &value));
  EXPECT_EQ(value, 32);
  EXPECT_FALSE(QUORGetPropValueInt(object, (longName + "x").c_str(), &value));
  EXPECT_EQ(PropertyTableScanCount() - before, 3u);
  RuntimeUnlockObject(object);
}

TEST_F(Gadget, NilAnswersWithoutFaulting) {
  qvtest::ReportCapture capture;
  int32_t i32 = 5;
  EXPECT_FALSE(QUORGetPropValueInt(mGadget, "Shorty", nullptr));
  EXPECT_FALSE(QUORGetPropValueInt(mGadget, nullptr, &i32));
  EXPECT_FALSE(QUORGetPropValueInt(nullptr, "Value", &i32));
  EXPECT_EQ(i32, 5);
  ASSERT_TRUE(QUORGetPropValueInt(nullptr, "Type", &i32));
  EXPECT_EQ(i32, 0);
  RuntimeObject* object = mGadget;
  ASSERT_TRUE(QUORGetPropValueObject(nullptr, "Value", &object));
  EXPECT_EQ(object, nullptr);
  EXPECT_FALSE(QUORGetPropValueObject(nullptr, "DateValue", &object));
  stringStorage* text = nullptr;
  EXPECT_FALSE(QUORGetPropValueString(nullptr, "Value", &text));
  EXPECT_FALSE(QUORGetPropValueString(mGadget, "Label", nullptr));
  double real = 0;
  EXPECT_FALSE(QUORGetPropValueDouble(nullptr, "Value", &real));
  EXPECT_FALSE(QUORSetPropValueInt(nullptr, "Level", 1));
  EXPECT_FALSE(QUORSetPropValueDouble(mGadget, nullptr, 1.0));
  EXPECT_FALSE(QUORSetPropValueString(nullptr, "Label", nullptr));
  EXPECT_FALSE(QUORSetPropValueObject(nullptr, "Peer", nullptr));
  EXPECT_EQ(LookupObjectProperty(nullptr, "Label", true, false), nullptr);
  EXPECT_TRUE(capture.empty());
}

}  // namespace
