#include "gui/IGui.h"

#include <climits>
#include <cmath>
#include <new>

#include "framework/IParameter.h"
#include "framework/IPlugBase.h"
#include "gfx/Bitmap.h"
#include "gfx/Draw.h"
#include "gfx/RasterFont.h"
#include "gui/IControl.h"
#include "gui/IEditableTextControl.h"
#include "gui/IFontCache.h"
#include "gui/IImageCache.h"
#include "gui/IImageControl.h"
#include "gui/GuiMath.h"

using guimath::ClampToInt;
using guimath::TruncToInt;

namespace {

// A window onto part of another bitmap's pixels: drawing into it is drawing
// into that part of the other bitmap, clipped to it.
class BitmapView : public BitmapBase {
public:
  BitmapView(BitmapBase& base, const IBounds& part) : mBase(base), mPart(part) {}
  uint32_t* Pixels() override {
    uint32_t* pixels = mBase.Pixels();
    if (!pixels) return nullptr;
    const int storedTop = mBase.IsBottomUp() ? mBase.Height() - mPart.bottom : mPart.top;
    return pixels + static_cast<ptrdiff_t>(storedTop) * mBase.RowPixels() + mPart.left;
  }
  int Width() const override { return mPart.W(); }
  int Height() const override { return mPart.H(); }
  int RowPixels() const override { return mBase.RowPixels(); }
  bool IsBottomUp() const override { return mBase.IsBottomUp(); }
  bool SetSize(int, int) override { return false; }

private:
  BitmapBase& mBase;
  IBounds mPart;
};

bool Contains(const IBounds& outer, const IBounds& inner) {
  return inner.Empty() || (outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
                           outer.bottom >= inner.bottom);
}

}  // namespace

IGui::IGui(IPlugBase* owner, int width, int height, int frameRate)
    : IEditor(width, height, frameRate), mOwner(owner) {}

IGui::~IGui() {
  for (size_t i = mControls.size(); i-- > 0;) delete mControls[i];
  mControls.clear();
}

IControl* IGui::ControlAt(int index) const {
  return index >= 0 && index < NControls() ? mControls[static_cast<size_t>(index)] : nullptr;
}

BitmapBase* IGui::Canvas() {
  if (!mCanvas && mDrawingPrepared) {
    mCanvas.reset(new (std::nothrow) SysBitmap(Width(), Height()));
    // Defined pixels before the first paint.
    if (mCanvas) FillRect(mCanvas.get(), 0, 0, Width(), Height(), 0xFF000000u, 1.0f, ModeCopy);
  }
  return mCanvas.get();
}

// ---- Building -----------------------------------------------------------------

int IGui::AddControl(IControl* control) {
  if (!control) return -1;
  try {
    mControls.push_back(control);
  } catch (...) {
    delete control;
    return -1;
  }
  control->AttachTo(this);
  return NControls() - 1;
}

IImage IGui::LoadImage(int id, const char* name, int frames) {
  IImageCache& cache = IImageCache::Instance();
  BitmapBase* bitmap = cache.Find(id);
  if (!bitmap) {
    bitmap = LoadBitmapResource(id, name);
    if (bitmap && !cache.Append(id, bitmap)) bitmap = nullptr;
  }
  if (!bitmap) return IImage(nullptr, 0, 0, frames);
  return IImage(bitmap, bitmap->Width(), bitmap->Height(), frames);
}

void IGui::SetBackdrop(int id, const char* name) {
  const IImage image = LoadImage(id, name, 1);
  // Without its picture the backdrop still covers the editor, so that every
  // repaint starts from a clean ground.
  const IBounds bounds = image.bitmap ? IBounds(0, 0, image.width, image.height) : CanvasBounds();
  IImageControl* backdrop = new (std::nothrow) IImageControl(mOwner, -1, bounds, image, true);
  if (!backdrop) return;
  backdrop->SetBlend(IBlendSpec(IBlendSpec::kCopy, 1.0f));
  try {
    mControls.insert(mControls.begin(), backdrop);
  } catch (...) {
    delete backdrop;
    return;
  }
  backdrop->AttachTo(this);
  // A press in progress keeps its control.
  if (mCapture >= 0) ++mCapture;
}

