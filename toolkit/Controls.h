#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Accessible.h"
#include "Graphics.h"

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// A named object owned by another: the owner frees what it owns, the latest first.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* Owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::wstring& Name() const { return FName; }
  void SetName(std::wstring Name) { FName = std::move(Name); }

 private:
  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
  std::wstring FName;
};

// Docking: the parent's free client area is handed out to its docked children, first all alTop
// children, then alBottom, alLeft, alRight and last alClient; within one kind in docking order (the
// order of creation unless changed with DockBefore/DockAfter). An alTop child takes the full width and
// keeps its height, the first one at the top; an alBottom child likewise from the bottom up; alLeft
// and alRight keep their widths; alClient takes what is left. Margins are kept free around a docked
// child; hidden children take no room.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

struct TMargins {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TForm;

// What the controls need of the program they run in: the owner of top-level windows, the busy cursor
// and the place an error goes. The application object provides it (Forms.h); without one, top-level
// windows have no owner and an error in a handler is dropped rather than let into user32.
class TControlHost {
 public:
  virtual ~TControlHost() = default;
  virtual HWND OwnerWindow() const = 0;
  virtual bool BusyCursor() const = 0;
  // Called inside a catch block of a window procedure.
  virtual void HandleException() = 0;
};
void SetControlHost(TControlHost* Host);

// A control with a window of its own. The parent owns it: create it with new and the parent frees it.
class TWinControl : public TComponent {
 public:
  explicit TWinControl(TWinControl* Parent);
  ~TWinControl() override;

  HWND Handle() const { return FHandle; }
  TWinControl* Parent() const { return FParent; }
  // Child controls in docking order.
  const std::vector<TWinControl*>& Controls() const { return FControls; }
  // The Win32 control id (GetDlgCtrlID); numbered per form from 1000 in creation order unless set.
  int ControlId() const;
  void SetControlId(int Id);

  // Position and size in the parent's client area.
  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  RECT BoundsRect() const;
  void SetBounds(int Left, int Top, int Width, int Height);
  void SetLeft(int Value);
  void SetTop(int Value);
  void SetWidth(int Value);
  void SetHeight(int Value);
  int ClientWidth() const;
  int ClientHeight() const;

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  const TMargins& Margins() const { return FMargins; }
  void SetMargins(int Left, int Top, int Right, int Bottom);
  // Room inside this control kept free of its docked children.
  const TMargins& Padding() const { return FPadding; }
  void SetPadding(int Left, int Top, int Right, int Bottom);
  void DockBefore(TWinControl* Sibling);
  void DockAfter(TWinControl* Sibling);
  // Lays out the docked children again (done by itself on every size change).
  void Realign();

  bool Visible() const;  // its own visibility flag
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Showing() const;  // visible together with all its parents
  bool Enabled() const;
  void SetEnabled(bool Value);
  bool TabStop() const;
  void SetTabStop(bool Value);

  // The window text: a caption, or a text control's text.
  std::wstring Text() const;
  void SetText(const std::wstring& Value);

  // Background colour; with ParentColor the control takes its parent's colour, also when it changes.
  TColor Color() const { return FColor; }
  // The colours the control is drawn in: its own, or the system's in high contrast.
  TColor ShownColor() const;
  TColor ShownFontColor() const;
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  // Font; with ParentFont the control takes its parent's font, also when it changes.
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& Value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  void SetFocus();
  bool Focused() const;
  void BringToFront();
  void SendToBack();
  void Invalidate();
  void Repaint();  // invalidates and paints at once

  // The name a screen reader gives the control where its window text does not tell it (a box named by
  // the text before it, a list, an image).
  void SetAccessibleName(const std::wstring& Value) { FAccessible.Name = Value; }
  const std::wstring& AccessibleName() const { return FAccessible.Name; }

  // The size the control wants when it sizes itself (labels), or -1 for "keep the current size".
  virtual int AutoWidth() const { return -1; }
  virtual int AutoHeight(int ForWidth) const {
    (void)ForWidth;
    return -1;
  }

  TNotifyEvent OnResize;

 protected:
  // Creates the window; constructors of derived classes call it once. ClassName is a system class
  // (which gets subclassed) or one registered with RegisterWindowClass.
  void CreateHandle(const wchar_t* ClassName, DWORD Style, DWORD ExStyle = 0, const std::wstring& Text = L"");
  // Registers a toolkit window class once; its window procedure is the toolkit's.
  static void RegisterWindowClass(const wchar_t* ClassName, UINT ClassStyle = 0, HICON Icon = nullptr);

  // The control's message handling; unhandled messages go to DefaultHandler.
  virtual LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  LRESULT DefaultHandler(UINT Msg, WPARAM WParam, LPARAM LParam);
  // A notification about this control that its parent received (WM_COMMAND, WM_DRAWITEM,
  // WM_CTLCOLOR*, WM_NOTIFY). Return true when handled, with the parent's answer in Result.
  virtual bool Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
  // Colours for WM_CTLCOLOR*: text colour from the font, background from Color().
  HBRUSH PrepareColors(HDC Dc) const;
  virtual void FontChanged();
  virtual void ColorChanged() { Invalidate(); }
  // After SetText: repaints a toolkit-drawn control and re-docks the parent (auto-sizing controls).
  virtual void TextChanged();
  // After the control got a new size: docks the children, then fires OnResize.
  virtual void Resized();
  // The client area handed out to docked children: the client rectangle less the padding.
  virtual RECT DockRect() const;
  // The parent lays out its children again (a docked child changed its size, visibility or text).
  void RealignParent();
  bool Destroying() const { return FDestroying; }
  // Fills the whole client area with the background colour.
  void EraseBackground(HDC Dc) const;
  // The value a screen reader reads where the system's object for the window class reads none.
  void SetAccessibleValue(std::wstring (*Value)(HWND Wnd)) { FAccessible.Value = Value; }

 private:
  static LRESULT CALLBACK StaticWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  TWinControl* ChildByHandle(HWND Wnd) const;
  void InheritColor(TColor Value);
  void InheritFont(const TFont& Value);
  int NextControlId();

  HWND FHandle = nullptr;
  WNDPROC FSystemProc = nullptr;
  TWinControl* FParent;
  std::vector<TWinControl*> FControls;
  TAlign FAlign = alNone;
  TMargins FMargins, FPadding;
  TColor FColor = clBtnFace;
  bool FParentColor;
  TFont FFont;
  bool FParentFont;
  bool FDestroying = false;
  bool FAligning = false;
  TAccessibleText FAccessible;
  int FControlIdCounter = 1000;  // used on forms
  friend class TForm;
};
