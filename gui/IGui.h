#pragma once
#ifdef _WIN32
// The system header defines LoadImage as a macro. It is included here first
// and the macro dropped, so that the graphics context's LoadImage keeps its
// name in every file, whatever it includes later.
#include <windows.h>
#undef LoadImage
#endif

#include <memory>
#include <string>
#include <vector>

#include "framework/IEditor.h"
#include "gfx/IBounds.h"
#include "gui/IBlendSpec.h"
#include "gui/IFontSpec.h"
#include "gui/IImage.h"
#include "gui/IModKeys.h"
#include "gui/IRgba.h"

class BitmapBase;
class IControl;
class IEditableTextControl;
class IParameter;
class IPlugBase;
class PixelBitmap;
class RasterFont;
class SysBitmap;

// The editor's graphics context: owns the controls of one plug-in editor,
// paints them into an off-screen canvas, offers them their drawing calls,
// loads images and fonts through the process-wide caches, pushes parameter
// values into the controls and routes mouse and key input to them, telling
// the host when an edit gesture begins and ends.
//
// Everything here is platform-neutral. What needs a window system (showing
// the canvas, the window itself, pop-ups, folders, the browser, module
// resources) is left to the platform's subclass, which only turns native
// events into the calls below: mouse, wheel and keys into Handle...(), its
// timer into TimerTick(), and paint requests into Redraw().
class IGui : public IEditor {
public:
  IGui(IPlugBase* owner, int width, int height, int frameRate);
  ~IGui() override;

  // ---- Window services ------------------------------------------------------
  // Shows an area of the canvas on screen; called at the end of Redraw.
  virtual bool ShowArea(const IBounds& area) = 0;
  virtual bool IsWindowOpen() { return WindowHandle() != nullptr; }
  // Text entry over an editable text control, and typed value entry for a
  // parameter (centred on the control or covering it).
  virtual void PromptText(IEditableTextControl* control) = 0;
  virtual void PromptValue(IControl* control, IParameter* param, bool centred) = 0;
  // Folder of the host program or of the module, with a trailing separator;
  // empty when unknown.
  virtual void HostFolder(std::string* out) = 0;
  virtual void ModuleFolder(std::string* out) = 0;
  // File dialog (action 1 saves, any other opens); fileName empty on cancel.
  virtual void PromptFile(std::string* fileName, int action, const char* folder, const char* extensions) = 0;
  virtual bool PromptColour(IRgba* colour, const char* title) = 0;
  // Opens a web address in the user's browser; confirm and error texts are
  // optional message boxes.
  virtual bool OpenAddress(const char* address, const char* title, const char* confirm, const char* error) = 0;
  virtual void* WindowHandle() = 0;
  // A new bitmap decoded from the module's image resource, or null.
  virtual BitmapBase* LoadBitmapResource(int id, const char* name) = 0;
  // Asks the window to repaint an area soon (the timer's dirty area).
  virtual void RequestRepaint(const IBounds& area) = 0;

  // The end-of-edit countdown for wheel gestures, in timer ticks (plain
  // stores, made under the plug-in lock).
  void StartEndEditDelay(int ticks) override { mEndEditCountdown = ticks; }
  void CancelEndEditDelay() override { mEndEditCountdown = 0; }
  int EndEditCountdown() const { return mEndEditCountdown; }
  // One tick of the window's timer: the dirty area is handed to
  // RequestRepaint, and a pending wheel gesture ends when its countdown runs
  // out.
  void TimerTick();
  // Ends a pending wheel gesture now (the window is closing).
  void EndPendingWheelEdit();
  // A press whose release will not come (the window lost the mouse, or is
  // closing): the pressed control gets its release where the mouse last
  // was, and the host the end of the gesture. Nothing without a press.
  void ReleasePress();

  // ---- Building -------------------------------------------------------------
  // Appends a control (ownership passes here) and returns its index, or -1
  // for none.
  int AddControl(IControl* control);
  // An image from the cache, loading it on first use. A resource that is
  // missing or cannot be decoded gives an image without a bitmap (nothing is
  // drawn for it) and is not cached.
  IImage LoadImage(int id, const char* name, int frames);
  // Puts an image control showing the image, at its own size, first in the
  // list (existing controls move up one index).
  void SetBackdrop(int id, const char* name);

  // ---- Values ---------------------------------------------------------------
  void ApplyPluginParameter(int index, double value, bool normalized) override;
  void ApplyUserValueByParam(int index, double normalized) override;
  void SetHiddenByParam(int index, bool hidden) override;
  void MarkAllDirty();
  // From here on the editor draws: the canvas is made when first needed (the
  // first paint, or Canvas()), so an effect whose editor is never shown does
  // not carry one.
  void PrepareDrawing() override;