// ---- Values -------------------------------------------------------------------

void IGui::ApplyPluginParameter(int index, double value, bool normalized) {
  if (index < 0) return;
  if (!normalized) {
    const IParameter* param = mOwner ? mOwner->ParamAt(index) : nullptr;
    if (!param) return;
    value = param->ToNormalized(value);
  }
  for (IControl* c : mControls)
    if (c->ParamIdx() == index) c->ApplyPluginValue(value);
}

void IGui::ApplyUserValueByParam(int index, double normalized) {
  if (index < 0) return;
  for (IControl* c : mControls)
    if (c->ParamIdx() == index) c->ApplyUserValue(normalized);
}

void IGui::SetHiddenByParam(int index, bool hidden) {
  if (index < 0) return;
  for (IControl* c : mControls)
    if (c->ParamIdx() == index) c->SetHidden(hidden);
}

void IGui::MarkAllDirty() {
  for (IControl* c : mControls) c->MarkDirty(false);
}

void IGui::PrepareDrawing() {
  mDrawingPrepared = true;
  if (!mScratch) mScratch.reset(new (std::nothrow) PixelBitmap(0, 0, 4));
}

// ---- Painting -----------------------------------------------------------------

bool IGui::CollectDirty(IBounds* out) {
  IBounds area;
  bool any = false;
  for (IControl* c : mControls) {
    if (!c->NeedsRedraw()) continue;
    area = area.Union(c->Footprint());
    any = true;
  }
  if (out) *out = area;
  return any;
}

bool IGui::Redraw(const IBounds& area) {
  if (mControls.empty()) return true;
  Canvas();
  mDrawArea = area;
  for (IControl* c : mControls) {
    const bool inArea = !area.Empty() && !c->Bounds().Empty() && c->Footprint().Overlaps(area);
    if (inArea && !c->IsHidden()) {
      const IBounds before = c->PaintedArea();
      c->SetPaintedArea(IBounds());
      mPainting = c;
      c->Paint(this);
      mPainting = nullptr;
      // What it drew before outside this area is still on the canvas.
      if (!Contains(area, before)) c->SetPaintedArea(c->PaintedArea().Union(before));
    } else if (inArea && Contains(area, c->PaintedArea())) {
      c->SetPaintedArea(IBounds());  // hidden, and what it drew is painted over
    }
    c->MarkClean();
  }
  return ShowArea(area);
}

void IGui::TimerTick() {
  IBounds area;
  if (CollectDirty(&area)) RequestRepaint(area);
  if (mEndEditCountdown > 0 && --mEndEditCountdown == 0 && mOwner) mOwner->EndPendingParamEdit();
}

void IGui::EndPendingWheelEdit() {
  if (mEndEditCountdown != 0 && mOwner) mOwner->EndPendingParamEdit();
}

void IGui::ReleasePress() {
  if (mCapture < 0 || mCapture >= NControls()) return;
  HandleMouseUp(mLastX, mLastY, IModKeys());
}

IBounds IGui::Clip(const IBounds& r) const { return r.Intersect(mDrawArea).Intersect(CanvasBounds()); }

void IGui::NotePainted(const IBounds& r) {
  if (!mPainting) return;
  const IBounds onCanvas = r.Intersect(CanvasBounds());
  mPainting->SetPaintedArea(mPainting->PaintedArea().Union(onCanvas));
}

// ---- Drawing calls ------------------------------------------------------------

