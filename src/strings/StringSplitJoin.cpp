#include "strings/StringSplitJoin.h"

#include <cstring>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"
#include "strings/StringFields.h"
#include "strings/TextEncoding.h"

namespace {

using StringGet = stringStorage* (*)(RuntimeArray* array, int32_t index);

const ArrayOperationTable* StringArrayTable() {
  return SelectArrayOperationTable(1, kArrayString);
}

// Keeps each piece's record with a reference of its own, for the array to take over.
void CollectPiece(void* pieces, string&& piece) {
  auto* records = static_cast<std::vector<stringStorage*>*>(pieces);
  records->push_back(std::move(piece).ExtractStringStorage());
}

void ReleasePieces(const std::vector<stringStorage*>& pieces) {
  for (stringStorage* piece : pieces) stringStorage::RemoveReference(piece);
}

// A String array of count elements, all nil when made; nil when it cannot be made.
RuntimeArray* NewStringArray(size_t count) {
  RuntimeArray* array = CreateArray(1, kArrayString, static_cast<int32_t>(count) - 1);
  const auto bytes = static_cast<int64_t>(count * sizeof(stringStorage*));
  if (array && QV_CHECK(array->bufferLength == bytes)) return array;
  RuntimeUnlockArray(array);
  return nullptr;
}

// The pieces' references move straight into the new array's buffer: storing them through the
// table would lock each once more. Where the pieces are slices of the source, the array is made
// first and their records right into it; 16-bit text cut as UTF-8 comes piece by piece.
stringStorage** ArrayForPieces(void* array, int32_t count) {
  auto* made = static_cast<RuntimeArray**>(array);
  *made = NewStringArray(static_cast<size_t>(count));
  return *made ? static_cast<stringStorage**>((*made)->data) : nullptr;
}

RuntimeArray* SplitIntoArray(stringStorage* source, stringStorage* delimiter, bool exactBytes) {
  const string text(source), cut(delimiter);
  RuntimeArray* array = nullptr;
  if (StringSplitRecords(text, cut, exactBytes, ArrayForPieces, &array)) return array;
  std::vector<stringStorage*> pieces;
  StringSplitEach(text, cut, exactBytes, CollectPiece, &pieces);
  array = NewStringArray(pieces.size());
  if (!array) {
    ReleasePieces(pieces);
    return nullptr;
  }
  if (!pieces.empty()) std::memcpy(array->data, pieces.data(), pieces.size() * sizeof(pieces[0]));
  return array;
}

// The elements of a one-dimensional String array, each with its own reference.
bool ReadStringArray(RuntimeArray* array, SimpleVector<string>& elements) {
  if (!QV_CHECK(array->table == StringArrayTable())) return false;
  StringGet get = reinterpret_cast<StringGet>(array->table->get);
  int32_t last = array->table->ubound(array, 1);
  for (int32_t i = 0; i <= last; ++i) elements.Append(string::Adopt(get(array, i)));
  return true;
}

// The delimiter's encoding, then the first element's, then combined with each later one; ASCII
// elements take on the encoding of a delimiter they cannot hold.
TextEncoding WorkingEncoding(const SimpleVector<string>& elements, const string& delimiter) {
  TextEncoding working = delimiter.Encoding();
  for (uint32_t i = 0; i < elements.size(); ++i) {
    const string& element = elements[static_cast<int32_t>(i)];
    if (element.IsEmpty()) continue;
    working = i == 0 ? element.Encoding() : CommonEncoding(working, element.Encoding(), true);
  }
  return WidenedEncoding(working, delimiter);
}

}  // namespace

extern "C" RuntimeArray* StringSplit(stringStorage* source, stringStorage* delimiter) {
  return SplitIntoArray(source, delimiter, false);
}
QV_EXPORT(StringSplit)

extern "C" RuntimeArray* StringSplitB(stringStorage* source, stringStorage* delimiter) {
  return SplitIntoArray(source, delimiter, true);
}
QV_EXPORT(StringSplitB)

extern "C" stringStorage* StringJoin(RuntimeArray* array, stringStorage* delimiterRecord) {
  SimpleVector<string> elements;
  if (!array || !ReadStringArray(array, elements) || elements.empty()) return nullptr;
  TextEncoding working = WorkingEncoding(elements, string(delimiterRecord));
  string delimiter = ConvertEncoding(string(delimiterRecord), working);
  int64_t total = int64_t{delimiter.Length()} * (elements.size() - 1);
  for (uint32_t i = 0; i < elements.size(); ++i) {
    string& element = elements[static_cast<int32_t>(i)];
    element = ConvertEncoding(element, working);
    total += element.Length();
  }
  string out;
  if (total == 0 || !out.AllocateBuffer(total)) return nullptr;
  char* ptr = static_cast<char*>(out);
  for (uint32_t i = 0; i < elements.size(); ++i) {
    if (i > 0) {
      std::memcpy(ptr, delimiter.CString(), static_cast<size_t>(delimiter.Length()));
      ptr += delimiter.Length();
    }
    const string& element = elements[static_cast<int32_t>(i)];
    std::memcpy(ptr, element.CString(), static_cast<size_t>(element.Length()));
    ptr += element.Length();
  }
  if (!QV_CHECK_TEXT(ptr - out.CString() == total, "ptr - out.CString() == totalLen", nullptr))
    return nullptr;
  out.SetEncoding(working);
  return out.ExtractStringStorage();
}
QV_EXPORT(StringJoin)