  // ---- Painting -------------------------------------------------------------
  // The union of the areas of the controls that need painting (hidden ones
  // included); false when none does.
  bool CollectDirty(IBounds* out);
  // Paints the visible controls that overlap the area, in list order, marks
  // every control clean and shows the area. Every drawing call is clipped to
  // the area, so a partial repaint gives exactly the pixels a whole repaint
  // gives there and leaves the rest untouched.
  bool Redraw(const IBounds& area);

  // ---- Drawing calls for the controls' Paint ---------------------------------
  // Blits the image with (srcX, srcY) at bounds' top-left.
  bool DrawImage(const IImage& image, const IBounds& bounds, int srcX, int srcY, const IBlendSpec* blend);
  // Frame n (1-based) of a multi-frame image.
  bool DrawImageFrame(const IImage& image, const IBounds& bounds, int frame, const IBlendSpec* blend, bool vertical);
  // The whole image rotated by angle (radians, clockwise) about its centre,
  // placed at (cx, cy), with bilinear sampling.
  bool DrawImageRotated(const IImage& image, int cx, int cy, double angle, float srcX, float srcY,
                        const IBlendSpec* blend);
  bool FillBounds(const IRgba& colour, const IBounds& bounds, const IBlendSpec* blend);
  // Draws text from the top of the bounds, aligned as the font spec says. False
  // when no font can be made.
  bool DrawTextIn(IFontSpec& spec, const char* text, const IBounds& bounds);
  // A new image holding the part of the image inside the source bounds
  // (kept in the image cache under id -1).
  IImage CropImage(const IImage& image, const IBounds& source);
  // The font spec's font, made on first use and remembered in it.
  RasterFont* FindOrCreateFont(IFontSpec& spec);

  // ---- Input ------------------------------------------------------------------
  // The control under the point (the captured one during a press), or -1.
  int FindControlAt(int x, int y);
  void HandleMouseDown(int x, int y, const IModKeys& mods);
  void HandleMouseUp(int x, int y, const IModKeys& mods);
  void HandleMouseDrag(int x, int y, const IModKeys& mods);
  // True when the double click became a press (the window then captures the
  // mouse).
  bool HandleDoubleClick(int x, int y, const IModKeys& mods);
  void HandleWheel(int x, int y, const IModKeys& mods, int notches);
  // Forgets a press whose release will never come (the window closes
  // during it), ending the host's edit gesture the press began.
  void CancelPress();
  void HandleKey(int x, int y, int key);
  // A text typed into or picked from the entry over a control. With a
  // parameter the text is read as the parameter reads display texts (a
  // number otherwise, 0 when it holds none; clamped to the range) and
  // applied as a user edit between the begin and the end of a gesture.
  // Without one, an editable text control takes the text.
  void SetValueFromEntry(IControl* control, IParameter* param, const char* text);

  // ---- Inspection ---------------------------------------------------------------
  IPlugBase* Owner() const { return mOwner; }
  int NControls() const { return static_cast<int>(mControls.size()); }
  IControl* ControlAt(int index) const;
  // The off-screen canvas (made on first call once drawing is prepared).
  BitmapBase* Canvas();
  const IBounds& DrawArea() const { return mDrawArea; }
  int CaptureIndex() const { return mCapture; }

private:
  // Edit gestures go to the host only for indices that name a parameter.
  bool NamesParam(int index) const;
  void BeginEdit(IControl* control);
  void EndEdit(IControl* control);
  IBounds CanvasBounds() const { return IBounds(0, 0, Width(), Height()); }
  // The part of r that the current paint may touch: the draw area on the canvas.
  IBounds Clip(const IBounds& r) const;
  // Remembers that the control being painted drew at r.
  void NotePainted(const IBounds& r);

  IPlugBase* mOwner;
  std::vector<IControl*> mControls;
  IBounds mDrawArea;
  std::unique_ptr<SysBitmap> mCanvas;
  std::unique_ptr<PixelBitmap> mScratch;
  bool mDrawingPrepared = false;
  int mCapture = -1;
  int mLastX = -1;
  int mLastY = -1;
  int mEndEditCountdown = 0;
  // The parameter whose edit gesture the current press (or double click)
  // began at the host, -1 for none.
  int mPressEdit = -1;
  IControl* mPainting = nullptr;
};
