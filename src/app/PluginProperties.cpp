#include "app/PluginProperties.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "app/PluginClassIntrospection.h"
#include "app/PluginMethodLookup.h"
#include "app/PropertyValues.h"
#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "core/IntMap.h"
#include "core/StringMap.h"
#include "core/TypeNames.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"

namespace {

// --- The cache ----------------------------------------------------------------------------

using ClassProperties = StringMap<PropertyInfo*>;
constexpr uint32_t kClassPropertyBuckets = 256;

uint32_t gScanCount = 0;
// Made on first use and never freed: plug-ins may ask until the process ends, and classes live
// as long.
IntMap<ClassProperties*>* gPropertyInfoCache = nullptr;

IntMap<ClassProperties*>& PropertyInfoCache() {
  if (!gPropertyInfoCache) gPropertyInfoCache = new IntMap<ClassProperties*>;
  return *gPropertyInfoCache;
}

// The class asked about last, ahead of the map: plug-ins mostly ask one object after another.
const RuntimeClass* gLastClass = nullptr;
ClassProperties* gLastProperties = nullptr;

ClassProperties& PropertiesOf(const RuntimeClass* cls) {
  if (cls == gLastClass) return *gLastProperties;
  const auto key = int32_t(reinterpret_cast<uintptr_t>(cls));
  ClassProperties* properties = nullptr;
  if (!PropertyInfoCache().GetEntry(key, &properties)) {
    properties = new ClassProperties(kClassPropertyBuckets);
    PropertyInfoCache().AddEntry(key, properties);
  }
  gLastClass = cls;
  gLastProperties = properties;
  return *properties;
}

struct GroupName {
  const char* name;
  PropertyGroup group;
};

constexpr GroupName kGroupNames[] = {
    {"Integer", PropertyGroup::kInt32}, {"Color", PropertyGroup::kInt32},
    {"Int32", PropertyGroup::kInt32},   {"UInt32", PropertyGroup::kUInt32},
    {"Int64", PropertyGroup::kInt64},   {"Currency", PropertyGroup::kInt64},
    {"UInt64", PropertyGroup::kUInt64}, {"Int16", PropertyGroup::kInt16},
    {"Short", PropertyGroup::kShort},   {"UInt16", PropertyGroup::kUInt16},
    {"UInt8", PropertyGroup::kUInt8},   {"Byte", PropertyGroup::kByte},
    {"Int8", PropertyGroup::kInt8},     {"Single", PropertyGroup::kSingle},
    {"Double", PropertyGroup::kDouble}, {"Boolean", PropertyGroup::kBoolean},
    {"String", PropertyGroup::kString}, {"Ptr", PropertyGroup::kNone},
};

// An array carries its element's name but is no value of that type; a pointer is no object.
PropertyGroup GroupOf(const PluginCodeType& type) {
  if (type.dimensions > 0 || type.name.IsEmpty()) return PropertyGroup::kNone;
  for (const GroupName& entry : kGroupNames) {
    if (ustrcmpi(entry.name, type.name.CString()) == 0) return entry.group;
  }
  return PropertyGroup::kObject;
}

// The asked name as a key for one lookup, without a record on the heap for every ask: a string
// record on the stack over a copy of the name (its own reference keeps the handle from ever
// freeing it). A map copies a key it keeps, so an entry is added under a string of its own.
class LookupKey {
 public:
  explicit LookupKey(const char* name) : mKey(OnStack(name)) {}
  LookupKey(const LookupKey&) = delete;
  LookupKey& operator=(const LookupKey&) = delete;

  const string& Key() const { return mKey; }
  // A key the map may keep.
  string Kept() const { return mKey.Storage() == &mRecord ? string(mKey.CString()) : mKey; }

 private:
  static constexpr size_t kLongestOnStack = 126;

