#include "values/Dictionary.h"

#include <cstring>
#include <new>

#include "arrays/ArrayElementAccess.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "values/VariantOperators.h"

namespace {

// Bin counts of automatic growth; the last serves every larger count.
constexpr uint32_t kBinPrimes[] = {61,   127,  251,  509,   1021,  2039,
                                   4093, 8191, 16381, 32749, 65521};
constexpr uint32_t kLargestEntryListStep = 1024;

DictionaryObject* AsDictionary(RuntimeObject* object) {
  return reinterpret_cast<DictionaryObject*>(object);
}

DictionaryEntry*& BinOf(DictionaryObject* d, uint32_t hash) { return d->bins[hash % d->binCount]; }

// 61 bins from the allocation that ends the process on exhaustion, so the count is never 0.
void SetUpTables(DictionaryObject* d) {
  d->binCount = kDictionaryInitialBins;
  d->bins = static_cast<DictionaryEntry**>(
      OSalloc(kDictionaryInitialBins * sizeof(DictionaryEntry*), kMemFullQuit));
  std::memset(d->bins, 0, kDictionaryInitialBins * sizeof(DictionaryEntry*));
  d->entries.set_chunk(kDictionaryInitialBins / 4);
  d->fixedBinCount = false;
}

void FreeEntry(DictionaryEntry* entry) {
  RuntimeUnlockObject(entry->key);
  RuntimeUnlockObject(entry->value);
  OSfreelen(entry, sizeof(DictionaryEntry));
}

// One operation on the tables: holds the busy flag from construction to destruction, and frees
// the entries it retired after the flag is down. It also holds a reference on the dictionary
// and on the key it was given: a key's hash or compare method is compiled code, which may drop
// the program's last reference to either while the bins are being walked.
class Operation {
 public:
  explicit Operation(RuntimeObject* object, RuntimeObject* key = nullptr)
      : mDictionary(Begin(AsDictionary(object))), mKey(mDictionary ? key : nullptr) {
    if (!mDictionary) return;
    RuntimeLockObject(object);
    RuntimeLockObject(mKey);
  }
  ~Operation() {
    if (!mDictionary) return;
    mDictionary->busy = false;
    while (DictionaryEntry* entry = mRetired) {
      mRetired = entry->next;
      FreeEntry(entry);
    }
    RuntimeUnlockObject(mKey);
    RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(mDictionary));  // may free it
  }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  explicit operator bool() const { return mDictionary != nullptr; }
  DictionaryObject* operator->() const { return mDictionary; }
  DictionaryObject* get() const { return mDictionary; }
  // Releases the entry's key and value, and frees it, once the operation is over.
  void Retire(DictionaryEntry* entry) {
    entry->next = mRetired;
    mRetired = entry;
  }

 private:
  static DictionaryObject* Begin(DictionaryObject* d) {
    if (!d) {
      RaiseNilObjectException();
      return nullptr;
    }
    if (d->busy) {
      RaiseNewExceptionWithMessage(
          RuntimeExceptionDefinition(),
          string("The Dictionary is in use: an operation on it has not finished").Storage(), 0);
      return nullptr;
    }
    if (!QV_CHECK_TEXT(d->bins && d->binCount > 0, "bins", nullptr)) return nullptr;
    d->busy = true;
    return d;
  }

  DictionaryObject* mDictionary;
  RuntimeObject* mKey;
  DictionaryEntry* mRetired = nullptr;
};

DictionaryEntry* Find(DictionaryObject* d, RuntimeObject* key, uint32_t hash) {
  for (DictionaryEntry* entry = BinOf(d, hash); entry; entry = entry->next) {
    if (entry->hash == hash && VariantsCompareEqual(entry->key, key)) return entry;
  }
  return nullptr;
}

DictionaryEntry* Find(DictionaryObject* d, RuntimeObject* key) {
  return Find(d, key, static_cast<uint32_t>(VariantHash(key)));
}

