// RuntimeEditRouter, and what it applies to the field: the input mask, the display Format, the
// edit menu, AppendText, a bound data-source object and the StyledText property.
#include <algorithm>
#include <string>
#include <utility>

#include "controls/ControlAccessors.h"
#include "controls/EditControlGTK.h"
#include "controls/EditField.h"
#include "controls/EditFieldHooks.h"
#include "controls/EditMask.h"
#include "controls/StyledText.h"
#include "core/ClassFieldAccessors.h"
#include "core/EventHandlers.h"
#include "core/Export.h"
#include "core/ExceptionClasses.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/SystemBeep.h"
#include "database/DataBinding.h"
#include "strings/FormatPicture.h"
#include "strings/StringNumbers.h"
#include "strings/TextEncoding.h"
#include "windows/GtkClipboards.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"
#include "windows/WindowControls.h"

namespace {

void (*gBeep)() = &SystemBeep;

std::string Bytes(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

string UTF8(const std::string& bytes) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
}

// Holds the field object and its pane's chain for one router operation, and tells whether
// both are still in their place: the pane open in an open window and still the field's.
class FieldHold {
 public:
  FieldHold(RuntimeObject* field, EditControl* pane) : mField(field), mPane(pane) {
    RuntimeLockObject(field);
    mHeld = pane && pane->RetainChain();
  }
  ~FieldHold() {
    if (mHeld) mPane->ReleaseChain();
    RuntimeUnlockObject(mField);  // may end the field and its router
  }
  FieldHold(const FieldHold&) = delete;
  FieldHold& operator=(const FieldHold&) = delete;

  bool Open() const {
    if (!mHeld || mPane->IsClosing() || AsControl(mField)->pane != mPane) return false;
    Window* window = mPane->GetWindow();
    return window && !window->IsClosing();
  }

 private:
  RuntimeObject* mField;
  EditControl* mPane;
  bool mHeld = false;
};

const EditFieldHooks& Events() { return EditFieldEvents(); }

// The field's text, pushed to its data-source object's StringInterface.
void PushTextToSource(RuntimeObject* field) {
  RuntimeObject* source = AsEditField(field)->dataSourceObject;
  if (!source) return;
  EditControl* pane = EditPaneOf(field);
  const string text = pane ? pane->GetText(kEncodingUTF8) : string();
  RuntimeLockObject(source);
  CallInterfaceMethod<void>(source, StringInterfaceDefinition(), "setString", text.Storage());
  RuntimeUnlockObject(source);
}

bool HasSelection(EditControl* pane) { return pane->GetSelLength() > 0; }

void EnableMenuNamed(const char* name) {
  const string key(name);
  RuntimeObject* item = RuntimeMenuReference(key.Storage());
  if (!item) return;
  RuntimeEnableMenu(item);
  RuntimeUnlockObject(item);
}

}  // namespace

void SetEditFieldBeep(void (*beep)()) { gBeep = beep ? beep : &SystemBeep; }

// ---- the mask step ----

// What the last mask step left in the field: its text, which the mask accepts whole and gives
// back unchanged, and where the match stands after it. A key typed at the end of that text
// continues the match over the key alone and appends what it gives, instead of matching and
// setting the whole text again: typing costs the same at any length.
struct RuntimeEditRouter::MaskCache {
  string maskRecord;  // the Mask the rest was made for (held: no other can take its address)
  std::string mask;   // its UTF-8 bytes
  MaskSeparators separators;
  bool valid = false;  // text and state below hold
  std::string text;
  int32_t characters = 0;
  MaskMatchState state;

  // Takes text as what the field now shows, when the mask gives it back unchanged.
  void Remember(const std::string& shown) {
    text = shown;
    state = {};
    const MaskMatch match = ContinueMaskMatch(text, mask, separators, state);
    valid = match.result == MaskResult::kAccepted && match.accepted == text;
    characters = MaskCharacterCount(text);
  }
};

RuntimeEditRouter::RuntimeEditRouter(RuntimeObject* owner)
    : mOwner(owner), mMaskCache(std::make_unique<MaskCache>()) {}

RuntimeEditRouter::~RuntimeEditRouter() = default;