  // Names are short: one pass copies and measures them (a longer one takes the heap).
  string OnStack(const char* name) {
    size_t length = 0;
    while (name[length] && length <= kLongestOnStack) {
      mData[1 + length] = static_cast<unsigned char>(name[length]);
      ++length;
    }
    if (length == 0 || length > kLongestOnStack) return string(name);
    mData[0] = static_cast<unsigned char>(length);
    mData[1 + length] = 0;
    mRecord = {1, mData, uint32_t(length + 2), uint32_t(length), kEncodingASCII};
    return string(&mRecord);
  }

  stringStorage mRecord{};
  unsigned char mData[kLongestOnStack + 3];
  string mKey;
};

PropertyInfo* ScanClass(const RuntimeClass* cls, const string& name) {
  ++gScanCount;
  ClassPropertyEntry entry{};
  for (int32_t i = 0; ClassPropertyAt(cls, i, &entry); ++i) {
    if (!entry.key || PropertyKeyName(entry.key).Compare(name) != 0) continue;
    const PluginCodeType type = PropertyKeyType(entry.key);
    return new PropertyInfo{type.name, entry.getter, entry.setter, entry.parameter, GroupOf(type)};
  }
  return nullptr;
}

// --- Members ------------------------------------------------------------------------------

bool IsNumeric(PropertyGroup group) {
  return group != PropertyGroup::kNone && group != PropertyGroup::kBoolean &&
         group != PropertyGroup::kString && group != PropertyGroup::kObject;
}

NumericType TypeOf(PropertyGroup group) {
  switch (group) {
    case PropertyGroup::kInt32:
      return NumericType::kInt32;
    case PropertyGroup::kUInt32:
      return NumericType::kUInt32;
    case PropertyGroup::kInt64:
      return NumericType::kInt64;
    case PropertyGroup::kUInt64:
      return NumericType::kUInt64;
    case PropertyGroup::kInt16:
    case PropertyGroup::kShort:
      return NumericType::kInt16;
    case PropertyGroup::kUInt16:
      return NumericType::kUInt16;
    case PropertyGroup::kUInt8:
    case PropertyGroup::kByte:
      return NumericType::kUInt8;
    case PropertyGroup::kInt8:
      return NumericType::kInt8;
    case PropertyGroup::kSingle:
      return NumericType::kSingle;
    case PropertyGroup::kDouble:
      return NumericType::kDouble;
    default:
      return NumericType::kBoolean;
  }
}

// A method tried after the property: the suffix after the name, and the type of its result
// (getters) or of its one parameter (setters).
struct MethodForm {
  const char* suffix;
  NumericType type;
};

// A conversion name and its worker, which reads a variant-like object into the member's type.
template <typename T>
struct ConversionName {
  const char* name;
  bool (*convert)(RuntimeObject* object, T* out);
  bool nilConverts;  // answers for a nil object (only VarType does)
};

template <typename T>
struct NumericMember {
  NumericType type;
  std::initializer_list<MethodForm> methods;
  std::initializer_list<ConversionName<T>> conversions;
};

bool TakesForReading(PropertyGroup group, NumericType member) {
  return IsNumeric(group) || (group == PropertyGroup::kBoolean && member == NumericType::kUInt8);
}

bool TakesForWriting(PropertyGroup group, NumericType member) {
  return TakesForReading(group, member) && group != PropertyGroup::kShort &&
         group != PropertyGroup::kByte;
}

void* MethodNamed(RuntimeObject* object, const char* name, const char* suffix) {
  const std::string declaration = std::string(name) + suffix;
  return QUORLoadObjectMethod(object, declaration.c_str());
}

template <typename T>
T NativeFor(const NumericValue& value, NumericType type) {
  if constexpr (std::is_same_v<T, double>) {
    return DoubleFor(value);
  } else if constexpr (std::is_same_v<T, float>) {
    return SingleFor(value);
  } else {
    return static_cast<T>(IntegerFor(value, type));
  }
}

template <typename T>
NumericValue ValueOfNative(T native, NumericType type) {
  if constexpr (std::is_floating_point_v<T>) {
    return RealValue(native);
  } else {
    return IntegerValue(static_cast<uint64_t>(native), type);
  }
}

template <typename T>
int32_t GetNumber(RuntimeObject* object, const char* name, T* out, const NumericMember<T>& m) {
  if (!out || !name) return 0;
  if (const PropertyInfo* info = LookupObjectProperty(object, name, true, false)) {
    if (!TakesForReading(info->group, m.type)) return 0;
    *out = NativeFor<T>(CallForNumber(info->getter, object, &info->parameter, TypeOf(info->group)),
                        m.type);
    return 1;
  }
  for (const MethodForm& form : m.methods) {
    if (void* method = MethodNamed(object, name, form.suffix)) {
      *out = NativeFor<T>(CallForNumber(method, object, nullptr, form.type), m.type);
      return 1;
    }
  }
  for (const ConversionName<T>& conversion : m.conversions) {
    if (ustrcmpi(name, conversion.name) != 0) continue;
    if (!object && !conversion.nilConverts) return 0;
    return conversion.convert(object, out) ? 1 : 0;
  }
  return 0;
}

template <typename T>
int32_t SetNumber(RuntimeObject* object, const char* name, T value, const NumericMember<T>& m) {
  if (!name) return 0;
  const NumericValue number = ValueOfNative(value, m.type);
  if (const PropertyInfo* info = LookupObjectProperty(object, name, false, true)) {
    if (!TakesForWriting(info->group, m.type)) return 0;
    CallWithNumber(info->setter, object, &info->parameter, number, TypeOf(info->group));
    return 1;
  }
  for (const MethodForm& form : m.methods) {
    if (void* method = MethodNamed(object, name, form.suffix)) {
      CallWithNumber(method, object, nullptr, number, form.type);
      return 1;
    }
  }
  return 0;
}

// Workers that read a wider type, cut to the member's width.
template <typename T, typename Wide, bool (*Worker)(RuntimeObject*, Wide*)>
bool LowBits(RuntimeObject* object, T* out) {
  Wide wide{};
  if (!Worker(object, &wide)) return false;
  *out = static_cast<T>(wide);
  return true;
}

bool TypeOfObject(RuntimeObject* object, int32_t* out) {
  *out = VarType(object);
  return true;
}

bool CurrencyAsUInt64(RuntimeObject* object, uint64_t* out) {
  return LowBits<uint64_t, Currency, TryVariantToCurrency>(object, out);
}

bool ColorAsInt32(RuntimeObject* object, int32_t* out) {
  return LowBits<int32_t, uint32_t, TryVariantToColor>(object, out);
}

bool BooleanAsByte(RuntimeObject* object, uint8_t* out) {
  return LowBits<uint8_t, bool, TryVariantToBoolean>(object, out);
}

using N = NumericType;

const NumericMember<int32_t> kIntMember{N::kInt32,
                                        {{"() as Integer", N::kInt32}, {"() as Int32", N::kInt32}},
                                        {{"Value", TryVariantToInt32, false},
                                         {"IntegerValue", TryVariantToInt32, false},
                                         {"ColorValue", ColorAsInt32, false},
                                         {"Type", TypeOfObject, true}}};
const NumericMember<int64_t> kInt64Member{
    N::kInt64,
    {{"() as Int64", N::kInt64}},
    {{"Int64Value", TryVariantToInt64, false}, {"CurrencyValue", TryVariantToCurrency, false}}};
const NumericMember<uint64_t> kUInt64Member{
    N::kUInt64,
    {{"() as UInt64", N::kUInt64}},
    {{"UInt64Value", TryVariantToUInt64, false}, {"CurrencyValue", CurrencyAsUInt64, false}}};
const NumericMember<uint32_t> kUInt32Member{
    N::kUInt32, {{"() as UInt32", N::kUInt32}}, {{"UInt32Value", TryVariantToUInt32, false}}};
const NumericMember<uint16_t> kUInt16Member{
    N::kUInt16,
    {{"() as UInt16", N::kUInt16}},
    {{"UInt16Value", LowBits<uint16_t, uint32_t, TryVariantToUInt32>, false}}};
const NumericMember<int16_t> kInt16Member{
    N::kInt16,
    {{"() as Int16", N::kInt16}, {"() as Short", N::kInt16}},
    {{"Int16Value", LowBits<int16_t, int32_t, TryVariantToInt32>, false}}};
const NumericMember<uint8_t> kUInt8Member{
    N::kUInt8,
    {{"() as UInt8", N::kUInt8}, {"() as Byte", N::kUInt8}, {"() as Boolean", N::kBoolean}},
    {{"UInt8Value", LowBits<uint8_t, uint32_t, TryVariantToUInt32>, false},
     {"BooleanValue", BooleanAsByte, false}}};
const NumericMember<int8_t> kInt8Member{
    N::kInt8,
    {{"() as Int8", N::kInt8}},
    {{"Int8Value", LowBits<int8_t, int32_t, TryVariantToInt32>, false}}};
const NumericMember<double> kDoubleMember{
    N::kDouble,
    {{"() as Double", N::kDouble}},
    {{"Value", TryVariantToDouble, false}, {"DoubleValue", TryVariantToDouble, false}}};
const NumericMember<float> kSingleMember{
    N::kSingle,
    {{"() as Single", N::kSingle}},
    {{"Value", TryVariantToSingle, false}, {"SingleValue", TryVariantToSingle, false}}};

const NumericMember<int32_t> kSetIntMember{
    N::kInt32, {{"(assigns foo as Integer)", N::kInt32}}, {}};
const NumericMember<uint32_t> kSetUInt32Member{
    N::kUInt32, {{"(assigns foo as UInt32)", N::kUInt32}}, {}};
const NumericMember<uint64_t> kSetUInt64Member{
    N::kUInt64, {{"(assigns foo as UInt64)", N::kUInt64}}, {}};
const NumericMember<int64_t> kSetInt64Member{
    N::kInt64, {{"(assigns foo as Int64)", N::kInt64}}, {}};
const NumericMember<uint16_t> kSetUInt16Member{
    N::kUInt16, {{"(assigns foo as UInt16)", N::kUInt16}}, {}};
const NumericMember<int16_t> kSetInt16Member{
    N::kInt16, {{"(assigns foo as Int16)", N::kInt16}}, {}};
const NumericMember<uint8_t> kSetUInt8Member{N::kUInt8,
                                             {{"(assigns foo as UInt8)", N::kUInt8},
                                              {"(assigns foo as Byte)", N::kUInt8},
                                              {"(assigns foo as Boolean)", N::kBoolean}},
                                             {}};
const NumericMember<int8_t> kSetInt8Member{N::kInt8, {{"(assigns foo as Int8)", N::kInt8}}, {}};
const NumericMember<float> kSetSingleMember{
    N::kSingle, {{"(assigns foo as Single)", N::kSingle}}, {}};
const NumericMember<double> kSetDoubleMember{
    N::kDouble, {{"(assigns foo as Double)", N::kDouble}}, {}};

// An object is of a property's class type when it or a parent bears the type's name, when its
// own class lists an interface of that name, or when the type is Object.
bool ObjectFitsType(RuntimeObject* value, const string& type) {
  for (const RuntimeClass* cls = value->classPtr; cls; cls = cls->parentClass) {
    if (string(cls->className).Compare(type) == 0) return true;
  }
  const RuntimeClass* own = value->classPtr;
  for (int32_t i = 0; own && i < own->interfaceCount; ++i) {
    const RuntimeClass* face = InterfaceEntries(own)[i].interfaceClass;
    if (face && string(face->className).Compare(type) == 0) return true;
  }
  return ustrcmpi(type.CString(), "Object") == 0;
}

}  // namespace

