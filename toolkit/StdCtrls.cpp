#include "StdCtrls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "Error.h"

namespace {

void TrackMouseLeave(HWND Wnd, bool NonClient) {
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | (NonClient ? TME_NONCLIENT : 0u), Wnd, 0};
  TrackMouseEvent(&track);
}

bool CursorOver(HWND Wnd) {
  POINT cursor;
  RECT rect;
  return GetCursorPos(&cursor) && GetWindowRect(Wnd, &rect) && PtInRect(&rect, cursor);
}

// Mouse-over state of a control with a hot look; true when it changed. Leaving the client area for
// the non-client frame (or back) is no leaving.
bool UpdateHot(HWND Wnd, UINT Msg, bool& Hot) {
  const bool was = Hot;
  switch (Msg) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
      TrackMouseLeave(Wnd, Msg == WM_NCMOUSEMOVE);
      Hot = true;
      break;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
      Hot = CursorOver(Wnd);
      break;
  }
  return was != Hot;
}

// The extent of Text as DrawTextW with Flags lays it out in Wnd's DC with Font, wrapped at Width where
// Flags wrap.
SIZE MeasureText(HWND Wnd, HFONT Font, const std::wstring& Text, UINT Flags, int Width) {
  HDC dc = GetDC(Wnd);
  HGDIOBJ old = SelectObject(dc, Font);
  RECT rect{0, 0, std::max(Width, 1), 0};
  DrawTextW(dc, Text.c_str(), static_cast<int>(Text.size()), &rect, Flags | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(Wnd, dc);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// Focus and mouse-over switch a framed control to its hot frame colour and back.
void RefreshHotFrame(HWND Wnd, UINT Msg, bool& Hot) {
  const bool focusChanged = Msg == WM_SETFOCUS || Msg == WM_KILLFOCUS;
  if (UpdateHot(Wnd, Msg, Hot) || focusChanged) RedrawWindow(Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// The client area's place inside the window, in window coordinates.
RECT ClientInWindow(HWND Wnd) {
  RECT window, client;
  GetWindowRect(Wnd, &window);
  GetClientRect(Wnd, &client);
  MapWindowPoints(Wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  return client;
}

// A framed control's frame colour; in high contrast the system's text or highlight colour.
TColor FrameColorOf(const TFrameStyle& Frame, bool Hot) {
  return Hot ? ContrastColor(Frame.HotFrameColor, clHighlight) : ContrastColor(Frame.FrameColor, clWindowText);
}

// Paints the non-client border of a framed control: its colour, then the one-pixel frame.
void PaintFrame(HWND Wnd, TColor Fill, const TFrameStyle& Frame, bool Hot) {
  HDC dc = GetWindowDC(Wnd);
  RECT window;
  GetWindowRect(Wnd, &window);
  OffsetRect(&window, -window.left, -window.top);
  const RECT client = ClientInWindow(Wnd);
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  FillRect(dc, &window, ColorBrush(Fill));
  if (Frame.FrameVisible) FrameRect(dc, &window, ColorBrush(FrameColorOf(Frame, Hot)));
  ReleaseDC(Wnd, dc);
}

int LineHeight(HFONT Font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return metrics.tmHeight;
}

COLORREF Darker(COLORREF Color, int Percent) {
  auto part = [Percent](int value) { return value * (100 - Percent) / 100; };
  return RGB(part(GetRValue(Color)), part(GetGValue(Color)), part(GetBValue(Color)));
}

void RoundFrame(HDC Dc, RECT Rect, int Radius, COLORREF Pen, int PenWidth, HBRUSH Brush) {
  HPEN pen = CreatePen(PS_INSIDEFRAME, PenWidth, Pen);
  HGDIOBJ oldPen = SelectObject(Dc, pen);
  HGDIOBJ oldBrush = SelectObject(Dc, Brush ? static_cast<HGDIOBJ>(Brush) : GetStockObject(NULL_BRUSH));
  RoundRect(Dc, Rect.left, Rect.top, Rect.right, Rect.bottom, Radius, Radius);
  SelectObject(Dc, oldBrush);
  SelectObject(Dc, oldPen);
  DeleteObject(pen);
}

}  // namespace

// ---------------------------------------------------------------- TImageList

TImageList::TImageList(TComponent* Owner, int Width, int Height)
    : TComponent(Owner), FWidth(Width), FHeight(Height) {}

int TImageList::Add(const TBitmap32& Image) {
  FImages.push_back(Image);
  return Count() - 1;
}

int TImageList::AddStrip(const std::wstring& ResourceName) {
  TBitmap32 strip;
  LoadResourcePngWithAlpha(strip, ResourceName);
  if (strip.Height() != FHeight || strip.Width() % FWidth != 0 || strip.Width() == 0) {
    throw EProgramError(L"Ресурс \"" + ResourceName + L"\" не является полосой изображений " +
                        std::to_wstring(FWidth) + L"x" + std::to_wstring(FHeight) + L".");
  }
  const int first = Count();
  for (int x = 0; x < strip.Width(); x += FWidth) {
    TBitmap32 image(FWidth, FHeight);
    image.Draw(0, 0, strip, x, 0, FWidth, FHeight);
    FImages.push_back(image);
  }
  return first;
}

void TImageList::Draw(HDC Dc, int X, int Y, int Index, TColor Background) const {
  if (Index < 0 || Index >= Count()) return;
  const TBitmap32& image = FImages[static_cast<size_t>(Index)];
  const uint32_t back = WinColorToColor32(ColorToRGB(Background));
  TBitmap32 blended(image.Width(), image.Height());
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const uint32_t p = image.Pixel(x, y);
      const uint32_t a = p >> 24;
      uint32_t out = 0xFF000000u;
      for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t s = (p >> shift) & 0xFF, b = (back >> shift) & 0xFF;
        out |= ((s * a + b * (255 - a) + 127) / 255) << shift;
      }
      blended.SetPixel(x, y, out);
    }
  blended.PaintTo(Dc, X, Y);
}

// ---------------------------------------------------------------- TPanel

TPanel::TPanel(TWinControl* Parent) : TWinControl(Parent) {
  RegisterWindowClass(L"TPanel", CS_HREDRAW | CS_VREDRAW);
  CreateHandle(L"TPanel", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

void TPanel::SetBorderStyle(TPanelBorder Value) {
  FBorderStyle = Value;
  Realign();
  Invalidate();
}

void TPanel::SetBorderColor(TColor Value) {
  FBorderColor = Value;
  Invalidate();
}

void TPanel::SetBorderWidth(int Value) {
  FBorderWidth = std::max(Value, 0);
  Realign();
  Invalidate();
}

RECT TPanel::DockRect() const {
  RECT rect = TWinControl::DockRect();
  if (FBorderStyle != pbNone) InflateRect(&rect, -FBorderWidth, -FBorderWidth);
  return rect;
}

void TPanel::Paint(HDC Dc) {
  RECT rect;
  GetClientRect(Handle(), &rect);
  if (FBorderStyle == pbNone) {
    FillRect(Dc, &rect, ColorBrush(ShownColor()));
    return;
  }
  // The corners outside the rounded border show the parent.
  FillRect(Dc, &rect, ColorBrush(Parent() ? Parent()->ShownColor() : ShownColor()));
  if (FBorderWidth > 0)
    RoundFrame(Dc, rect, 7, ColorToRGB(ContrastColor(FBorderColor, clWindowText)), FBorderWidth, ColorBrush(ShownColor()));
  else
    RoundFrame(Dc, rect, 7, ColorToRGB(ShownColor()), 1, ColorBrush(ShownColor()));
}

LRESULT TPanel::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      Paint(dc);
      EndPaint(Handle(), &ps);
      return 0;
    }
  }
  return TWinControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TButton

TButton::TButton(TWinControl* Parent, const std::wstring& Caption) : TWinControl(Parent) {
  CreateHandle(L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0, Caption);
  SetBounds(0, 0, 75, 25);
}

void TButton::SetFrameColor(TColor Value) { FFrameColor = Value; Invalidate(); }
void TButton::SetFaceColor(TColor Value) { FFaceColor = Value; Invalidate(); }
void TButton::SetHotTrackColor(TColor Value) { FHotTrackColor = Value; Invalidate(); }
void TButton::SetHotTrack(bool Value) { FHotTrack = Value; Invalidate(); }
void TButton::SetHighlightColor(TColor Value) { FHighlightColor = Value; Invalidate(); }

void TButton::SetGlyph(const std::wstring& ResourceName) {
  if (!FOwnGlyph) FOwnGlyph = new TImageList(this);
  FOwnGlyph->Clear();
  FOwnGlyph->AddStrip(ResourceName);
  if (FOwnGlyph->Count() != 2)
    throw EProgramError(L"Ресурс \"" + ResourceName + L"\" должен содержать два изображения 16x16.");
  SetImages(FOwnGlyph, 0, 1);
}

void TButton::SetImages(const TImageList* Images, int ImageIndex, int DisabledIndex) {
  FImages = Images;
  FImageIndex = ImageIndex;
  FDisabledIndex = DisabledIndex;
  Invalidate();
}

void TButton::SetDefault(bool Value) {
  FDefault = Value;
  Invalidate();
}

void TButton::Click() {
  if (OnClick) OnClick(this);
}

namespace {

bool IsToolkitButton(HWND Wnd) {
  wchar_t name[16] = {};
  return Wnd && GetClassNameW(Wnd, name, 16) && _wcsicmp(name, L"Button") == 0 &&
         (GetWindowLongW(Wnd, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
}

// The default buttons of the window Control lies in show whether a focused button took their part.
void RepaintDefaultButtons(TWinControl* Control) {
  while (Control->Parent()) Control = Control->Parent();
  std::vector<TWinControl*> pending{Control};
  while (!pending.empty()) {
    TWinControl* c = pending.back();
    pending.pop_back();
    if (auto* button = dynamic_cast<TButton*>(c))
      if (button->Default()) button->Invalidate();
    pending.insert(pending.end(), c->Controls().begin(), c->Controls().end());
  }
}

}  // namespace

bool TButton::DrawnAsDefault(bool Focused) const {
  if (Focused) return true;
  if (!FDefault) return false;
  HWND focus = GetFocus();
  return !(focus != Handle() && IsToolkitButton(focus) && GetAncestor(focus, GA_ROOT) == GetAncestor(Handle(), GA_ROOT));
}

LRESULT TButton::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
      if (UpdateHot(Handle(), Msg, FHot) && FHotTrack) Invalidate();
      break;
    case WM_LBUTTONDBLCLK:
      // A quick second press is a second click, not a double click.
      return DefaultHandler(WM_LBUTTONDOWN, WParam, LParam);
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = TWinControl::WndProc(Msg, WParam, LParam);
      RepaintDefaultButtons(this);
      return result;
    }
    case WM_UPDATEUISTATE: {
      // Underlines and focus rectangle come and go with the keyboard cues.
      const LRESULT result = TWinControl::WndProc(Msg, WParam, LParam);
      Invalidate();
      return result;
    }
  }
  return TWinControl::WndProc(Msg, WParam, LParam);
}

bool TButton::Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_COMMAND:
      if (HIWORD(WParam) == BN_CLICKED) {
        // Also a click sent from outside (BM_CLICK, WM_COMMAND) does nothing while disabled.
        if (Enabled()) Click();
        Result = 0;
        return true;
      }
      return false;
    case WM_DRAWITEM:
      Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam));
      Result = TRUE;
      return true;
  }
  return TWinControl::Notification(Msg, WParam, LParam, Result);
}

