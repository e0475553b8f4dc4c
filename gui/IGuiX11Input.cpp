// The X11 editor window's input: X events turned into the graphics
// context's calls and into the open entry's typing. Runs on the window's
// thread with the plug-in lock held.
#include <X11/Xutil.h>

#include <cmath>

#include "gui/IGuiX11Window.h"
#include "gui/IKeyMap.h"

namespace {

constexpr unsigned kWheelUp = 4, kWheelDown = 5;

bool Routed(unsigned button) { return button == IClickTracker::kLeft || button == IClickTracker::kRight; }

// XLookupString gives Latin-1; entries hold UTF-8.
std::string Utf8FromLatin1(const char* bytes, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace

IModKeys ModsFromState(unsigned state) {
  return IModKeys((state & Button1Mask) != 0, (state & Button3Mask) != 0, (state & ShiftMask) != 0,
                  (state & ControlMask) != 0, (state & Mod1Mask) != 0);
}

void IGuiX11::OnEvent(const void* event) {
  const XEvent& e = *static_cast<const XEvent*>(event);
  const bool onPopup = mX->popup && e.xany.window == mX->popup;
  switch (e.type) {
    case Expose:
      if (onPopup)
        mListDirty = true;
      else if (e.xexpose.window == mX->window)
        mPending = mPending.Union(IBounds(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width,
                                          e.xexpose.y + e.xexpose.height));
      break;
    case ButtonPress:
    case ButtonRelease:
      if (onPopup)
        OnListEvent(event);
      else if (e.xbutton.window == mX->window)
        OnButton(event);
      break;
    case MotionNotify:
      if (onPopup)
        OnListEvent(event);
      else if (e.xmotion.window == mX->window)
        OnMotion(event);
      break;
    case EnterNotify:
    case LeaveNotify:
      if (e.xcrossing.window == mX->window) {
        mPointerInside = e.type == EnterNotify;
        mPointerX = e.xcrossing.x;
        mPointerY = e.xcrossing.y;
        mModifiers = e.xcrossing.state;
      }
      break;
    case KeyPress:
      OnKey(event);
      break;
    case FocusIn:
    case FocusOut:
      if (e.xfocus.window == mX->window && e.xfocus.detail != NotifyPointer) {
        mEntry.FocusChanged(e.type == FocusIn);
        if (mEntry.IsOpen() && !mEntry.IsList()) mPending = mPending.Union(mEntry.Bounds());
      }
      break;
    case DestroyNotify:
      if (e.xdestroywindow.window == mX->window) mX->windowGone = true;
      break;
    case MappingNotify: {
      XMappingEvent mapping = e.xmapping;
      XRefreshKeyboardMapping(&mapping);
      break;
    }
    default:
      break;
  }
}

void IGuiX11::OnButton(const void* event) {
  const XButtonEvent& b = static_cast<const XEvent*>(event)->xbutton;
  mPointerX = b.x;
  mPointerY = b.y;
  mModifiers = b.state;
  IModKeys mods = ModsFromState(b.state);
  const unsigned bit = 1u << b.button;

  if (b.type == ButtonRelease) {
    if (!Routed(b.button)) return;
    if (mSwallowed & bit) {
      mSwallowed &= ~bit;
      if (b.button == IClickTracker::kLeft) mSelecting = false;
      return;
    }
    if (!mClicks.Release(static_cast<int>(b.button)) || !(mRouted & bit)) return;
    mRouted &= ~bit;
    // The released button is no longer held.
    (b.button == IClickTracker::kLeft ? mods.left : mods.right) = false;
    HandleMouseUp(b.x, b.y, mods);
    return;
  }

  if (b.button == kWheelUp || b.button == kWheelDown) {
    HandleWheel(b.x, b.y, mods, b.button == kWheelUp ? 1 : -1);
    return;
  }
  if (!Routed(b.button)) return;
  if (mEntry.IsOpen()) {
    if (mEntry.BoxHit(b.x, b.y)) {
      // Presses in the edit box are the box's: the left one places the
      // caret (a double click selects everything), the right one does
      // nothing.
      mSwallowed |= bit;
      if (b.button == IClickTracker::kLeft) {
        if (mClicks.Press(static_cast<int>(b.button), b.x, b.y, static_cast<uint32_t>(b.time)) ==
            IClickTracker::kDoubleClick)
          mEntry.Box().SelectAll();
        else
          mEntry.PressInBox(b.x, b.y, mods.shift);
        mSelecting = true;
        mPending = mPending.Union(mEntry.Bounds());
      }
      return;
    }
    if (b.button == IClickTracker::kRight) {
      mEntry.RightPressInEditor();
      mSwallowed |= bit;
      return;
    }
    mEntry.LeftPressInEditor();
  }
  (b.button == IClickTracker::kLeft ? mods.left : mods.right) = true;
  switch (mClicks.Press(static_cast<int>(b.button), b.x, b.y, static_cast<uint32_t>(b.time))) {
    case IClickTracker::kPress:
      mRouted |= bit;
      HandleMouseDown(b.x, b.y, mods);
      break;
    case IClickTracker::kDoubleClick:
      mRouted |= bit;
      HandleDoubleClick(b.x, b.y, mods);
      break;
    case IClickTracker::kDropped:
      break;
  }
}

void IGuiX11::OnMotion(const void* event) {
  const XMotionEvent& m = static_cast<const XEvent*>(event)->xmotion;
  mPointerX = m.x;
  mPointerY = m.y;
  mModifiers = m.state;
  if (mSelecting) {
    if (mEntry.DragInBox(m.x, m.y)) mPending = mPending.Union(mEntry.Bounds());
    return;
  }
  if (mRouted) HandleMouseDrag(m.x, m.y, ModsFromState(m.state));
}

void IGuiX11::OnKey(const void* event) {
  XKeyEvent key = static_cast<const XEvent*>(event)->xkey;
  mModifiers = key.state;
  char typed[32];
  KeySym sym = NoSymbol;
  const int count = XLookupString(&key, typed, sizeof typed, &sym, nullptr);
  if (mEntry.IsOpen()) {
    const bool changed = mEntry.Key(EntryKeyFromKeySym(static_cast<uint32_t>(sym)), (key.state & ShiftMask) != 0,
                                    (key.state & ControlMask) != 0, Utf8FromLatin1(typed, count > 0 ? count : 0));
    if (changed && mEntry.IsList())
      mListDirty = true;
    else if (changed)
      mPending = mPending.Union(mEntry.Bounds());
    return;
  }
  const KeySym base = XLookupKeysym(&key, 0);
  const int code = KeyCodeFromKeySym(static_cast<uint32_t>(sym), static_cast<uint32_t>(base));
  // Keys reach the editor when the pointer is over it or it has the focus;
  // the control under the pointer gets them.
  if (code >= 0) HandleKey(key.x, key.y, code);
}

void IGuiX11::OnListEvent(const void* event) {
  const XEvent& e = *static_cast<const XEvent*>(event);
  if (e.type == MotionNotify) {
    if (mEntry.MoveInList(e.xmotion.x, e.xmotion.y)) mListDirty = true;
    return;
  }
  const XButtonEvent& b = e.xbutton;
  const bool inside = b.x >= 0 && b.y >= 0 && b.x < mEntry.Bounds().W() && b.y < mEntry.ListHeight();
  if (b.type == ButtonRelease) {
    // A press the editor took before the list opened ends here.
    const unsigned bit = 1u << b.button;
    if (Routed(b.button) && (mRouted & bit)) {
      mRouted &= ~bit;
      mClicks.Release(static_cast<int>(b.button));
      IModKeys mods = ModsFromState(b.state);
      (b.button == IClickTracker::kLeft ? mods.left : mods.right) = false;
      HandleMouseUp(b.x + mX->popupX, b.y + mX->popupY, mods);
    }
    return;
  }
  if (!inside) {
    // The list holds the pointer: a press anywhere but on it or the editor
    // closes it.
    mEntry.Cancel();
    return;
  }
  if (b.button == IClickTracker::kLeft) {
    if (mEntry.PressInList(b.x, b.y)) mListDirty = true;
  } else if (b.button == kWheelUp || b.button == kWheelDown) {
    if (mEntry.Key(b.button == kWheelUp ? EntryKey::kUp : EntryKey::kDown, false, false, std::string()))
      mListDirty = true;
  }
}

int IGuiX11::WheelAtCursor(float notches) {
  if (!mX || !mPointerInside) return 0;
  // Whole notches, toward zero; whatever the host sends.
  const float whole = std::isfinite(notches) ? std::trunc(std::fmax(-1e6f, std::fmin(1e6f, notches))) : 0.0f;
  IModKeys mods = ModsFromState(mModifiers);
  mods.left = mods.right = false;
  HandleWheel(mPointerX, mPointerY, mods, static_cast<int>(whole));
  return 1;
}