const PropertyInfo* LookupObjectProperty(RuntimeObject* object, const char* name, bool wantGetter,
                                         bool wantSetter) {
  if (!object || !name) return nullptr;
  const RuntimeClass* cls = object->classPtr;
  const LookupKey key(name);
  ClassProperties& properties = PropertiesOf(cls);
  PropertyInfo* info = nullptr;
  if (!properties.GetEntry(key.Key(), &info)) {
    info = ScanClass(cls, key.Key());
    properties.AddEntry(key.Kept(), info);
  }
  if (!info || (wantGetter && !info->getter) || (wantSetter && !info->setter)) return nullptr;
  return info;
}

uint32_t PropertyTableScanCount() { return gScanCount; }

// --- Getters --------------------------------------------------------------------------------

extern "C" int32_t QUORGetPropValueInt(RuntimeObject* object, const char* name, int32_t* value) {
  return GetNumber(object, name, value, kIntMember);
}
QV_EXPORT(QUORGetPropValueInt)

extern "C" int32_t QUORGetPropValueInt64(RuntimeObject* object, const char* name, int64_t* value) {
  return GetNumber(object, name, value, kInt64Member);
}
QV_EXPORT(QUORGetPropValueInt64)

extern "C" int32_t QUORGetPropValueUInt64(RuntimeObject* object, const char* name,
                                          uint64_t* value) {
  return GetNumber(object, name, value, kUInt64Member);
}
QV_EXPORT(QUORGetPropValueUInt64)

