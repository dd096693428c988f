#include "controls/StyledText.h"

#include "controls/StyledTextBaseImp.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/TextEncoding.h"

namespace {

StyledTextObject* AsStyledText(RuntimeObject* object) {
  return reinterpret_cast<StyledTextObject*>(object);
}

StyleRunObject* AsStyleRun(RuntimeObject* object) {
  return reinterpret_cast<StyleRunObject*>(object);
}

// The delegate of a StyledText argument: a nil object is a failed check, an unlinked one
// answers nothing.
StyledTextDelegate* DelegateOf(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "std", nullptr)) return nullptr;
  return AsStyledText(object)->delegate;
}

void StoreString(stringStorage** field, const string& value) {
  stringStorage* old = *field;
  *field = value.ExtractStringStorage();
  stringStorage::RemoveReference(old);
}

RuntimeObject* NewRange(ObjectDefinition* definition, int32_t start, int32_t length) {
  RuntimeObject* object = NewObjectFromDefinition(definition);
  if (!QV_CHECK_TEXT(object, "td", nullptr)) return nullptr;
  RangeObject* range = reinterpret_cast<RangeObject*>(object);
  range->startPos = start;
  range->length = length;
  range->endPos = start + length;
  return object;
}

// The text with every line ending as "\n": the end of line on this platform.
std::string TextWithLineFeeds(RuntimeObject* object) {
  const string text = string::Adopt(StyledTextGetter(object)).GetUTF8String();
  std::string out;
  const char* p = text.CString();
  const char* end = p + text.Length();
  for (; p < end; ++p) {
    if (*p == '\r') {
      out.push_back('\n');
      if (p + 1 < end && p[1] == '\n') ++p;
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

// The paragraphs: each maximal piece of characters without an end of line, and one more,
// empty, after a final end of line. A paragraph spans its characters and its end of line.
struct ParagraphSpan {
  int32_t start;
  int32_t length;
};

std::vector<ParagraphSpan> Paragraphs(const std::string& text) {
  std::vector<ParagraphSpan> spans;
  int32_t position = 0;  // in characters
  int32_t pieceStart = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (text[i] == '\n') {
      if (pieceStart >= 0) spans.push_back({pieceStart, position + 1 - pieceStart});
      pieceStart = -1;
    } else if (pieceStart < 0) {
      pieceStart = position;
    }
    ++position;
  }
  if (pieceStart >= 0) {
    spans.push_back({pieceStart, position - pieceStart});
  } else if (!text.empty() && text.back() == '\n') {
    spans.push_back({position, 0});
  }
  return spans;
}

}  // namespace

RuntimeObject* NewStyleRunObject(const StyleRunInfo& run) {
  RuntimeObject* object = NewObjectFromDefinition(StyleRunClassDefinition());
  if (!QV_CHECK_TEXT(object, "run", nullptr)) return nullptr;
  StyleRunObject* r = AsStyleRun(object);
  r->bold = run.bold;
  r->italic = run.italic;
  r->underline = run.underline;
  r->textColor = run.color;
  r->size = run.size;
  StoreString(&r->font, run.font);
  StoreString(&r->text, run.text);
  return object;
}

StyleRunInfo StyleRunFromObject(RuntimeObject* object) {
  StyleRunInfo run;
  const StyleRunObject* r = AsStyleRun(object);
  run.bold = r->bold;
  run.italic = r->italic;
  run.underline = r->underline;
  run.color = r->textColor;
  run.size = r->size;
  run.font = string(r->font);
  run.text = string(r->text).GetUTF8String();
  return run;
}

void LinkStyledTextDelegate(RuntimeObject* styledText, StyledTextDelegate* delegate) {
  if (!QV_CHECK_TEXT(styledText, "std", nullptr)) return;
  StyledTextObject* self = AsStyledText(styledText);
  if (self->ownsDelegate) delete self->delegate;
  self->delegate = delegate;
  self->ownsDelegate = 0;
}

extern "C" {

void StyledTextClassInitializer(RuntimeObject* object) {
  AsStyledText(object)->delegate = new StyledTextBaseImp();
  AsStyledText(object)->ownsDelegate = 1;
}
QV_EXPORT(StyledTextClassInitializer)

void StyledTextClassFinalizer(RuntimeObject* object) {
  StyledTextObject* self = AsStyledText(object);
  if (self->ownsDelegate) delete self->delegate;
  self->delegate = nullptr;
  self->ownsDelegate = 0;
}
QV_EXPORT(StyledTextClassFinalizer)

stringStorage* StyledTextGetter(RuntimeObject* object) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return nullptr;
  string text;
  const int32_t count = delegate->StyleRunCount();
  for (int32_t i = 0; i < count; ++i) {
    StyleRunInfo run;
    if (delegate->GetStyleRun(i, &run)) text += run.text;
  }
  if (!text.IsEmpty()) text.SetEncoding(kEncodingUTF8);
  return std::move(text).ExtractStringStorage();
}
QV_EXPORT(StyledTextGetter)

void StyledTextSetter(RuntimeObject* object, stringStorage* value) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return;
  for (int32_t count = delegate->StyleRunCount(); count > 0; --count) {
    delegate->RemoveStyleRun(0);
  }
  StyleRunInfo run;
  run.text = string(value).GetUTF8String();
  delegate->AppendStyleRun(run);
  delegate->RunsChanged();
}
QV_EXPORT(StyledTextSetter)

