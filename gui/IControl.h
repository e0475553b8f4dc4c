#pragma once
#include "gfx/IBounds.h"
#include "gui/IBlendSpec.h"
#include "gui/IImage.h"
#include "gui/IModKeys.h"

class IGui;
class IPlugBase;
class IParameter;

// An element of the editor: a rectangle that paints itself through the
// graphics context, reacts to the mouse and keys routed to it, and may be
// bound to one parameter of the plug-in. A bound control holds the
// parameter's value in normalised form; values from the plug-in are taken
// without reporting them back, values the user sets are reported to the
// plug-in (MarkDirty(true)).
class IControl {
public:
  IControl(IPlugBase* owner, int paramIdx, const IBounds& bounds = IBounds());
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Right button: opens the typed value entry.
  virtual void MouseDown(int x, int y, const IModKeys& mods);
  virtual void MouseUp(int x, int y, const IModKeys& mods);
  virtual void FileDropped(int x, int y, const char* path);
  virtual void MouseDragged(int x, int y, int dx, int dy, const IModKeys& mods);
  // Restores the default value (the first value the plug-in pushed).
  virtual void MouseDoubleClicked(int x, int y, const IModKeys& mods);
  // 0.01 per notch, 0.001 with shift or control.
  virtual void WheelTurned(int x, int y, const IModKeys& mods, int notches);
  virtual void KeyPressed(int x, int y, int key);
  virtual void MouseMovedOver(int x, int y, const IModKeys& mods);
  virtual void MouseLeft();
  virtual bool Paint(IGui* gui) = 0;
  // A value from the plug-in: taken without reporting it back. The first one
  // becomes the default value.
  virtual void ApplyPluginValue(double v);
  // A value the user set by another route than this control's own mouse
  // handling: reported to the plug-in even when unchanged.
  virtual void ApplyUserValue(double v);
  virtual void SetHidden(bool hidden);
  // Greyed controls paint at a quarter weight and take no mouse.
  virtual void SetGreyed(bool greyed);
  // Inside the target bounds, right and bottom edges included.
  virtual bool HitTest(int x, int y);
  // Clamps the value (not-a-number becomes the minimum), marks the control
  // for painting and, with report, hands the value to the plug-in.
  virtual void MarkDirty(bool report);
  // After a paint: stays dirty once more when a redraw again was asked for.
  virtual void MarkClean();
  virtual bool NeedsRedraw();

  // Opens the typed value entry for the bound parameter (nothing without one
  // or when prompting is disabled).
  void PromptForValue();

  IPlugBase* Owner() const { return mOwner; }
  // The graphics context the control is attached to, or null.
  IGui* Gui() const { return mGui; }
  void AttachTo(IGui* gui) { mGui = gui; }
  // The bound parameter, or null.
  IParameter* Param() const;

  const IBounds& Bounds() const { return mBounds; }
  const IBounds& TargetBounds() const { return mTargetBounds; }
  void SetTargetBounds(const IBounds& bounds) { mTargetBounds = bounds; }
  int ParamIdx() const { return mParamIdx; }
  double Value() const { return mValue; }
  double DefaultValue() const { return mDefaultValue; }
  bool IsHidden() const { return mHidden; }
  bool IsGreyed() const { return mGreyed; }
  bool RedrawAgain() const { return mRedrawAgain; }
  void SetRedrawAgain() { mRedrawAgain = true; }
  bool PromptDisabled() const { return mPromptDisabled; }
  void SetPromptDisabled(bool disabled) { mPromptDisabled = disabled; }
  bool DoubleClickAsPress() const { return mDoubleClickAsPress; }
  void SetDoubleClickAsPress(bool asPress) { mDoubleClickAsPress = asPress; }
  const IBlendSpec& Blend() const { return mBlend; }
  void SetBlend(const IBlendSpec& blend) { mBlend = blend; }

  // Where the control's drawing calls reached at its last paint, unclipped
  // (value texts wider than the control reach past its bounds). The graphics
  // context keeps it so that the area the control covers on screen is
  // repainted whole when the control changes.
  const IBounds& PaintedArea() const { return mPaintedArea; }
  void SetPaintedArea(const IBounds& area) { mPaintedArea = area; }
  // The bounds together with the painted area.
  IBounds Footprint() const { return mBounds.Union(mPaintedArea); }

protected:
  IPlugBase* mOwner;
  IGui* mGui = nullptr;
  IBounds mBounds;
  IBounds mTargetBounds;
  IImage mHeldImage;
  int mParamIdx;
  double mValue = 0.0;
  double mDefaultValue = -1.0;
  double mMin = 0.0;
  double mMax = 1.0;
  bool mDirty = true;
  bool mHidden = false;
  bool mGreyed = false;
  bool mRedrawAgain = false;
  bool mPromptDisabled = false;
  bool mDoubleClickAsPress = false;
  IBlendSpec mBlend;
  IBounds mPaintedArea;
};