extern "C" int32_t QUORGetPropValueUInt32(RuntimeObject* object, const char* name,
                                          uint32_t* value) {
  return GetNumber(object, name, value, kUInt32Member);
}
QV_EXPORT(QUORGetPropValueUInt32)

extern "C" int32_t QUORGetPropValueUInt16(RuntimeObject* object, const char* name,
                                          uint16_t* value) {
  return GetNumber(object, name, value, kUInt16Member);
}
QV_EXPORT(QUORGetPropValueUInt16)

extern "C" int32_t QUORGetPropValueInt16(RuntimeObject* object, const char* name, int16_t* value) {
  return GetNumber(object, name, value, kInt16Member);
}
QV_EXPORT(QUORGetPropValueInt16)

extern "C" int32_t QUORGetPropValueUInt8(RuntimeObject* object, const char* name, uint8_t* value) {
  return GetNumber(object, name, value, kUInt8Member);
}
QV_EXPORT(QUORGetPropValueUInt8)
QV_EXPORT_AS("QUORGetPropValueBool", QUORGetPropValueUInt8)

extern "C" int32_t QUORGetPropValueInt8(RuntimeObject* object, const char* name, int8_t* value) {
  return GetNumber(object, name, value, kInt8Member);
}
QV_EXPORT(QUORGetPropValueInt8)