bool RuntimeEditRouter::ValidationError(EditControl* field, int32_t start, int32_t deleted,
                                        int32_t position, const string& text,
                                        bool selectInserted, int32_t) {
  return ApplyMask(field, start, deleted, position, text, selectInserted, false);
}

namespace {

// The step's refusal: ValidationError with the text and where it went wrong, or the beep.
void ReportRefusedEdit(RuntimeObject* owner, const std::string& invalidText,
                       int32_t startPosition) {
  if (LookupEventHandler(owner, Events().validationError)) {
    const string invalid = UTF8(invalidText);
    RaiseControlEvent<void>(owner, Events().validationError, nullptr, invalid.Storage(),
                            startPosition);
  } else {
    gBeep();
  }
}

// The edit is refused: answering false would let the field apply it.
void RaiseReservedMask() {
  const string message("Invalid Mask.  The tilde character (~) is reserved for future use.");
  RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(), message.Storage(), 0);
}

}  // namespace

bool RuntimeEditRouter::ApplyMask(EditControl* field, int32_t start, int32_t deleted,
                                  int32_t position, const string& text, bool selectInserted,
                                  bool keepAccepted) {
  RuntimeObject* owner = mOwner;
  MaskCache& cache = *mMaskCache;
  stringStorage* maskRecord = AsEditField(owner)->mask;
  if (cache.maskRecord.Storage() != maskRecord) {
    cache = MaskCache{};
    cache.maskRecord = string(maskRecord);
    cache.mask = Bytes(cache.maskRecord.GetUTF8String());
  }
  if (cache.mask.empty()) return false;
  FieldHold hold(owner, field);
  if (!hold.Open()) return true;
  MaskSeparators separators = LocaleMaskSeparators();
  if (separators.thousands != cache.separators.thousands ||
      separators.decimalPoint != cache.separators.decimalPoint ||
      separators.date != cache.separators.date || separators.time != cache.separators.time) {
    cache.separators = std::move(separators);
    cache.valid = false;
  }
  MaskEdit edit;
  edit.start = start;
  edit.deleted = deleted;
  edit.position = position;
  edit.inserted = Bytes(text.GetUTF8String());
  edit.select = selectInserted;
  edit.hasSelection = HasSelection(field);
  const std::string current = Bytes(field->GetText(kEncodingUTF8));
  if (cache.valid && current == cache.text && deleted <= 0 && !edit.inserted.empty() &&
      !keepAccepted && position == cache.characters && !edit.hasSelection) {
    return TypeAtMaskedEnd(field, edit.inserted, selectInserted);
  }
  const MaskStep step =
      ApplyMaskEdit(current, edit, cache.mask, cache.separators, keepAccepted);
  if (step.result == MaskResult::kReserved) {
    RaiseReservedMask();
    return true;
  }
  if (step.changeText) {
    cache.Remember(step.text);
    field->SetText(UTF8(step.text));
    if (!hold.Open()) return true;
    field->SetSelection(step.selStart, step.selStart + step.selLength);
  }
  if (step.result == MaskResult::kRefused && hold.Open())
    ReportRefusedEdit(owner, step.invalidText, step.startPosition);
  return true;
}

// The mask step of text typed at the end of the text the cache holds, with no selection: what
// ApplyMaskEdit gives for it, from the match over the typed text alone. What it accepts and
// the literals after it are appended to the field.
bool RuntimeEditRouter::TypeAtMaskedEnd(EditControl* field, const std::string& inserted,
                                        bool selectInserted) {
  RuntimeObject* owner = mOwner;
  MaskCache& cache = *mMaskCache;
  FieldHold hold(owner, field);
  MaskMatchState state = cache.state;
  const MaskMatch match = ContinueMaskMatch(inserted, cache.mask, cache.separators, state);
  if (match.result == MaskResult::kReserved) {
    RaiseReservedMask();
    return true;
  }
  if (match.result == MaskResult::kRefused) {
    ReportRefusedEdit(owner, cache.text + inserted,
                      cache.characters + MaskCharacterCount(match.accepted) + 1);
    return true;
  }
  const std::string added = match.accepted + match.literals;
  const int32_t position = cache.characters;
  const int32_t shift = MaskCharacterCount(inserted) + MaskCharacterCount(match.literals);
  const int32_t length = position + MaskCharacterCount(added);
  const int32_t selStart = std::clamp(selectInserted ? position : position + shift, 0, length);
  const int32_t selLength = selectInserted ? std::clamp(shift, 0, length - selStart) : 0;
  // The literals take the match on, as they will when the next key is matched after them.
  const MaskMatch literals = ContinueMaskMatch(match.literals, cache.mask, cache.separators,
                                               state);
  cache.valid = literals.result == MaskResult::kAccepted && literals.accepted == match.literals;
  cache.text += added;
  cache.characters = length;
  cache.state = state;
  field->AppendText(UTF8(added), 0);
  if (!hold.Open()) return true;
  field->SetSelection(selStart, selStart + selLength);
  return true;
}