void TButton::Draw(const DRAWITEMSTRUCT& Item) {
  HDC dc = Item.hDC;
  RECT rect = Item.rcItem;
  const bool pressed = (Item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (Item.itemState & ODS_DISABLED) != 0;
  const bool focused = (Item.itemState & ODS_FOCUS) != 0;
  const LRESULT cues = SendMessageW(Handle(), WM_QUERYUISTATE, 0, 0);
  const bool hideFocus = (cues & UISF_HIDEFOCUS) || (Item.itemState & ODS_NOFOCUSRECT);
  const bool hideAccel = (cues & UISF_HIDEACCEL) || (Item.itemState & ODS_NOACCEL);
  const COLORREF faceColor = ColorToRGB(ContrastColor(FFaceColor, clBtnFace));
  const COLORREF face = pressed && !HighContrast() ? Darker(faceColor, 8) : faceColor;

  FillRect(dc, &rect, ColorBrush(ShownColor()));
  HBRUSH faceBrush = CreateSolidBrush(face);
  // The default button's frame is a pixel heavier, as the system draws its default push button.
  RoundFrame(dc, rect, 5, ColorToRGB(ContrastColor(FFrameColor, clBtnText)), DrawnAsDefault(focused) && !disabled ? 2 : 1,
             faceBrush);
  DeleteObject(faceBrush);
  RECT inner = rect;
  InflateRect(&inner, -1, -1);
  if (FHot && FHotTrack && !disabled)
    RoundFrame(dc, inner, 4, ColorToRGB(ContrastColor(FHotTrackColor, clHighlight)), 2, nullptr);
  else if (focused && !disabled)
    RoundFrame(dc, inner, 4, ColorToRGB(ContrastColor(FHighlightColor, clHighlight)), 1, nullptr);

  // Glyph and caption together, centred; the caption's ampersand underlines its access key.
  const std::wstring caption = Text();
  const UINT prefix = hideAccel ? DT_HIDEPREFIX : 0;
  HGDIOBJ oldFont = SelectObject(dc, Font().Handle());
  SIZE textSize{0, 0};
  RECT measure{0, 0, 0, 0};
  if (!caption.empty()) {
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measure, DT_CALCRECT | DT_SINGLELINE | prefix);
    textSize = {measure.right, measure.bottom};
  }
  const int index = disabled && FDisabledIndex >= 0 ? FDisabledIndex : FImageIndex;
  const bool glyph = FImages && index >= 0 && index < FImages->Count();
  const int glyphWidth = glyph ? FImages->Width() : 0;
  const int gap = glyph && !caption.empty() ? 5 : 0;
  const int shift = pressed ? 1 : 0;
  int x = rect.left + (rect.right - rect.left - (glyphWidth + gap + textSize.cx)) / 2 + shift;
  const int middle = (rect.top + rect.bottom) / 2 + shift;
  if (glyph) {
    FImages->Draw(dc, x, middle - FImages->Height() / 2, index, face);
    x += glyphWidth + gap;
  }
  if (!caption.empty()) {
    RECT textRect{x, middle - textSize.cy / 2, x + textSize.cx, middle - textSize.cy / 2 + textSize.cy};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(disabled ? clGrayText : ContrastColor(Font().Color, clBtnText)));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &textRect, DT_SINGLELINE | DT_NOCLIP | prefix);
  }
  SelectObject(dc, oldFont);
  if (focused && !hideFocus) {
    RECT focusRect = rect;
    InflateRect(&focusRect, -4, -4);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &focusRect);
  }
}