extern "C" int32_t QUORGetPropValueDouble(RuntimeObject* object, const char* name, double* value) {
  return GetNumber(object, name, value, kDoubleMember);
}
QV_EXPORT(QUORGetPropValueDouble)

extern "C" int32_t QUORGetPropValueSingle(RuntimeObject* object, const char* name, float* value) {
  return GetNumber(object, name, value, kSingleMember);
}
QV_EXPORT(QUORGetPropValueSingle)

extern "C" int32_t QUORGetPropValueString(RuntimeObject* object, const char* name,
                                          stringStorage** value) {
  if (!value || !name) return 0;
  if (const PropertyInfo* info = LookupObjectProperty(object, name, true, false)) {
    if (info->group != PropertyGroup::kString) return 0;
    *value = CallAccessor<stringStorage*>(info->getter, object, info->parameter);
    return 1;
  }
  if (void* method = MethodNamed(object, name, "() as String")) {
    *value = CallAccessor<stringStorage*>(method, object);
    return 1;
  }
  if (!object || (ustrcmpi(name, "Value") != 0 && ustrcmpi(name, "StringValue") != 0)) return 0;
  string text;
  if (!TryVariantToString(object, &text)) return 0;
  *value = text.ExtractStringStorage();
  return 1;
}
QV_EXPORT(QUORGetPropValueString)

