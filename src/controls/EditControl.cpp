#include "controls/EditControl.h"

#include <utility>

#include "app/FolderItemImp.h"
#include "controls/EditField.h"
#include "controls/StyledText.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DataSourceBinding.h"
#include "core/Startup.h"
#include "strings/TextEncoding.h"
#include "windows/ControlRecord.h"
#include "strings/UTF8.h"

bool StyleRunInfo::SameStyle(const StyleRunInfo& other) const {
  return bold == other.bold && italic == other.italic && underline == other.underline &&
         size == other.size && color == other.color && font.CompareWithCase(other.font) == 0;
}

bool EditControlDelegate::KeyDown(EditControl* field, const string& key, int32_t modifiers,
                                  int32_t extra) {
  const string classic = ConvertEncoding(key, 0);
  const uint8_t byte = classic.Length() > 0 ? classic.Bytes()[0] : 0;
  return KeyDownChar(field, byte, modifiers, extra);
}

EditControl::EditControl(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
    : ContainerPane(owner, panelIndex, bounds) {}

EditControl::~EditControl() { Unbind(); }

bool EditControl::CanTakeFocus() {
  return !mRefuseFocus && IsEnabled() && IsVisibleAndShown();
}

void EditControl::Close() {
  Unbind();
  if (mOwner && ObjectIsaDefinition(mOwner, EditFieldClassDefinition())) {
    if (RuntimeObject* styled = AsEditField(mOwner)->styledText) {
      LinkStyledTextDelegate(styled, nullptr);
    }
  }
  mOwner = nullptr;
  ContainerPane::Close();
}

// Binding again without letting go first would bind the field twice, and leave it held by its
// data control after its window closed.
void EditControl::Bind() {
  Unbind();
  if (mDataSource.Compare(string()) == 0 || !mOwner) return;
  mBoundControl = BindToDataSource(mOwner, mDataSource.Storage(), kBindingEditField);
}

void EditControl::Unbind() {
  RuntimeObject* bound = std::exchange(mBoundControl, nullptr);
  if (bound) UnbindFromDataSource(bound, mOwner, kBindingEditField);
}

TextFieldTraits EditControl::GetTextFieldTraits() {
  return {IsMultiLine(), GetReadOnly(), GetAcceptTabs()};
}

int32_t CharacterCount(const string& utf8) {
  const char* p = utf8.CString();
  const char* end = p + utf8.Length();
  int32_t count = 0;
  for (; p < end; ++count) AdvanceUTF8(p, end, 1);
  return count;
}

int32_t EditControl::TextLength() { return CharacterCount(GetText(kEncodingUTF8)); }

namespace {

// The pane of a control object whose pane is an edit field, else nil.
EditControl* FieldPane(RuntimeObject* field) {
  if (!field) return nullptr;
  return dynamic_cast<EditControl*>(AsControl(field)->pane);
}

bool OpenFieldFile(FolderItemImp* item, RuntimeObject* field) {
  EditControl* pane = FieldPane(field);
  return pane && pane->OpenStyledFile(item);
}

bool SaveFieldFile(FolderItemImp* item, RuntimeObject* field) {
  EditControl* pane = FieldPane(field);
  return pane && pane->SaveStyledFile(item);
}

void InstallStyledFieldFileHooks() { SetStyledFieldFileHooks({&OpenFieldFile, &SaveFieldFile}); }

}  // namespace

QV_STARTUP(kStartupStyledFieldFileHooks, InstallStyledFieldFileHooks)