extern "C" void EditMaskSetter(RuntimeObject* field, uint32_t, stringStorage* mask) {
  if (!field) return;
  EditFieldObject* record = AsEditField(field);
  field_accessors::Write(record->mask, mask);
  EditControl* pane = EditPaneOf(field);
  if (!pane || !record->router) return;
  record->router->ApplyMask(pane, 0, 0, pane->GetSelStart(), string(), false, true);
}
QV_EXPORT(EditMaskSetter)

// ---- events ----

void RuntimeEditRouter::TextChanged(EditControl* field) {
  RuntimeObject* owner = mOwner;
  EditFieldObject* record = AsEditField(owner);
  if (record->inTextChange) return;
  FieldHold hold(owner, field);
  record->inTextChange = 1;
  RaiseControlEvent<void>(owner, Events().textChange, nullptr);
  if (hold.Open() && record->liveUpdate) PushTextToSource(owner);
  if (hold.Open()) ApplyEditFormat(owner);
  record->inTextChange = 0;  // the held owner is still there, whatever happened to its pane
}

void RuntimeEditRouter::SelectionChanged(EditControl* field) {
  RuntimeObject* owner = mOwner;
  EditFieldObject* record = AsEditField(owner);
  if (record->inSelChange) return;
  FieldHold hold(owner, field);
  record->inSelChange = 1;
  RaiseControlEvent<void>(owner, Events().selChange, nullptr);
  record->inSelChange = 0;
}

bool RuntimeEditRouter::SelectAllOnFocus() {
  EditFieldObject* record = AsEditField(mOwner);
  if (string(record->format).IsEmpty()) return false;
  record->savedSelStart = 0;
  record->savedSelEnd = CharacterCount(string(record->text).GetUTF8String());
  return true;
}

void RuntimeEditRouter::GotFocus(EditControl* field) {
  RuntimeObject* owner = mOwner;
  EditFieldObject* record = AsEditField(owner);
  FieldHold hold(owner, field);
  if (!string(record->format).IsEmpty() && hold.Open()) {
    const uint8_t was = record->inTextChange;
    record->inTextChange = 1;
    field->SetText(string(record->text));
    record->inTextChange = was;
    if (!hold.Open()) return;
    field->SetSelection(record->savedSelStart, record->savedSelEnd);
  }
  if (hold.Open()) RaiseControlEvent<void>(owner, Events().gotFocus, nullptr);
}

void RuntimeEditRouter::LostFocus(EditControl* field) {
  RuntimeObject* owner = mOwner;
  FieldHold hold(owner, field);
  RaiseControlEvent<void>(owner, Events().lostFocus, nullptr);
  if (hold.Open()) PushTextToSource(owner);
  if (hold.Open()) ApplyEditFormat(owner);
}

bool RuntimeEditRouter::KeyDownChar(EditControl* field, uint8_t key, int32_t modifiers,
                                    int32_t extra) {
  // The pane hands bytes above 0x7F as whole characters to KeyDown; a byte here is ASCII or
  // the classic 8-bit encoding's.
  const char byte = char(key);
  const string text =
      string::FromBytes(&byte, 1, key < 0x80 ? kEncodingASCII : kEncodingMacRoman);
  return KeyDown(field, text, modifiers, extra);
}

bool RuntimeEditRouter::KeyDown(EditControl*, const string& key, int32_t, int32_t) {
  return RaiseControlEvent<bool>(mOwner, Events().keyDown, nullptr, key.Storage());
}

bool RuntimeEditRouter::MouseDown(EditControl*, int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, Events().mouseDown, nullptr, x, y);
}