// ---------------------------------------------------------------- TMemo

TMemo::TMemo(TWinControl* Parent) : TWinControl(Parent) {
  CreateHandle(L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL);
  SetTextMargins(FLeftMargin, FRightMargin);
  // A text set before the layout sizes the memo is wrapped at this width: at none, Wine's edit control
  // breaks it after every character, which cost a quarter of the program's start.
  SetBounds(0, 0, ProvisionalWidth, ProvisionalHeight);
}

void TMemo::SetTextMargins(int Left, int Right) {
  FLeftMargin = Left;
  FRightMargin = Right;
  SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(Left, Right));
}

void TMemo::FontChanged() {
  TWinControl::FontChanged();
  // A new font brings the font's own margins back.
  SetTextMargins(FLeftMargin, FRightMargin);
}

void TMemo::SetLines(const std::vector<std::wstring>& Lines) {
  std::wstring text;
  for (size_t i = 0; i < Lines.size(); ++i) {
    if (i) text += L"\r\n";
    text += Lines[i];
  }
  SetText(text);
}

std::vector<std::wstring> TMemo::Lines() const {
  std::vector<std::wstring> lines;
  const std::wstring text = Text();
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  return lines;
}

// ---------------------------------------------------------------- TEdit

TEdit::TEdit(TWinControl* Parent) : TWinControl(Parent) {
  CreateHandle(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
}

void TEdit::SetFrameStyle(const TFrameStyle& Value) {
  FFrame = Value;
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TEdit::FontChanged() {
  TWinControl::FontChanged();
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT TEdit::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_NCCALCSIZE: {
      // Frame, a little room at the sides, and the text line centred in the height.
      RECT* rect = reinterpret_cast<RECT*>(LParam);
      const int frame = FFrame.FrameVisible ? 1 : 0;
      const int free = std::max(0, static_cast<int>(rect->bottom - rect->top) - 2 * frame - LineHeight(Font().Handle()));
      rect->left += frame + 2;
      rect->right -= frame + 2;
      rect->top += frame + free / 2;
      rect->bottom -= frame + (free - free / 2);
      if (rect->right < rect->left) rect->right = rect->left;
      if (rect->bottom < rect->top) rect->bottom = rect->top;
      return 0;
    }
    case WM_NCPAINT:
      PaintFrame(Handle(), ShownColor(), FFrame, FHot || Focused());
      return 0;
  }
  const LRESULT result = TWinControl::WndProc(Msg, WParam, LParam);
  RefreshHotFrame(Handle(), Msg, FHot);
  return result;
}

bool TEdit::Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  if (Msg == WM_COMMAND && HIWORD(WParam) == EN_CHANGE) {
    if (OnChange) OnChange(this);
    Result = 0;
    return true;
  }
  return TWinControl::Notification(Msg, WParam, LParam, Result);
}

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TWinControl* Parent, const std::wstring& Caption) : TWinControl(Parent) {
  CreateHandle(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, Caption);
  SetBounds(0, 0, 97, 17);
}