int32_t StyledTextGetBold(RuntimeObject* object, int32_t start, int32_t length) {
  StyledTextDelegate* delegate = DelegateOf(object);
  return delegate && delegate->GetBold(start, length);
}
QV_EXPORT(StyledTextGetBold)

void StyledTextSetBold(RuntimeObject* object, int32_t start, int32_t length, int32_t value) {
  if (StyledTextDelegate* delegate = DelegateOf(object)) delegate->SetBold(start, length, value == 1);
}
QV_EXPORT(StyledTextSetBold)

int32_t StyledTextGetItalic(RuntimeObject* object, int32_t start, int32_t length) {
  StyledTextDelegate* delegate = DelegateOf(object);
  return delegate && delegate->GetItalic(start, length);
}
QV_EXPORT(StyledTextGetItalic)

void StyledTextSetItalic(RuntimeObject* object, int32_t start, int32_t length, int32_t value) {
  if (StyledTextDelegate* delegate = DelegateOf(object)) {
    delegate->SetItalic(start, length, value == 1);
  }
}
QV_EXPORT(StyledTextSetItalic)

int32_t StyledTextGetUnderline(RuntimeObject* object, int32_t start, int32_t length) {
  StyledTextDelegate* delegate = DelegateOf(object);
  return delegate && delegate->GetUnderline(start, length);
}
QV_EXPORT(StyledTextGetUnderline)

void StyledTextSetUnderline(RuntimeObject* object, int32_t start, int32_t length,
                            int32_t value) {
  if (StyledTextDelegate* delegate = DelegateOf(object)) {
    delegate->SetUnderline(start, length, value == 1);
  }
}
QV_EXPORT(StyledTextSetUnderline)

stringStorage* StyledTextGetFont(RuntimeObject* object, int32_t start, int32_t length) {
  StyledTextDelegate* delegate = DelegateOf(object);
  return delegate ? delegate->GetFont(start, length).ExtractStringStorage() : nullptr;
}
QV_EXPORT(StyledTextGetFont)

void StyledTextSetFont(RuntimeObject* object, int32_t start, int32_t length,
                       stringStorage* value) {
  if (StyledTextDelegate* delegate = DelegateOf(object)) {
    delegate->SetFont(start, length, string(value));
  }
}
QV_EXPORT(StyledTextSetFont)

int32_t StyledTextGetSize(RuntimeObject* object, int32_t start, int32_t length) {
  StyledTextDelegate* delegate = DelegateOf(object);
  return delegate ? delegate->GetSize(start, length) : 0;
}
QV_EXPORT(StyledTextGetSize)

void StyledTextSetSize(RuntimeObject* object, int32_t start, int32_t length, int32_t value) {
  if (StyledTextDelegate* delegate = DelegateOf(object)) delegate->SetSize(start, length, value);
}
QV_EXPORT(StyledTextSetSize)