// The first prime above four thirds of the count: growth at 46 keys, where the target is 61
// itself, must move on to 127.
uint32_t BinCountFor(uint32_t count) {
  const uint64_t target = uint64_t{count} * 4 / 3;
  for (size_t i = 0; i + 1 < std::size(kBinPrimes); ++i) {
    if (kBinPrimes[i] > target) return kBinPrimes[i];
  }
  return kBinPrimes[std::size(kBinPrimes) - 1];
}

// Rehashes to requested bins, or to the prime for the count when requested < 1. Stored hashes
// are reused, never computed again. False, with the old bins kept, when the new ones cannot be
// had.
bool Rehash(DictionaryObject* d, int32_t requested) {
  const uint32_t size = requested < 1 ? BinCountFor(d->entries.size()) : uint32_t(requested);
  if (size == d->binCount) return true;
  const uint64_t bytes = uint64_t{size} * sizeof(DictionaryEntry*);
  if (bytes > UINT32_MAX) return false;
  auto* bins = static_cast<DictionaryEntry**>(OSalloc(uint32_t(bytes), kMemFullReturnNil));
  if (!bins) return false;
  std::memset(bins, 0, size_t(bytes));
  OSfree(d->bins);
  d->bins = bins;
  d->binCount = size;
  for (uint32_t i = 0; i < d->entries.size(); ++i) {
    DictionaryEntry* entry = d->entries[int32_t(i)];
    DictionaryEntry*& head = BinOf(d, entry->hash);
    entry->next = head;
    head = entry;
  }
  d->entries.set_chunk(size / 4 < kLargestEntryListStep ? size / 4 : kLargestEntryListStep);
  return true;
}

// The entry's references are taken before the key's hash runs: it may drop the caller's.
void Insert(Operation& op, RuntimeObject* key, RuntimeObject* value) {
  DictionaryObject* d = op.get();
  RuntimeLockObject(key);
  RuntimeLockObject(value);
  const auto hash = static_cast<uint32_t>(VariantHash(key));
  auto* entry = static_cast<DictionaryEntry*>(OSalloclen(sizeof(DictionaryEntry), kMemFullQuit));
  *entry = {key, value, hash, 0, nullptr};
  if (DictionaryEntry* existing = Find(d, key, hash)) {
    // The entry keeps its place; the new one leaves with the old value.
    std::swap(existing->value, entry->value);
    op.Retire(entry);
    return;
  }
  DictionaryEntry*& head = BinOf(d, hash);
  entry->next = head;
  head = entry;
  entry->index = int32_t(d->entries.size());
  d->entries.Append(entry);
  if (d->entries.size() > d->binCount * 3 / 4 && !d->fixedBinCount) Rehash(d, 0);
}

// Takes the entry out of its chain and the list, the last entry moving into its place.
bool Unlink(DictionaryObject* d, DictionaryEntry* entry) {
  DictionaryEntry** link = &BinOf(d, entry->hash);
  while (*link && *link != entry) link = &(*link)->next;
  if (!*link) return false;
  *link = entry->next;
  const int32_t i = entry->index;
  const int32_t last = int32_t(d->entries.size()) - 1;
  if (!QV_CHECK_TEXT(i >= 0 && i <= last, "index >= 0 and index <= lastIndex", nullptr)) {
    return false;
  }
  if (i < last) {
    DictionaryEntry* moved = d->entries[last];
    d->entries[i] = moved;
    moved->index = i;
  }
  d->entries.RemoveAt(last);
  return true;
}

// Entry index's key or value with one reference for the caller; OutOfBoundsException and nil
// for an index outside the list.
RuntimeObject* AtIndex(RuntimeObject* dictionary, int32_t index, bool key) {
  Operation op(dictionary);
  if (!op) return nullptr;
  if (uint32_t(index) >= op->entries.size()) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  DictionaryEntry* entry = op->entries[index];
  RuntimeObject* object = key ? entry->key : entry->value;
  RuntimeLockObject(object);
  return object;
}