bool RuntimeEditRouter::MouseUp(EditControl*, int32_t x, int32_t y) {
  RaiseControlEvent<void>(mOwner, Events().mouseUp, nullptr, x, y);
  return false;
}

void RuntimeEditRouter::EnableMenuItems(EditControl* field) {
  RuntimeObject* owner = mOwner;
  FieldHold hold(owner, field);
  if (!hold.Open()) return;
  EnableEditMenuItems(owner, field);
  if (hold.Open()) RaiseControlEvent<void>(owner, Events().enableMenuItems, nullptr);
}

bool RuntimeEditRouter::HandleMenuCommand(EditControl* field, RuntimeObject* item) {
  return HandleEditMenuCommand(mOwner, field, item);
}

bool RuntimeEditRouter::ControlEvent(EditControl*, int32_t code) {
  constexpr int32_t kGotFocusCode = 52;
  constexpr int32_t kLostFocusCode = 53;
  if (code == kGotFocusCode) RaiseControlEvent<void>(mOwner, Events().gotFocus, nullptr);
  if (code == kLostFocusCode) RaiseControlEvent<void>(mOwner, Events().lostFocus, nullptr);
  return false;
}

// ---- Format ----

void ApplyEditFormat(RuntimeObject* field) {
  EditControl* pane = EditPaneOf(field);
  EditFieldObject* record = AsEditField(field);
  if (!pane || string(record->format).IsEmpty() || GetFocusPane() == pane) return;
  const uint8_t was = record->inTextChange;
  record->inTextChange = 1;
  record->savedSelStart = pane->GetSelStart();
  record->savedSelEnd = pane->GetSelEnd();
  const string raw = pane->GetText(kEncodingUTF8);
  const string formatted = string::Adopt(StringFormat(Val(raw, nullptr), record->format));
  field_accessors::Write(record->formattedText, formatted.Storage());
  pane->SetText(formatted);
  field_accessors::Write(record->text, raw.Storage());
  record->inTextChange = was;
}

// ---- edit menu ----

void EnableEditMenuItems(RuntimeObject* field, EditControl* pane) {
  const EditFieldObject* record = AsEditField(field);
  const bool readOnly = record->readOnly != 0;
  if (HasSelection(pane)) {
    if (!record->password) {
      if (!readOnly) EnableMenuNamed("EditCut");
      EnableMenuNamed("EditCopy");
    }
    if (!readOnly) EnableMenuNamed("EditClear");
  }
  if (!readOnly && ClipboardOffersText()) EnableMenuNamed("EditPaste");
  EnableMenuNamed("EditSelectAll");
}

bool HandleEditMenuCommand(RuntimeObject* field, EditControl* pane, RuntimeObject* item) {
  if (!item) return false;
  const string name = string::Adopt(RuntimeMenuItemNameGetter(item, 0));
  const EditFieldObject* record = AsEditField(field);
  const bool readOnly = record->readOnly != 0;
  const bool password = record->password != 0;
  // Compare ignores letter case; CompareWithCase does not.
  auto is = [&](const char* command) { return name.Compare(string(command)) == 0; };
  if (is("EditCut")) {
    if (HasSelection(pane) && !readOnly && !password) pane->Cut();
  } else if (is("EditCopy")) {
    if (HasSelection(pane) && !password) pane->Copy();
  } else if (is("EditClear")) {
    if (HasSelection(pane) && !readOnly) pane->Clear();
  } else if (is("EditPaste")) {
    if (readOnly || !ClipboardHasText()) return false;
    pane->Paste();
  } else if (is("EditSelectAll")) {
    pane->SetSelection(0, pane->TextLength());
  } else {
    return false;
  }
  return true;
}

// ---- AppendText ----

extern "C" void editAppendText(RuntimeObject* field, stringStorage* text) {
  EditControl* pane = EditPaneOf(field);
  if (!pane || !text) return;
  FieldHold hold(field, pane);
  const string added(text);
  const int32_t limit = AsEditField(field)->limitText;
  int32_t excess = 0;
  if (limit > 0) {
    const int32_t length = pane->TextLength();
    const int64_t total = int64_t(length) + CharacterCount(added.GetUTF8String());
    // An excess beyond the whole text removes the text, never a range past its end.
    if (total > limit) excess = int32_t(std::min<int64_t>(total - limit, length));
  }
  pane->AppendText(added, excess);
}
QV_EXPORT(editAppendText)