extern "C" int32_t QUORGetPropValueObject(RuntimeObject* object, const char* name,
                                          RuntimeObject** value) {
  if (!value || !name) return 0;
  if (const PropertyInfo* info = LookupObjectProperty(object, name, true, false)) {
    if (info->group != PropertyGroup::kObject) return 0;
    *value = CallAccessor<RuntimeObject*>(info->getter, object, info->parameter);
    return 1;
  }
  if (void* method = MethodNamed(object, name, "() as Object")) {
    *value = CallAccessor<RuntimeObject*>(method, object);
    return 1;
  }
  if (ustrcmpi(name, "Value") == 0 || ustrcmpi(name, "ObjectValue") == 0) {
    RuntimeLockObject(object);
    *value = object;
    return 1;
  }
  if (!object || ustrcmpi(name, "DateValue") != 0) return 0;
  return TryVariantToDate(object, value) ? 1 : 0;
}
QV_EXPORT(QUORGetPropValueObject)

// --- Setters --------------------------------------------------------------------------------

extern "C" int32_t QUORSetPropValueInt(RuntimeObject* object, const char* name, int32_t value) {
  return SetNumber(object, name, value, kSetIntMember);
}
QV_EXPORT(QUORSetPropValueInt)

extern "C" int32_t QUORSetPropValueUInt32(RuntimeObject* object, const char* name, uint32_t value) {
  return SetNumber(object, name, value, kSetUInt32Member);
}
QV_EXPORT(QUORSetPropValueUInt32)

extern "C" int32_t QUORSetPropValueUInt64(RuntimeObject* object, const char* name, uint64_t value) {
  return SetNumber(object, name, value, kSetUInt64Member);
}
QV_EXPORT(QUORSetPropValueUInt64)

extern "C" int32_t QUORSetPropValueInt64(RuntimeObject* object, const char* name, int64_t value) {
  return SetNumber(object, name, value, kSetInt64Member);
}
QV_EXPORT(QUORSetPropValueInt64)

extern "C" int32_t QUORSetPropValueUInt16(RuntimeObject* object, const char* name, uint16_t value) {
  return SetNumber(object, name, value, kSetUInt16Member);
}
QV_EXPORT(QUORSetPropValueUInt16)

extern "C" int32_t QUORSetPropValueInt16(RuntimeObject* object, const char* name, int16_t value) {
  return SetNumber(object, name, value, kSetInt16Member);
}
QV_EXPORT(QUORSetPropValueInt16)

extern "C" int32_t QUORSetPropValueUInt8(RuntimeObject* object, const char* name, uint8_t value) {
  return SetNumber(object, name, value, kSetUInt8Member);
}
QV_EXPORT(QUORSetPropValueUInt8)
QV_EXPORT_AS("QUORSetPropValueBoolean", QUORSetPropValueUInt8)

extern "C" int32_t QUORSetPropValueInt8(RuntimeObject* object, const char* name, int8_t value) {
  return SetNumber(object, name, value, kSetInt8Member);
}
QV_EXPORT(QUORSetPropValueInt8)

extern "C" int32_t QUORSetPropValueSingle(RuntimeObject* object, const char* name, float value) {
  return SetNumber(object, name, value, kSetSingleMember);
}
QV_EXPORT(QUORSetPropValueSingle)

extern "C" int32_t QUORSetPropValueDouble(RuntimeObject* object, const char* name, double value) {
  return SetNumber(object, name, value, kSetDoubleMember);
}
QV_EXPORT(QUORSetPropValueDouble)

extern "C" int32_t QUORSetPropValueString(RuntimeObject* object, const char* name,
                                          stringStorage* value) {
  const PropertyInfo* info = LookupObjectProperty(object, name, false, true);
  if (!info || info->group != PropertyGroup::kString) return 0;
  CallAccessor<void>(info->setter, object, info->parameter, value);
  return 1;
}
QV_EXPORT(QUORSetPropValueString)

extern "C" int32_t QUORSetPropValueObject(RuntimeObject* object, const char* name,
                                          RuntimeObject* value) {
  const PropertyInfo* info = LookupObjectProperty(object, name, false, true);
  if (!info || info->group != PropertyGroup::kObject) return 0;
  if (value && !ObjectFitsType(value, info->type)) return 0;
  CallAccessor<void>(info->setter, object, info->parameter, value);
  return 1;
}
QV_EXPORT(QUORSetPropValueObject)