bool IGui::DrawImage(const IImage& image, const IBounds& bounds, int srcX, int srcY, const IBlendSpec* blend) {
  if (!image.bitmap) return true;
  // The destination the image can reach from (srcX, srcY).
  const long long right = std::min<long long>(bounds.right, 0LL + bounds.left + image.bitmap->Width() - srcX);
  const long long bottom = std::min<long long>(bounds.bottom, 0LL + bounds.top + image.bitmap->Height() - srcY);
  NotePainted(IBounds(bounds.left, bounds.top, ClampToInt(right), ClampToInt(bottom)));
  const IBounds clipped = Clip(bounds);
  if (clipped.Empty()) return true;
  const long long sx = 0LL + srcX + clipped.left - bounds.left;
  const long long sy = 0LL + srcY + clipped.top - bounds.top;
  if (sx > INT_MAX || sy > INT_MAX || sx < INT_MIN || sy < INT_MIN) return true;
  BlitPart(mCanvas.get(), image.bitmap, clipped.left, clipped.top, int(sx), int(sy), clipped.W(), clipped.H(),
           BlendWeight(blend), BlendMode(blend));
  return true;
}

bool IGui::DrawImageFrame(const IImage& image, const IBounds& bounds, int frame, const IBlendSpec* blend,
                          bool vertical) {
  int offset = 0;
  if (image.frames >= 2 && frame >= 2) {
    const double extent = vertical ? image.height : image.width;
    offset = ClampToInt(static_cast<long long>(std::trunc(extent * (frame - 1) / image.frames + 0.5)));
  }
  return DrawImage(image, bounds, vertical ? 0 : offset, vertical ? offset : 0, blend);
}

bool IGui::DrawImageRotated(const IImage& image, int cx, int cy, double angle, float srcX, float srcY,
                            const IBlendSpec* blend) {
  if (!image.bitmap || !mCanvas) return true;
  const int w = image.width, h = image.height;
  const int dx = TruncToInt(float(cx) - float(w / 2));
  const int dy = TruncToInt(float(cy) - float(h / 2));
  const IBounds dest(dx, dy, ClampToInt(0LL + dx + w), ClampToInt(0LL + dy + h));
  NotePainted(dest);
  const IBounds onCanvas = dest.Intersect(CanvasBounds());
  const IBounds clipped = Clip(dest);
  if (clipped.Empty()) return true;
  const float weight = BlendWeight(blend);
  const int mode = BlendMode(blend) | FilterBilinear;
  bool direct = clipped == onCanvas || !mScratch;
  if (!direct) {
    mScratch->SetSize(onCanvas.W(), onCanvas.H());
    direct = !mScratch->Pixels() || mScratch->Width() != onCanvas.W() || mScratch->Height() != onCanvas.H();
  }
  if (direct) {
    BlitTransformed(mCanvas.get(), image.bitmap, dx, dy, w, h, srcX, srcY, float(w), float(h), float(angle), false,
                    weight, mode, 0.0f, 0.0f);
    return true;
  }
  // Only part of the image may be touched: rotate it onto a copy of the
  // canvas under it, placed so that the rotation sees the same coordinates
  // (and gives the same pixels) as on the canvas, then copy the part back.
  Blit(mScratch.get(), mCanvas.get(), 0, 0, &onCanvas, 1.0f, ModeCopy);
  BlitTransformed(mScratch.get(), image.bitmap, dx - onCanvas.left, dy - onCanvas.top, w, h, srcX, srcY, float(w),
                  float(h), float(angle), false, weight, mode, 0.0f, 0.0f);
  const IBounds part(clipped.left - onCanvas.left, clipped.top - onCanvas.top, clipped.right - onCanvas.left,
                     clipped.bottom - onCanvas.top);
  Blit(mCanvas.get(), mScratch.get(), clipped.left, clipped.top, &part, 1.0f, ModeCopy);
  return true;
}

bool IGui::FillBounds(const IRgba& colour, const IBounds& bounds, const IBlendSpec* blend) {
  NotePainted(bounds);
  const IBounds clipped = Clip(bounds);
  if (clipped.Empty()) return true;
  FillRect(mCanvas.get(), clipped.left, clipped.top, clipped.W(), clipped.H(), colour.Packed(), BlendWeight(blend),
           BlendMode(blend));
  return true;
}