uint32_t StyledTextGetColor(RuntimeObject* object, int32_t start, int32_t length) {
  StyledTextDelegate* delegate = DelegateOf(object);
  return delegate ? delegate->GetColor(start, length) : 0;
}
QV_EXPORT(StyledTextGetColor)

void StyledTextSetColor(RuntimeObject* object, int32_t start, int32_t length, uint32_t value) {
  if (StyledTextDelegate* delegate = DelegateOf(object)) delegate->SetColor(start, length, value);
}
QV_EXPORT(StyledTextSetColor)

int32_t StyledTextRunCountGetter(RuntimeObject* object) {
  StyledTextDelegate* delegate = DelegateOf(object);
  return delegate ? delegate->StyleRunCount() : 0;
}
QV_EXPORT(StyledTextRunCountGetter)

RuntimeObject* StyledTextRunGetter(RuntimeObject* object, int32_t index) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return nullptr;
  // The delegates raise OutOfBoundsException themselves; the base answers no run silently.
  if (index < 0 || index >= delegate->StyleRunCount()) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  StyleRunInfo run;
  return delegate->GetStyleRun(index, &run) ? NewStyleRunObject(run) : nullptr;
}
QV_EXPORT(StyledTextRunGetter)

RuntimeObject* TextRangeGetter(RuntimeObject* object, int32_t index) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return nullptr;
  if (index < 0 || index >= delegate->StyleRunCount()) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  int32_t start = 0;
  int32_t length = 0;
  if (!delegate->GetStyleRunRange(index, &start, &length)) return nullptr;
  return NewRange(RangeClassDefinition(), start, length);
}
QV_EXPORT(TextRangeGetter)

void InsertStyledTextRun(RuntimeObject* object, RuntimeObject* run, int32_t index) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return;
  if (!run) {
    RaiseNilObjectException();
    return;
  }
  delegate->InsertStyleRun(StyleRunFromObject(run), index);
  delegate->RunsChanged();
}
QV_EXPORT(InsertStyledTextRun)

void AppendStyledTextRun(RuntimeObject* object, RuntimeObject* run) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return;
  if (!run) {
    RaiseNilObjectException();
    return;
  }
  delegate->AppendStyleRun(StyleRunFromObject(run));
  delegate->RunsChanged();
}
QV_EXPORT(AppendStyledTextRun)

void RemoveStyledTextRun(RuntimeObject* object, int32_t index) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return;
  if (index < 0 || index >= delegate->StyleRunCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  delegate->RemoveStyleRun(index);
  delegate->RunsChanged();
}
QV_EXPORT(RemoveStyledTextRun)

int32_t StyledTextParagraphCountGetter(RuntimeObject* object) {
  if (!DelegateOf(object)) return 0;
  return int32_t(Paragraphs(TextWithLineFeeds(object)).size());
}
QV_EXPORT(StyledTextParagraphCountGetter)

RuntimeObject* StyledTextParagraphGetter(RuntimeObject* object, int32_t index) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return nullptr;
  const std::vector<ParagraphSpan> spans = Paragraphs(TextWithLineFeeds(object));
  if (index < 0 || index >= int32_t(spans.size())) return nullptr;
  const ParagraphSpan& span = spans[size_t(index)];
  RuntimeObject* paragraph = NewRange(ParagraphClassDefinition(), span.start, span.length);
  if (paragraph) {
    reinterpret_cast<ParagraphObject*>(paragraph)->alignment =
        delegate->GetParagraphAlignment(span.start, span.length);
  }
  return paragraph;
}
QV_EXPORT(StyledTextParagraphGetter)

void StyledTextSetAlignment(RuntimeObject* object, int32_t index, int32_t alignment) {
  StyledTextDelegate* delegate = DelegateOf(object);
  if (!delegate) return;
  const std::vector<ParagraphSpan> spans = Paragraphs(TextWithLineFeeds(object));
  if (index < 0 || index >= int32_t(spans.size())) return;
  delegate->SetParagraphAlignment(spans[size_t(index)].start, spans[size_t(index)].length,
                                  alignment);
}
QV_EXPORT(StyledTextSetAlignment)