// ---- bound data-source object ----

extern "C" void EditFieldSetDataSource(RuntimeObject* field, RuntimeObject* source) {
  if (!field) return;
  EditFieldObject* record = AsEditField(field);
  RuntimeLockObject(field);
  RuntimeLockObject(source);  // before the old one goes: they may be the same
  RuntimeObject* old = record->dataSourceObject;
  if (old) {
    CallInterfaceMethod<void>(old, DataNotifierInterfaceDefinition(),
                              "removeDataNotificationReceiver", field);
  }
  record->dataSourceObject = source;
  RuntimeUnlockObject(old);
  if (source) {
    CallInterfaceMethod<void>(source, DataNotifierInterfaceDefinition(),
                              "addDataNotificationReceiver", field);
    if (FindInterfaceMethod(source, StringProviderInterfaceDefinition(), "getString")) {
      const string text = string::Adopt(CallInterfaceMethod<stringStorage*>(
          source, StringProviderInterfaceDefinition(), "getString"));
      if (EditControl* pane = EditPaneOf(field)) pane->SetText(text);
    }
    if (FindInterfaceMethod(source, DataAvailableProviderInterfaceDefinition(),
                            "DataAvailable")) {
      const bool available = CallInterfaceMethod<bool>(
          source, DataAvailableProviderInterfaceDefinition(), "DataAvailable");
      controlEnabledSetter(field, 0, available);
    }
  }
  RuntimeUnlockObject(field);
}
QV_EXPORT(EditFieldSetDataSource)

// ---- StyledText property ----

extern "C" RuntimeObject* StyledTextObjectGetter(RuntimeObject* field, uint32_t) {
  if (!QV_CHECK_TEXT(field, "self", nullptr)) return nullptr;
  RuntimeObject* styled = AsEditField(field)->styledText;
  RuntimeLockObject(styled);
  return styled;
}
QV_EXPORT(StyledTextObjectGetter)

namespace {

// The runs of from, in order, then the alignments of its paragraphs that are not 0.
void CopyStyledText(RuntimeObject* from, RuntimeObject* to) {
  const int32_t runs = StyledTextRunCountGetter(from);
  for (int32_t i = 0; i < runs; ++i) {
    RuntimeObject* run = StyledTextRunGetter(from, i);
    AppendStyledTextRun(to, run);
    RuntimeUnlockObject(run);
  }
  const int32_t paragraphs = StyledTextParagraphCountGetter(from);
  for (int32_t i = 0; i < paragraphs; ++i) {
    RuntimeObject* paragraph = StyledTextParagraphGetter(from, i);
    if (!paragraph) continue;
    const int32_t alignment = reinterpret_cast<ParagraphObject*>(paragraph)->alignment;
    RuntimeUnlockObject(paragraph);
    if (alignment != 0) StyledTextSetAlignment(to, i, alignment);
  }
}

}  // namespace

extern "C" void StyledTextObjectSetter(RuntimeObject* field, uint32_t, RuntimeObject* styled) {
  if (!field) return;
  EditFieldObject* record = AsEditField(field);
  if (styled == record->styledText || !record->styled) return;
  if (styled && !reinterpret_cast<StyledTextObject*>(styled)->delegate) return;
  EditControl* pane = EditPaneOf(field);
  if (!pane) return;  // nothing to link a new object to
  RuntimeLockObject(field);
  RuntimeLockObject(styled);
  if (RuntimeObject* old = std::exchange(record->styledText, nullptr)) {
    LinkStyledTextDelegate(old, nullptr);
    RuntimeUnlockObject(old);
  }
  RuntimeObject* fresh = NewObjectFromDefinition(StyledTextClassDefinition());
  LinkStyledTextDelegate(fresh, pane);
  record->styledText = fresh;
  if (styled) {
    // The field shows the new value's text alone, so that its paragraphs are the value's.
    pane->SetText(string());
    CopyStyledText(styled, fresh);
  }
  RuntimeUnlockObject(styled);
  RuntimeControlRefresh(field, 1);
  RuntimeUnlockObject(field);
}
QV_EXPORT(StyledTextObjectSetter)