bool IGui::DrawTextIn(IFontSpec& spec, const char* text, const IBounds& bounds) {
  if (!text || !text[0]) return true;
  RasterFont* font = spec.cachedFont ? spec.cachedFont : FindOrCreateFont(spec);
  if (!font) return false;
  font->SetInkColour(spec.colour.Packed());
  int flags = kTextNoClip;
  if ((spec.colour.A & 0xFF) < 255) flags |= UseInkAlpha;
  if (spec.align == IFontSpec::kAlignCentre)
    flags |= kTextCenter;
  else if (spec.align != IFontSpec::kAlignLeft)
    flags |= kTextRight;

  if (mPainting) {
    // Where the text lands, as the font places it, with room for glyphs
    // that reach past their advance.
    IBounds box(0, 0, 0, 0);
    font->RenderText(nullptr, text, -1, &box, (flags & ~(kTextCenter | kTextRight)) | kTextCalcRect);
    const long long w = box.right, h = box.bottom;
    long long x = bounds.left;
    if (flags & kTextCenter)
      x += (0LL + bounds.right - w - bounds.left) / 2;
    else if (flags & kTextRight)
      x = bounds.right - w;
    const int margin = 2 + font->LineHeight() / 16;
    NotePainted(IBounds(ClampToInt(x - margin), bounds.top, ClampToInt(x + w + margin), ClampToInt(bounds.top + h)));
  }

  const IBounds clipped = mDrawArea.Intersect(CanvasBounds());
  if (clipped.Empty() || !mCanvas) return true;
  IBounds rect = bounds;
  if (clipped == CanvasBounds()) {
    font->RenderText(mCanvas.get(), text, -1, &rect, flags);
    return true;
  }
  BitmapView view(*mCanvas, clipped);
  rect = IBounds(ClampToInt(0LL + bounds.left - clipped.left), ClampToInt(0LL + bounds.top - clipped.top),
                 ClampToInt(0LL + bounds.right - clipped.left), ClampToInt(0LL + bounds.bottom - clipped.top));
  font->RenderText(&view, text, -1, &rect, flags);
  return true;
}

IImage IGui::CropImage(const IImage& image, const IBounds& source) {
  if (!image.bitmap) return IImage(nullptr, 0, 0, image.frames);
  // Only what lies inside the image can be cut out of it.
  const IBounds part = source.Intersect(IBounds(0, 0, image.bitmap->Width(), image.bitmap->Height()));
  if (part.Empty()) return IImage(nullptr, 0, 0, image.frames);
  PixelBitmap* bitmap = new (std::nothrow) PixelBitmap(part.W(), part.H(), 4);
  if (!bitmap || !bitmap->Pixels()) {
    delete bitmap;
    return IImage(nullptr, 0, 0, image.frames);
  }
  BlitPart(bitmap, image.bitmap, 0, 0, part.left, part.top, part.W(), part.H(), 1.0f, ModeCopy);
  if (!IImageCache::Instance().Append(IImageCache::kCroppedId, bitmap)) return IImage(nullptr, 0, 0, image.frames);
  return IImage(bitmap, part.W(), part.H(), image.frames);
}

RasterFont* IGui::FindOrCreateFont(IFontSpec& spec) {
  IFontCache& cache = IFontCache::Instance();
  RasterFont* font = cache.Find(spec);
  if (!font) {
    font = IFontCache::Create(spec);
    if (!font || !cache.Append(spec, font)) return nullptr;
  }
  spec.cachedFont = font;
  return font;
}

// ---- Input ----------------------------------------------------------------------

bool IGui::NamesParam(int index) const { return mOwner && mOwner->ParamAt(index); }

void IGui::BeginEdit(IControl* control) {
  if (NamesParam(control->ParamIdx())) mOwner->BeginParamEdit(control->ParamIdx());
}

void IGui::EndEdit(IControl* control) {
  if (NamesParam(control->ParamIdx())) mOwner->EndParamEdit(control->ParamIdx());
}

int IGui::FindControlAt(int x, int y) {
  if (mCapture >= 0 && mCapture < NControls()) return mCapture;
  for (int i = NControls() - 1; i >= 0; --i) {
    IControl* c = mControls[static_cast<size_t>(i)];
    if (!c->IsHidden() && !c->IsGreyed() && c->HitTest(x, y)) return i;
  }
  return -1;
}

