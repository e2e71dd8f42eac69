#include "Controls.h"

#include <algorithm>
#include <set>

#include "Error.h"

namespace {
TControlHost* Host = nullptr;
}  // namespace

void SetControlHost(TControlHost* Value) { Host = Value; }

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* Owner) : FOwner(Owner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  while (!FComponents.empty()) {
    TComponent* owned = FComponents.back();
    FComponents.pop_back();
    owned->FOwner = nullptr;
    delete owned;
  }
  if (FOwner) {
    auto& list = FOwner->FComponents;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

// ---------------------------------------------------------------- TWinControl

namespace {

std::set<std::wstring>& ToolkitClasses() {
  static std::set<std::wstring> classes;
  return classes;
}


}  // namespace

TWinControl::TWinControl(TWinControl* Parent)
    : TComponent(Parent), FParent(Parent), FParentColor(Parent != nullptr), FParentFont(Parent != nullptr) {
  if (FParent) {
    FParent->FControls.push_back(this);
    FColor = FParent->FColor;
    FFont = FParent->FFont;
  }
}

TWinControl::~TWinControl() {
  // Children and this window go quietly: no handler of a half-destroyed object may run.
  std::vector<TWinControl*> pending{this};
  while (!pending.empty()) {
    TWinControl* control = pending.back();
    pending.pop_back();
    control->FDestroying = true;
    pending.insert(pending.end(), control->FControls.begin(), control->FControls.end());
  }
  if (FHandle) DestroyWindow(FHandle);
  for (TWinControl* child : FControls) child->FParent = nullptr;
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TWinControl::RegisterWindowClass(const wchar_t* ClassName, UINT ClassStyle, HICON Icon) {
  if (ToolkitClasses().count(ClassName)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = ClassStyle;
  wc.lpfnWndProc = StaticWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = Icon;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  wc.lpszClassName = ClassName;
  RegisterClassExW(&wc);
  ToolkitClasses().insert(ClassName);
}

int TWinControl::NextControlId() {
  TWinControl* top = this;
  while (top->FParent) top = top->FParent;
  return top->FControlIdCounter++;
}

void TWinControl::CreateHandle(const wchar_t* ClassName, DWORD Style, DWORD ExStyle, const std::wstring& Text) {
  const bool own = ToolkitClasses().count(ClassName) != 0;
  HWND parent = FParent ? FParent->FHandle : (Host ? Host->OwnerWindow() : nullptr);
  HMENU id = nullptr;
  if (FParent) {
    Style |= WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE;  // controls are visible unless hidden
    id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId()));
  }
  HWND wnd = CreateWindowExW(ExStyle, ClassName, Text.c_str(), Style, 0, 0, 0, 0, parent, id,
                             GetModuleHandleW(nullptr), own ? this : nullptr);
  if (!wnd) {
    throw EProgramError(L"Не удалось создать окно класса \"" + std::wstring(ClassName) + L"\" (ошибка " +
                        std::to_wstring(GetLastError()) + L").");
  }
  if (!own) {
    FHandle = wnd;
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FSystemProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
  }
  SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
  if (!self && Msg == WM_NCCREATE) {
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
    if (self) {
      self->FHandle = Wnd;
      SetWindowLongPtrW(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  if (!self) return DefWindowProcW(Wnd, Msg, WParam, LParam);
  if (Msg == WM_NCDESTROY) {
    const LRESULT result = self->DefaultHandler(Msg, WParam, LParam);
    SetWindowLongPtrW(Wnd, GWLP_USERDATA, 0);
    if (self->FSystemProc) SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->FSystemProc));
    self->FHandle = nullptr;
    return result;
  }
  if (self->FDestroying) return self->DefaultHandler(Msg, WParam, LParam);
  if (Msg == WM_SETCURSOR && Host && Host->BusyCursor() && LOWORD(LParam) == HTCLIENT) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return TRUE;
  }
  // No exception may cross into user32: the general error display takes it here.
  try {
    return self->WndProc(Msg, WParam, LParam);
  } catch (...) {
    if (Host) Host->HandleException();
    return 0;
  }
}

LRESULT TWinControl::DefaultHandler(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (FSystemProc) return CallWindowProcW(FSystemProc, FHandle, Msg, WParam, LParam);
  return DefWindowProcW(FHandle, Msg, WParam, LParam);
}

TWinControl* TWinControl::ChildByHandle(HWND Wnd) const {
  if (!Wnd) return nullptr;
  for (TWinControl* child : FControls)
    if (child->FHandle == Wnd) return child;
  return nullptr;
}

LRESULT TWinControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  LRESULT result = 0;
  switch (Msg) {
    case WM_SIZE:
      result = DefaultHandler(Msg, WParam, LParam);
      if (WParam != SIZE_MINIMIZED) Resized();
      return result;
    case WM_ERASEBKGND:
      if (FSystemProc) break;
      EraseBackground(reinterpret_cast<HDC>(WParam));
      return 1;
    case WM_GETOBJECT:
      if ((!FAccessible.Name.empty() || FAccessible.Value) &&
          static_cast<LONG>(static_cast<DWORD>(LParam)) == OBJID_CLIENT)
        if (const LRESULT named = AccessibleObjectResult(FHandle, WParam, FAccessible)) return named;
      break;
    case WM_COMMAND:
      if (TWinControl* child = ChildByHandle(reinterpret_cast<HWND>(LParam)))
        if (child->Notification(Msg, WParam, LParam, result)) return result;
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
      if (TWinControl* child = ChildByHandle(item->hwndItem))
        if (child->Notification(Msg, WParam, LParam, result)) return result;
      break;
    }
    case WM_NOTIFY:
      if (TWinControl* child = ChildByHandle(reinterpret_cast<const NMHDR*>(LParam)->hwndFrom))
        if (child->Notification(Msg, WParam, LParam, result)) return result;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      if (TWinControl* child = ChildByHandle(reinterpret_cast<HWND>(LParam)))
        if (child->Notification(Msg, WParam, LParam, result)) return result;
      break;
  }
  return DefaultHandler(Msg, WParam, LParam);
}