bool TCheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool Value) {
  SendMessageW(Handle(), BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  if (Msg == WM_COMMAND) {
    if (HIWORD(WParam) == BN_CLICKED && OnClick) OnClick(this);
    Result = 0;
    return true;
  }
  return TWinControl::Notification(Msg, WParam, LParam, Result);
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TWinControl* Parent, const std::wstring& Caption) : TWinControl(Parent) {
  RegisterWindowClass(L"TLabel", CS_HREDRAW | CS_VREDRAW);
  CreateHandle(L"TLabel", 0, 0, Caption);
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment Value) { FAlignment = Value; Invalidate(); }
void TLabel::SetLayout(TTextLayout Value) { FLayout = Value; Invalidate(); }

void TLabel::SetWordWrap(bool Value) {
  FWordWrap = Value;
  AdjustSize();
  Invalidate();
}

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustSize();
}

UINT TLabel::DrawFlags() const {
  UINT flags = DT_NOPREFIX | DT_EXPANDTABS;
  if (FWordWrap) flags |= DT_WORDBREAK;
  if (FAlignment == taCenter) flags |= DT_CENTER;
  if (FAlignment == taRightJustify) flags |= DT_RIGHT;
  return flags;
}

SIZE TLabel::TextExtent(int Width) const {
  std::wstring text = Text();
  if (text.empty()) text = L" ";  // an empty label keeps the height of a line
  return MeasureText(Handle(), Font().Handle(), text, DrawFlags(), Width);
}

