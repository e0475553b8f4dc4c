#pragma once

class IGui;
class IPlugBase;

// Creates the editor's graphics context for this platform: on Windows the
// editor window's context (IGuiWin), on Linux the X11 window's (IGuiX11).
// The caller owns the result (it hands it to the plug-in with AttachEditor).
IGui* MakeEditor(IPlugBase* owner, int width, int height, int frameRate);