int32_t RangeEndPosGetter(RuntimeObject* object, uint32_t) {
  if (!QV_CHECK_TEXT(object, "range", nullptr)) return 0;
  const RangeObject* range = reinterpret_cast<RangeObject*>(object);
  return int32_t(int64_t(range->startPos) + range->length);
}
QV_EXPORT(RangeEndPosGetter)

void StyleRunQVConstructor(RuntimeObject* object, stringStorage* text) {
  if (!QV_CHECK_TEXT(object, "run", nullptr)) return;
  StoreString(&AsStyleRun(object)->text, string(text));
}
QV_EXPORT(StyleRunQVConstructor)

// A run's strings go with it.
void StyleRunDestructor(RuntimeObject* object) {
  StyleRunObject* run = AsStyleRun(object);
  stringStorage::RemoveReference(run->font);
  stringStorage::RemoveReference(run->text);
  run->font = run->text = nullptr;
}
QV_EXPORT(StyleRunDestructor)

// Printing of styled text is not provided on this platform.
void styledPrinterDrawBlock(RuntimeObject*, int32_t, int32_t, int32_t) {}
QV_EXPORT(styledPrinterDrawBlock)

void styledPrinterWidthSetter(RuntimeObject*, uint32_t, int32_t) {}
QV_EXPORT(styledPrinterWidthSetter)

void StyledTextDestructor(RuntimeObject*) {}
QV_EXPORT(StyledTextDestructor)

int32_t styledPrinterEOF(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(styledPrinterEOF)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kStyleRunProperties[] = {
    QV_PROPERTY("Bold", Boolean, boolGetter, boolSetter, offsetof(StyleRunObject, bold)).Flags(4),
    QV_PROPERTY("Italic", Boolean, boolGetter, boolSetter, offsetof(StyleRunObject, italic))
        .Flags(4),
    QV_PROPERTY("Underline", Boolean, boolGetter, boolSetter,
                offsetof(StyleRunObject, underline))
        .Flags(4),
    QV_PROPERTY("TextColor", Color, intGetter, intSetter,
                offsetof(StyleRunObject, textColor))
        .Flags(4),
    QV_PROPERTY("Size", Integer, intGetter, intSetter, offsetof(StyleRunObject, size)).Flags(4),
    QV_PROPERTY("Font", String, stringGetter, stringSetter, offsetof(StyleRunObject, font))
        .Flags(4),
    QV_PROPERTY("Text", String, stringGetter, stringSetter, offsetof(StyleRunObject, text))
        .Flags(4),
};
const MethodRow kStyleRunMethods[] = {
    QV_SUB("StyleRun", StyleRunQVConstructor, Param("v", String)),
};

const PropertyRow kRangeProperties[] = {
    QV_PROPERTY("StartPos", Integer, intGetter, intSetter, offsetof(RangeObject, startPos)),
    QV_READONLY("EndPos", Integer, RangeEndPosGetter),
    QV_PROPERTY("Length", Integer, intGetter, intSetter, offsetof(RangeObject, length)),
};

const PropertyRow kParagraphProperties[] = {
    QV_PROPERTY("Alignment", Integer, intGetter, intSetter, offsetof(ParagraphObject, alignment)),
};

#define QV_RANGE_PARAMETERS Param("Start", Integer), Param("Length", Integer).Default(1)
const MethodRow kStyledTextMethods[] = {
    QV_FUNCTION_ASSIGNS("Text", String, StyledTextGetter, StyledTextSetter).Flags(4),
    QV_FUNCTION_ASSIGNS("Bold", Boolean, StyledTextGetBold, StyledTextSetBold,
                        QV_RANGE_PARAMETERS)
        .Flags(4),
    QV_FUNCTION_ASSIGNS("Italic", Boolean, StyledTextGetItalic, StyledTextSetItalic,
                        QV_RANGE_PARAMETERS)
        .Flags(4),
    QV_FUNCTION_ASSIGNS("Underline", Boolean, StyledTextGetUnderline, StyledTextSetUnderline,
                        QV_RANGE_PARAMETERS)
        .Flags(4),
    QV_FUNCTION_ASSIGNS("Font", String, StyledTextGetFont, StyledTextSetFont, QV_RANGE_PARAMETERS)
        .Flags(4),
    QV_FUNCTION_ASSIGNS("Size", Integer, StyledTextGetSize, StyledTextSetSize, QV_RANGE_PARAMETERS)
        .Flags(4),
    QV_FUNCTION_ASSIGNS("TextColor", Color, StyledTextGetColor, StyledTextSetColor,
                        QV_RANGE_PARAMETERS)
        .Flags(4),
    QV_FUNCTION("StyleRunCount", Integer, StyledTextRunCountGetter).Flags(4),
    QV_FUNCTION("StyleRun", Class<"StyleRun">, StyledTextRunGetter, Param("Index", Integer))
        .Flags(4),
    QV_FUNCTION("StyleRunRange", Class<"Range">, TextRangeGetter, Param("Index", Integer))
        .Flags(4),
    QV_SUB("InsertStyleRun", InsertStyledTextRun, Param("r", Class<"StyleRun">),
           Param("Index", Integer))
        .Flags(4),
    QV_SUB("AppendStyleRun", AppendStyledTextRun, Param("r", Class<"StyleRun">)).Flags(4),
    QV_SUB("RemoveStyleRun", RemoveStyledTextRun, Param("Index", Integer)).Flags(4),
    QV_FUNCTION("ParagraphCount", Integer, StyledTextParagraphCountGetter).Flags(4),
    QV_FUNCTION("Paragraph", Class<"Paragraph">, StyledTextParagraphGetter,
                Param("Index", Integer))
        .Flags(4),
    QV_ASSIGNS_ONLY("ParagraphAlignment", Integer, StyledTextSetAlignment,
                    Param("Index", Integer))
        .Flags(4),
};
#undef QV_RANGE_PARAMETERS

const PropertyRow kPrinterProperties[] = {
    QV_READONLY("EOF", Boolean, styledPrinterEOF),
    QV_PROPERTY("Width", Integer, intGetter, styledPrinterWidthSetter, sizeof(RuntimeObject)),
};
const MethodRow kPrinterMethods[] = {
    QV_SUB("DrawBlock", styledPrinterDrawBlock, Param("x", Integer), Param("y", Integer),
           Param("height", Integer)),
};

}  // namespace