int TLabel::AutoWidth() const {
  if (!FAutoSize || FWordWrap) return -1;
  // Some slack: Wine draws small TrueType sizes a few pixels wider than it measures them.
  const int width = TextExtent(0).cx;
  return width + width / 8 + 2;
}

int TLabel::AutoHeight(int ForWidth) const {
  if (!FAutoSize) return -1;
  return TextExtent(FWordWrap ? ForWidth : 0).cy;
}

void TLabel::AdjustSize() {
  if (!FAutoSize || Align() != alNone) {
    RealignParent();
    return;
  }
  const SIZE size = TextExtent(FWordWrap ? Width() : 0);
  SetWindowPos(Handle(), nullptr, 0, 0, FWordWrap ? Width() : size.cx, size.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TLabel::TextChanged() {
  Invalidate();
  AdjustSize();
}

void TLabel::FontChanged() {
  Invalidate();
  AdjustSize();
}

LRESULT TLabel::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      RECT rect;
      GetClientRect(Handle(), &rect);
      FillRect(dc, &rect, ColorBrush(ShownColor()));
      const std::wstring text = Text();
      HGDIOBJ old = SelectObject(dc, Font().Handle());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, ColorToRGB(Enabled() ? ShownFontColor() : clGrayText));
      if (FLayout != tlTop) {
        const int height = TextExtent(rect.right).cy;
        const int free = rect.bottom - height;
        rect.top += FLayout == tlCenter ? free / 2 : free;
      }
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DrawFlags());
      SelectObject(dc, old);
      EndPaint(Handle(), &ps);
      return 0;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
  }
  return TWinControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TLogList