RuntimeArray* AllOf(RuntimeObject* dictionary, bool keys) {
  Operation op(dictionary);
  if (!op) return nullptr;
  const int32_t count = int32_t(op->entries.size());
  RuntimeArray* array = CreateArray(1, kArrayObject, count - 1);
  for (int32_t i = 0; array && i < count; ++i) {
    DictionaryEntry* entry = op->entries[i];
    ArraySetElement(array, i, reinterpret_cast<uintptr_t>(keys ? entry->key : entry->value));
  }
  return array;
}

int32_t ReadField(RuntimeObject* dictionary, uint32_t (*read)(const DictionaryObject*)) {
  if (!dictionary) {
    RaiseNilObjectException();
    return 0;
  }
  return int32_t(read(AsDictionary(dictionary)));
}

}  // namespace

extern "C" {

void dictionaryConstructor(RuntimeObject* dictionary) {
  if (!QV_CHECK(dictionary)) return;
  DictionaryObject* d = AsDictionary(dictionary);
  new (&d->entries) SimpleVector<DictionaryEntry*>(0);
  d->busy = false;
  SetUpTables(d);
}
QV_EXPORT(dictionaryConstructor)

// The dictionary stays busy from here on, so that a destructor of a released value that still
// reaches it raises rather than use what is being freed.
void dictionaryDestructor(RuntimeObject* dictionary) {
  if (!dictionary) return;
  DictionaryObject* d = AsDictionary(dictionary);
  d->busy = true;
  for (uint32_t i = 0; i < d->entries.size(); ++i) FreeEntry(d->entries[int32_t(i)]);
  OSfree(d->bins);
  d->bins = nullptr;
  d->entries.~SimpleVector();
}
QV_EXPORT(dictionaryDestructor)

int32_t dictionaryCount(RuntimeObject* dictionary) {
  return ReadField(dictionary, [](const DictionaryObject* d) { return d->entries.size(); });
}
QV_EXPORT(dictionaryCount)

int32_t dictionaryGetBins(RuntimeObject* dictionary) {
  return ReadField(dictionary, [](const DictionaryObject* d) { return d->binCount; });
}
QV_EXPORT(dictionaryGetBins)

void dictionarySetBins(RuntimeObject* dictionary, int32_t, int32_t binCount) {
  Operation op(dictionary);
  if (!op) return;
  if (!Rehash(op.get(), binCount)) {
    RaiseNewException(OutOfMemoryExceptionDefinition());
    return;
  }
  op->fixedBinCount = binCount > 0;
}
QV_EXPORT(dictionarySetBins)

// Every entry leaves at once; their keys and values are released once the dictionary is set
// up anew, as the constructor leaves it.
void dictionaryRemoveAll(RuntimeObject* dictionary) {
  Operation op(dictionary);
  if (!op) return;
  DictionaryObject* d = op.get();
  for (uint32_t i = 0; i < d->entries.size(); ++i) op.Retire(d->entries[int32_t(i)]);
  d->entries.Clear();
  OSfree(d->bins);
  SetUpTables(d);
}
QV_EXPORT(dictionaryRemoveAll)

int32_t dictionaryHasKey(RuntimeObject* dictionary, RuntimeObject* key) {
  Operation op(dictionary, key);
  return op && Find(op.get(), key) != nullptr;
}
QV_EXPORT(dictionaryHasKey)

RuntimeObject* dictionaryValueGetter(RuntimeObject* dictionary, RuntimeObject* key) {
  Operation op(dictionary, key);
  if (!op) return nullptr;
  DictionaryEntry* entry = Find(op.get(), key);
  if (!entry) {
    RaiseNewException(KeyNotFoundExceptionDefinition());
    return nullptr;
  }
  RuntimeLockObject(entry->value);
  return entry->value;
}
QV_EXPORT(dictionaryValueGetter)

void dictionaryValueSetter(RuntimeObject* dictionary, RuntimeObject* key, RuntimeObject* value) {
  Operation op(dictionary, key);
  if (op) Insert(op, key, value);
}
QV_EXPORT(dictionaryValueSetter)

RuntimeObject* DictionaryLookup(RuntimeObject* dictionary, RuntimeObject* key,
                                RuntimeObject* defaultValue) {
  Operation op(dictionary, key);
  if (!op) return nullptr;
  DictionaryEntry* entry = Find(op.get(), key);
  RuntimeObject* value = entry ? entry->value : defaultValue;
  RuntimeLockObject(value);
  return value;
}
QV_EXPORT(DictionaryLookup)

void dictionaryRemove(RuntimeObject* dictionary, RuntimeObject* key) {
  Operation op(dictionary, key);
  if (!op) return;
  DictionaryEntry* entry = Find(op.get(), key);
  if (!entry) {
    RaiseNewException(KeyNotFoundExceptionDefinition());
    return;
  }
  const bool ok = Unlink(op.get(), entry);
  if (!QV_CHECK(ok)) return;
  op.Retire(entry);
}
QV_EXPORT(dictionaryRemove)

RuntimeObject* dictionaryKey(RuntimeObject* dictionary, int32_t index) {
  return AtIndex(dictionary, index, true);
}
QV_EXPORT(dictionaryKey)

RuntimeObject* dictionaryValueByIndex(RuntimeObject* dictionary, int32_t index) {
  return AtIndex(dictionary, index, false);
}
QV_EXPORT(dictionaryValueByIndex)

RuntimeArray* dictionaryKeys(RuntimeObject* dictionary) { return AllOf(dictionary, true); }
QV_EXPORT(dictionaryKeys)

RuntimeArray* dictionaryValues(RuntimeObject* dictionary) { return AllOf(dictionary, false); }
QV_EXPORT(dictionaryValues)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kDictionaryProperties[] = {
    QV_READONLY("Count", Integer, dictionaryCount),
    QV_PROPERTY("BinCount", Integer, dictionaryGetBins, dictionarySetBins),
};
const MethodRow kDictionaryMethods[] = {
    QV_SUB("Clear", dictionaryRemoveAll),
    QV_FUNCTION("HasKey", Boolean, dictionaryHasKey, Param("key", Class<"Variant">)),
    QV_FUNCTION("Key", Class<"Variant">, dictionaryKey, Param("index", Integer)),
    QV_SUB("Remove", dictionaryRemove, Param("key", Class<"Variant">)),
    QV_FUNCTION_ASSIGNS("Value", Class<"Variant">, dictionaryValueGetter, dictionaryValueSetter,
                        Param("key", Class<"Variant">)),
    QV_FUNCTION("Lookup", Class<"Variant">, DictionaryLookup, Param("key", Class<"Variant">),
                Param("defaultValue", Class<"Variant">)),
    QV_FUNCTION("Values", ArrayOf<Class<"Variant">>, dictionaryValues),
    QV_FUNCTION("Keys", ArrayOf<Class<"Variant">>, dictionaryKeys),
};

}  // namespace

QV_CLASS(DictionaryClassDefinition,
         .name = "Dictionary",
         .objectSize = sizeof(DictionaryObject),
         .properties = kDictionaryProperties,
         .methods = kDictionaryMethods,
         .initializer = QV_CODE(dictionaryConstructor),
         .finalizer = QV_CODE(dictionaryDestructor))
QV_STARTUP_CLASS(kStartupDictionaryClass, DictionaryClassDefinition)

extern "C" RuntimeClass* RuntimeLookupDictionaryClass() {
  return RuntimeClassForDefinition(DictionaryClassDefinition());
}
QV_EXPORT(RuntimeLookupDictionaryClass)