bool TWinControl::Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  (void)LParam;
  switch (Msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      Result = reinterpret_cast<LRESULT>(PrepareColors(reinterpret_cast<HDC>(WParam)));
      return true;
  }
  return false;
}

HBRUSH TWinControl::PrepareColors(HDC Dc) const {
  SetTextColor(Dc, ColorToRGB(Enabled() ? ContrastColor(FFont.Color, clWindowText) : clGrayText));
  SetBkColor(Dc, ColorToRGB(ShownColor()));
  return ColorBrush(ShownColor());
}

void TWinControl::EraseBackground(HDC Dc) const {
  RECT rect;
  GetClientRect(FHandle, &rect);
  FillRect(Dc, &rect, ColorBrush(ShownColor()));
}

TColor TWinControl::ShownColor() const { return ContrastColor(FColor, clWindow); }

TColor TWinControl::ShownFontColor() const { return ContrastColor(FFont.Color, clWindowText); }

int TWinControl::ControlId() const { return FHandle ? GetDlgCtrlID(FHandle) : 0; }

void TWinControl::SetControlId(int Id) { SetWindowLongPtrW(FHandle, GWLP_ID, Id); }

RECT TWinControl::BoundsRect() const {
  RECT rect{};
  GetWindowRect(FHandle, &rect);
  if (FParent) MapWindowPoints(nullptr, FParent->FHandle, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int TWinControl::Left() const { return BoundsRect().left; }
int TWinControl::Top() const { return BoundsRect().top; }
int TWinControl::Width() const {
  const RECT r = BoundsRect();
  return r.right - r.left;
}
int TWinControl::Height() const {
  const RECT r = BoundsRect();
  return r.bottom - r.top;
}

int TWinControl::ClientWidth() const {
  RECT rect{};
  GetClientRect(FHandle, &rect);
  return rect.right;
}

int TWinControl::ClientHeight() const {
  RECT rect{};
  GetClientRect(FHandle, &rect);
  return rect.bottom;
}

void TWinControl::SetBounds(int Left, int Top, int Width, int Height) {
  SetWindowPos(FHandle, nullptr, Left, Top, std::max(Width, 0), std::max(Height, 0),
               SWP_NOZORDER | SWP_NOACTIVATE);
  RealignParent();
}

void TWinControl::SetLeft(int Value) { SetBounds(Value, Top(), Width(), Height()); }
void TWinControl::SetTop(int Value) { SetBounds(Left(), Value, Width(), Height()); }
void TWinControl::SetWidth(int Value) { SetBounds(Left(), Top(), Value, Height()); }
void TWinControl::SetHeight(int Value) { SetBounds(Left(), Top(), Width(), Value); }

void TWinControl::SetAlign(TAlign Value) {
  FAlign = Value;
  if (FParent) FParent->Realign();
}

void TWinControl::SetMargins(int Left, int Top, int Right, int Bottom) {
  FMargins = {Left, Top, Right, Bottom};
  RealignParent();
}

void TWinControl::SetPadding(int Left, int Top, int Right, int Bottom) {
  FPadding = {Left, Top, Right, Bottom};
  Realign();
}

void TWinControl::DockBefore(TWinControl* Sibling) {
  if (!FParent || Sibling == this || Sibling->FParent != FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(std::find(list.begin(), list.end(), Sibling), this);
  FParent->Realign();
}

void TWinControl::DockAfter(TWinControl* Sibling) {
  if (!FParent || Sibling == this || Sibling->FParent != FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(std::find(list.begin(), list.end(), Sibling) + 1, this);
  FParent->Realign();
}

RECT TWinControl::DockRect() const {
  RECT rect{};
  GetClientRect(FHandle, &rect);
  rect.left += FPadding.Left;
  rect.top += FPadding.Top;
  rect.right -= FPadding.Right;
  rect.bottom -= FPadding.Bottom;
  return rect;
}

void TWinControl::RealignParent() {
  if (FParent && FAlign != alNone && !FParent->FAligning) FParent->Realign();
}

void TWinControl::Realign() {
  if (!FHandle || FAligning) return;
  FAligning = true;
  RECT free = DockRect();
  auto place = [](TWinControl* c, int x, int y, int w, int h) {
    SetWindowPos(c->FHandle, nullptr, x, y, std::max(w, 0), std::max(h, 0), SWP_NOZORDER | SWP_NOACTIVATE);
  };
  for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TWinControl* c : FControls) {
      if (c->FAlign != kind || !c->Visible()) continue;
      const TMargins& m = c->FMargins;
      const int freeWidth = free.right - free.left - m.Left - m.Right;
      const int freeHeight = free.bottom - free.top - m.Top - m.Bottom;
      switch (kind) {
        case alTop: {
          int h = c->AutoHeight(freeWidth);
          if (h < 0) h = c->Height();
          place(c, free.left + m.Left, free.top + m.Top, freeWidth, h);
          free.top += m.Top + h + m.Bottom;
          break;
        }
        case alBottom: {
          int h = c->AutoHeight(freeWidth);
          if (h < 0) h = c->Height();
          place(c, free.left + m.Left, free.bottom - m.Bottom - h, freeWidth, h);
          free.bottom -= m.Top + h + m.Bottom;
          break;
        }
        case alLeft: {
          int w = c->AutoWidth();
          if (w < 0) w = c->Width();
          place(c, free.left + m.Left, free.top + m.Top, w, freeHeight);
          free.left += m.Left + w + m.Right;
          break;
        }
        case alRight: {
          int w = c->AutoWidth();
          if (w < 0) w = c->Width();
          place(c, free.right - m.Right - w, free.top + m.Top, w, freeHeight);
          free.right -= m.Left + w + m.Right;
          break;
        }
        default:
          place(c, free.left + m.Left, free.top + m.Top, freeWidth, freeHeight);
          break;
      }
    }
  }
  FAligning = false;
}

void TWinControl::Resized() {
  Realign();
  if (OnResize) OnResize(this);
}

bool TWinControl::Visible() const { return (GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0; }

void TWinControl::SetVisible(bool Value) {
  if (Value == Visible()) return;
  ShowWindow(FHandle, Value ? SW_SHOWNA : SW_HIDE);
  if (FParent && FAlign != alNone) FParent->Realign();
}

bool TWinControl::Showing() const { return IsWindowVisible(FHandle) != FALSE; }

bool TWinControl::Enabled() const { return (GetWindowLongW(FHandle, GWL_STYLE) & WS_DISABLED) == 0; }

void TWinControl::SetEnabled(bool Value) {
  EnableWindow(FHandle, Value);
  Invalidate();
}

bool TWinControl::TabStop() const { return (GetWindowLongW(FHandle, GWL_STYLE) & WS_TABSTOP) != 0; }

void TWinControl::SetTabStop(bool Value) {
  LONG style = GetWindowLongW(FHandle, GWL_STYLE);
  style = Value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
  SetWindowLongW(FHandle, GWL_STYLE, style);
}

std::wstring TWinControl::Text() const {
  const int length = GetWindowTextLengthW(FHandle);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(FHandle, text.data(), length + 1)));
  return text;
}

void TWinControl::SetText(const std::wstring& Value) {
  SetWindowTextW(FHandle, Value.c_str());
  TextChanged();
}

void TWinControl::TextChanged() {
  if (!FSystemProc) Invalidate();
  RealignParent();
}

void TWinControl::SetColor(TColor Value) {
  FParentColor = false;
  InheritColor(Value);
}

void TWinControl::SetParentColor(bool Value) {
  FParentColor = Value;
  if (Value && FParent) InheritColor(FParent->FColor);
}

void TWinControl::InheritColor(TColor Value) {
  FColor = Value;
  ColorChanged();
  for (TWinControl* child : FControls)
    if (child->FParentColor) child->InheritColor(Value);
}

void TWinControl::SetFont(const TFont& Value) {
  FParentFont = false;
  InheritFont(Value);
}

void TWinControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value && FParent) InheritFont(FParent->FFont);
}

void TWinControl::InheritFont(const TFont& Value) {
  FFont = Value;
  FontChanged();
  for (TWinControl* child : FControls)
    if (child->FParentFont) child->InheritFont(Value);
}

void TWinControl::FontChanged() {
  SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
  Invalidate();
  RealignParent();
}

void TWinControl::SetFocus() { ::SetFocus(FHandle); }

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::BringToFront() {
  SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (FParent ? SWP_NOACTIVATE : 0));
}

void TWinControl::SendToBack() {
  SetWindowPos(FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (!FHandle) return;
  RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