QV_CLASS(StyleRunClassDefinition,
         .name = "StyleRun",
         .objectSize = sizeof(StyleRunObject),
         .properties = kStyleRunProperties,
         .methods = kStyleRunMethods,
         .finalizer = QV_CODE(StyleRunDestructor))

QV_CLASS(RangeClassDefinition,
         .name = "Range",
         .objectSize = sizeof(RangeObject),
         .properties = kRangeProperties)

QV_CLASS(ParagraphClassDefinition,
         .name = "Paragraph",
         .super = RangeClassDefinition,
         .objectSize = sizeof(ParagraphObject),
         .properties = kParagraphProperties)

QV_CLASS(StyledTextClassDefinition,
         .name = "StyledText",
         .objectSize = sizeof(StyledTextObject),
         .methods = kStyledTextMethods,
         .initializer = QV_CODE(StyledTextClassInitializer),
         .finalizer = QV_CODE(StyledTextClassFinalizer))

QV_CLASS(StyledTextPrinterClassDefinition,
         .name = "StyledTextPrinter",
         .objectSize = sizeof(RuntimeObject) + 4,
         .properties = kPrinterProperties,
         .methods = kPrinterMethods,
         .finalizer = QV_CODE(StyledTextDestructor))

void RegisterStyledTextClasses() {
  RegisterClassDefinition(StyledTextClassDefinition());
  RegisterClassDefinition(StyleRunClassDefinition());
  RegisterClassDefinition(ParagraphClassDefinition());
  RegisterClassDefinition(RangeClassDefinition());
}

QV_STARTUP(kStartupStyledTextClasses, RegisterStyledTextClasses)
QV_STARTUP_CLASS(kStartupStyledTextPrinterClass, StyledTextPrinterClassDefinition)