// Room left of a line's text, and right of it when scrolled to its end.
constexpr int LogTextMargin = 4;
// How a line is laid out, for drawing and for measuring alike.
constexpr UINT LogLineFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

TLogList::TLogList(TWinControl* Parent, int ItemHeight) : TWinControl(Parent) {
  // The horizontal bar comes only with a line wider than the list: a notice's path is not cut off.
  CreateHandle(L"LISTBOX",
               WS_VSCROLL | WS_HSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOSEL);
  SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, ItemHeight);
}

int TLogList::Add(const std::wstring& Line) {
  const int index = static_cast<int>(SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Line.c_str())));
  Widen(Line);
  SendMessageW(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  AnnounceListLine(Handle(), index);
  return index;
}

int TLogList::LineWidth(const std::wstring& Line) const {
  return MeasureText(Handle(), Font().Handle(), Line, LogLineFlags, 0).cx + 2 * LogTextMargin;
}

bool TLogList::Widen(const std::wstring& Line) {
  const int width = LineWidth(Line);
  if (width <= ScrollWidth()) return false;
  SendMessageW(Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
  return true;
}

int TLogList::ScrollWidth() const {
  return static_cast<int>(SendMessageW(Handle(), LB_GETHORIZONTALEXTENT, 0, 0));
}

int TLogList::Count() const { return static_cast<int>(SendMessageW(Handle(), LB_GETCOUNT, 0, 0)); }

std::wstring TLogList::Line(int Index) const {
  const LRESULT length = SendMessageW(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (length == LB_ERR) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(Handle(), LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

void TLogList::SetLine(int Index, const std::wstring& Line) {
  if (Index < 0 || Index >= Count()) return;
  SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  SendMessageW(Handle(), LB_DELETESTRING, static_cast<WPARAM>(Index), 0);
  SendMessageW(Handle(), LB_INSERTSTRING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Line.c_str()));
  // A scroll bar that comes now takes room from below: the last line stays in view.
  if (Widen(Line) && Index == Count() - 1) SendMessageW(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(Index), 0);
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  Invalidate();
  AnnounceListLine(Handle(), Index);
}

void TLogList::Clear() {
  SendMessageW(Handle(), LB_RESETCONTENT, 0, 0);
  SendMessageW(Handle(), LB_SETHORIZONTALEXTENT, 0, 0);
}

int TLogList::ItemHeight() const { return static_cast<int>(SendMessageW(Handle(), LB_GETITEMHEIGHT, 0, 0)); }

void TLogList::SetFrameStyle(const TFrameStyle& Value) {
  FFrame = Value;
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT TLogList::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_NCCALCSIZE: {
      if (FFrame.FrameVisible) InflateRect(reinterpret_cast<RECT*>(LParam), -1, -1);
      return DefaultHandler(Msg, WParam, LParam);
    }
    case WM_NCPAINT: {
      // The default painting draws the scroll bar, which lies in the non-client area too.
      DefaultHandler(Msg, WParam, LParam);
      if (FFrame.FrameVisible) {
        HDC dc = GetWindowDC(Handle());
        RECT window;
        GetWindowRect(Handle(), &window);
        OffsetRect(&window, -window.left, -window.top);
        FrameRect(dc, &window, ColorBrush(FrameColorOf(FFrame, FHot || Focused())));
        ReleaseDC(Handle(), dc);
      }
      return 0;
    }
    case WM_ERASEBKGND: {
      EraseBackground(reinterpret_cast<HDC>(WParam));
      return 1;
    }
  }
  const LRESULT result = TWinControl::WndProc(Msg, WParam, LParam);
  RefreshHotFrame(Handle(), Msg, FHot);
  return result;
}

bool TLogList::Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  if (Msg != WM_DRAWITEM) return TWinControl::Notification(Msg, WParam, LParam, Result);
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
  RECT rect = item.rcItem;
  FillRect(item.hDC, &rect, ColorBrush(ShownColor()));
  if (item.itemID != static_cast<UINT>(-1)) {
    const std::wstring text = Line(static_cast<int>(item.itemID));
    HGDIOBJ old = SelectObject(item.hDC, Font().Handle());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, ColorToRGB(ShownFontColor()));
    // As wide as the widest line, scrolled or not: the list clips what lies outside its client area
    // (the item's own rectangle may end at the client's edge).
    rect.right = std::max(rect.right, rect.left + ScrollWidth());
    rect.left += LogTextMargin;
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &rect, LogLineFlags | DT_END_ELLIPSIS);
    SelectObject(item.hDC, old);
  }
  Result = TRUE;
  return true;
}

