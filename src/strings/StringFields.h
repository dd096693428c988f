// Delimited fields: CountFields and NthField, the split engine behind Split and the callers
// that want pieces without an array, key-value pairs, and the split of a path at one character.
// Text forms match the separator ignoring case after converting it to the source's encoding (an
// ASCII source first takes on the encoding of a separator it cannot hold, see WidenASCIIText;
// text that cannot be matched in its own bytes is cut in UTF-8 and its pieces converted back,
// see SearchEncoding); byte forms match exact bytes. Matches never overlap; n matches make
// n + 1 fields, and an empty field is nil.
#pragma once

#include <cstdint>
#include <vector>

#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"

// 0 for an empty source; 1 when the separator is empty.
int32_t StringCountFieldsCore(const string& source, const string& separator,
                              bool exactBytes = false);
// The n-th field (1-based); nil when n is out of range. With an empty separator the one field
// is the whole source.
string StringNthFieldCore(const string& source, const string& separator, int32_t n,
                          bool exactBytes = false);

// Hands each piece of source cut at delimiter to receive, in order.
using SplitPieceReceiver = void (*)(void* context, string&& piece);
void StringSplitEach(const string& source, const string& delimiter, bool exactBytes,
                     SplitPieceReceiver receive, void* context);
// Makes the records of the pieces of source cut at delimiter, each with one reference (nil for
// an empty piece), straight into the place that storage answers: it is asked once, with the
// number of pieces, before the first record is made, and may answer nil to have none made.
// False, asking nothing, for the text form on 16-bit text and text that cannot be matched in
// its own bytes, whose pieces are cut from its UTF-8 form and converted back (StringSplitEach).
using SplitRecordStorage = stringStorage** (*)(void* context, int32_t count);
bool StringSplitRecords(const string& source, const string& delimiter, bool exactBytes,
                        SplitRecordStorage storage, void* context);
// Appends the pieces of source cut at delimiter to pieces. An empty source gives none; an empty
// delimiter makes every character a piece; a delimiter at the end makes a final nil piece.
void StringSplitToVector(const string& source, const string& delimiter, bool exactBytes,
                         SimpleVector<string>& pieces);

// Cuts text into fields at fieldSeparator and each field at pairSeparator; a field that the
// pair separator cuts gives its first part as a key and its second as the value. Returns the
// number of pairs; a text of fewer than two fields gives 0 and leaves both vectors empty.
int32_t StringSplitPairs(const string& text, const string& pairSeparator,
                         const string& fieldSeparator, SimpleVector<string>& keys,
                         SimpleVector<string>& values);

// Converts text to UTF-8 in place and replaces the contents of pieces with the UTF-8 pieces
// between separator characters (a code point up to 255): a final separator makes no empty
// piece, and the empty text none at all.
void SplitStringAtChar(string& text, uint32_t separator, SimpleVector<string>& pieces);

extern "C" {
int32_t StringCountFields(stringStorage* source, stringStorage* separator);
stringStorage* StringNthField(stringStorage* source, stringStorage* separator, int32_t n);
int32_t StringCountFieldsB(stringStorage* source, stringStorage* separator);
stringStorage* StringNthFieldB(stringStorage* source, stringStorage* separator, int32_t n);
}
