#include "gui/IEntryPopup.h"

#include <string>

#include "gui/IControl.h"
#include "gui/IGui.h"
#include "gui/IGuiWinRules.h"

void IEntryPopup::Open(IControl* control, IParameter* param) {
  mControl = control;
  mParam = param;
}

IEntryPopup::Step IEntryPopup::Tick() {
  if (!IsOpen()) return kKeepOpen;
  switch (mState) {
    case IValueEntry::EntryActive:
      mState = IValueEntry::EntryIdle;
      return kKeepOpen;
    case IValueEntry::EntryCommit:
      return kApplyAndClose;
    case IValueEntry::EntryCancel:
      return kClose;
    default:
      return kKeepOpen;
  }
}

IEntryPopup::Step IEntryPopup::StepForClosing() const {
  return IsOpen() && mState == IValueEntry::EntryCommit ? kApplyAndClose : kClose;
}

void IEntryPopup::Close(IGui* gui, const char* committedText) {
  IControl* control = mControl;
  IParameter* param = mParam;
  Forget();
  if (!control) return;
  if (committedText && gui) gui->SetValueFromEntry(control, param, iguiwin::EntryText(committedText).c_str());
  control->MarkDirty(true);
  control->SetRedrawAgain();
}