// ---------------------------------------------------------------- TProgressBar

namespace {

// "42%", as the system's own object reads a progress bar where it reads one.
std::wstring ProgressPercent(HWND Bar) {
  const LRESULT low = SendMessageW(Bar, PBM_GETRANGE, TRUE, 0), high = SendMessageW(Bar, PBM_GETRANGE, FALSE, 0);
  const LRESULT position = SendMessageW(Bar, PBM_GETPOS, 0, 0);
  const long long span = static_cast<long long>(high) - low;
  return std::to_wstring(span > 0 ? (static_cast<long long>(position) - low) * 100 / span : 0) + L"%";
}

}  // namespace

TProgressBar::TProgressBar(TWinControl* Parent) : TWinControl(Parent) {
  CreateHandle(PROGRESS_CLASSW, PBS_SMOOTH);
  SetAccessibleValue(ProgressPercent);
  SetBounds(0, 0, 150, 16);
  SetRange(0, 100);
  SetStep(10);
}

void TProgressBar::SetRange(int Min, int Max) { SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(Min), Max); }
int TProgressBar::Min() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, TRUE, 0)); }
int TProgressBar::Max() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETRANGE, FALSE, 0)); }
int TProgressBar::Position() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0)); }
void TProgressBar::SetPosition(int Value) { SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(Value), 0); }

void TProgressBar::SetStep(int Value) {
  FStep = Value;
  SendMessageW(Handle(), PBM_SETSTEP, static_cast<WPARAM>(Value), 0);
}

void TProgressBar::StepIt() { SendMessageW(Handle(), PBM_STEPIT, 0, 0); }

void TProgressBar::SetMarquee(bool Value) {
  if (Value == FMarquee) return;
  FMarquee = Value;
  const LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE);
  if (Value) {
    SetWindowLongPtrW(Handle(), GWL_STYLE, style | PBS_MARQUEE);
    SendMessageW(Handle(), PBM_SETMARQUEE, TRUE, 30);
  } else {
    SendMessageW(Handle(), PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongPtrW(Handle(), GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
  }
  Invalidate();
}

void TProgressBar::SetError(bool Value) {
  if (Value == FError) return;
  FError = Value;
  SendMessageW(Handle(), PBM_SETSTATE, Value ? PBST_ERROR : PBST_NORMAL, 0);
  SendMessageW(Handle(), PBM_SETBARCOLOR, 0, Value ? static_cast<LPARAM>(RGB(204, 0, 0)) : static_cast<LPARAM>(CLR_DEFAULT));
  Invalidate();
}