void IGui::HandleMouseDown(int x, int y, const IModKeys& mods) {
  mCapture = -1;
  mLastX = mLastY = -1;
  const int i = FindControlAt(x, y);
  if (i < 0) return;
  mCapture = i;
  mLastX = x;
  mLastY = y;
  IControl* c = mControls[static_cast<size_t>(i)];
  BeginEdit(c);
  if (NamesParam(c->ParamIdx())) mPressEdit = c->ParamIdx();
  c->MouseDown(x, y, mods);
}

void IGui::HandleMouseDrag(int x, int y, const IModKeys& mods) {
  if (mCapture < 0 || mCapture >= NControls()) return;
  if (x == mLastX && y == mLastY) return;
  const int dx = ClampToInt(0LL + x - mLastX), dy = ClampToInt(0LL + y - mLastY);
  mLastX = x;
  mLastY = y;
  mControls[static_cast<size_t>(mCapture)]->MouseDragged(x, y, dx, dy, mods);
}

void IGui::HandleMouseUp(int x, int y, const IModKeys& mods) {
  const int i = FindControlAt(x, y);
  mCapture = -1;
  mLastX = mLastY = -1;
  // A double click released away from its control still ends its own
  // gesture.
  const int pressEdit = mPressEdit;
  mPressEdit = -1;
  const int released = i >= 0 ? mControls[static_cast<size_t>(i)]->ParamIdx() : -1;
  if (i >= 0) {
    IControl* c = mControls[static_cast<size_t>(i)];
    c->MouseUp(x, y, mods);
    EndEdit(c);
  }
  if (pressEdit >= 0 && pressEdit != released && mOwner) mOwner->EndParamEdit(pressEdit);
}

void IGui::CancelPress() {
  mCapture = -1;
  mLastX = mLastY = -1;
  const int pressEdit = mPressEdit;
  mPressEdit = -1;
  if (pressEdit >= 0 && mOwner) mOwner->EndParamEdit(pressEdit);
}

bool IGui::HandleDoubleClick(int x, int y, const IModKeys& mods) {
  mCapture = -1;
  mLastX = mLastY = -1;
  const int i = FindControlAt(x, y);
  if (i < 0) return false;
  IControl* c = mControls[static_cast<size_t>(i)];
  BeginEdit(c);
  if (NamesParam(c->ParamIdx())) mPressEdit = c->ParamIdx();
  if (!c->DoubleClickAsPress()) {
    c->MouseDoubleClicked(x, y, mods);
    return false;
  }
  mCapture = i;
  mLastX = x;
  mLastY = y;
  c->MouseDown(x, y, mods);
  return true;
}

void IGui::HandleWheel(int x, int y, const IModKeys& mods, int notches) {
  const int i = FindControlAt(x, y);
  if (i < 0) return;
  IControl* c = mControls[static_cast<size_t>(i)];
  const int index = c->ParamIdx();
  const bool bound = NamesParam(index);
  if (bound) mOwner->BeginParamEditOnce(index);
  c->WheelTurned(x, y, mods, notches);
  if (bound) mOwner->EndParamEditDelayed(index);
}

void IGui::HandleKey(int x, int y, int key) {
  const int i = FindControlAt(x, y);
  if (i >= 0) mControls[static_cast<size_t>(i)]->KeyPressed(x, y, key);
}

void IGui::SetValueFromEntry(IControl* control, IParameter* param, const char* text) {
  if (!control) return;
  if (!text) text = "";
  if (param) {
    const double v = param->ParseDisplay(text);
    BeginEdit(control);
    control->ApplyUserValue(param->ToNormalized(v));
    EndEdit(control);
    return;
  }
  // Only text controls take a text. Other controls without a parameter are
  // left alone: they have no value a text could set.
  if (IEditableTextControl* editable = dynamic_cast<IEditableTextControl*>(control)) {
    if (editable->Editable()) editable->SetTextFromEntry(text);
  }
}
