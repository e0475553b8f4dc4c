#pragma once
// What the plug-in side needs of its editor. The editor's graphics context
// implements it; the plug-in owns the editor it is given and deletes it
// through this interface, so the plug-in never depends on drawing code.

class IEditor {
public:
  virtual ~IEditor() = default;

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  // Timer ticks per second; a value <= 0 at construction becomes 24.
  int FrameRate() const { return mFrameRate; }

  // Pushes a parameter value into every control bound to index; value is
  // plain unless normalized is true. Controls do not report it back.
  virtual void ApplyPluginParameter(int index, double value, bool normalized) = 0;
  // Makes every control bound to index take a normalised value as a user
  // edit, so that it is reported to the plug-in.
  virtual void ApplyUserValueByParam(int index, double normalized) = 0;
  virtual void SetHiddenByParam(int index, bool hidden) = 0;
  // Creates the drawing surfaces; called once when the editor is attached.
  virtual void PrepareDrawing() = 0;
  // End-of-edit countdown for wheel gestures, in timer ticks.
  virtual void StartEndEditDelay(int ticks) = 0;
  virtual void CancelEndEditDelay() = 0;
  // Opens the editor window inside the host's parent window; returns the
  // window handle or null.
  virtual void* OpenEditorWindow(void* parent) = 0;
  virtual void CloseEditorWindow() = 0;
  // A host-forwarded wheel turn at the cursor position.
  virtual int WheelAtCursor(float notches) { (void)notches; return 0; }
  // The host's idle call while the window is open. Windows whose events and
  // timer run by themselves need nothing here.
  virtual void Idle() {}

protected:
  IEditor(int width, int height, int frameRate)
      : mWidth(width), mHeight(height), mFrameRate(frameRate > 0 ? frameRate : 24) {}

private:
  int mWidth;
  int mHeight;
  int mFrameRate;
};
