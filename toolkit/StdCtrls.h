#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "Bitmap32.h"
#include "Controls.h"

// Images of one size (16 x 16 unless told), kept with their alpha and drawn over a background colour.
class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* Owner, int Width = 16, int Height = 16);
  // Adds the images of a horizontal strip, a PNG resource whose width is a multiple of the image
  // width (left to right); returns the index of the first. Throws EProgramError on a bad resource.
  int AddStrip(const std::wstring& ResourceName);
  int Add(const TBitmap32& Image);
  void Clear() { FImages.clear(); }
  int Count() const { return static_cast<int>(FImages.size()); }
  const TBitmap32& Image(int Index) const { return FImages.at(static_cast<size_t>(Index)); }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Draws image Index with (X, Y) its top-left corner, blended over a plain Background colour.
  void Draw(HDC Dc, int X, int Y, int Index, TColor Background) const;

 private:
  int FWidth, FHeight;
  std::vector<TBitmap32> FImages;
};

// A panel: a container in its colour, without border or with a flat rounded border.
enum TPanelBorder { pbNone, pbFlatRounded };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TWinControl* Parent);
  void SetBorderStyle(TPanelBorder Value);
  void SetBorderColor(TColor Value);
  // Thickness of the rounded border; docked children stay inside it.
  void SetBorderWidth(int Value);
  TPanelBorder BorderStyle() const { return FBorderStyle; }
  TColor BorderColor() const { return FBorderColor; }
  int BorderWidth() const { return FBorderWidth; }

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  RECT DockRect() const override;
  virtual void Paint(HDC Dc);

 private:
  TPanelBorder FBorderStyle = pbNone;
  TColor FBorderColor = clBtnShadow;
  int FBorderWidth = 1;
};

// A push button drawn by the toolkit (an owner-drawn BUTTON; its window text is the caption): a
// rounded frame, a face colour, a hot-tracking outline while the mouse is over it, and a glyph left of
// the caption with a normal and a disabled image. An ampersand in the caption marks its access key, as
// in a standard button; the system focus rectangle shows the keyboard focus.
class TButton : public TWinControl {
 public:
  explicit TButton(TWinControl* Parent, const std::wstring& Caption = L"");
  void SetCaption(const std::wstring& Value) { SetText(Value); }
  std::wstring Caption() const { return Text(); }

  void SetFrameColor(TColor Value);
  void SetFaceColor(TColor Value);
  // Outline shown while the mouse is over the button (with hot tracking on).
  void SetHotTrackColor(TColor Value);
  void SetHotTrack(bool Value);
  // Outline shown while the button has the keyboard focus.
  void SetHighlightColor(TColor Value);
  TColor FrameColor() const { return FFrameColor; }
  TColor FaceColor() const { return FFaceColor; }
  TColor HotTrackColor() const { return FHotTrackColor; }
  TColor HighlightColor() const { return FHighlightColor; }
  bool HotTrack() const { return FHotTrack; }
  bool Hot() const { return FHot; }

  // The glyph from a PNG strip resource of two 16 x 16 images: normal, then disabled.
  void SetGlyph(const std::wstring& ResourceName);
  // The glyph from an image list (not owned); DisabledIndex -1 uses the normal image when disabled.
  void SetImages(const TImageList* Images, int ImageIndex, int DisabledIndex = -1);

  // The form's Enter presses its shown default button (unless the focus is on another button, which
  // then looks and acts as the default); its Esc presses its shown cancel button.
  void SetDefault(bool Value);
  bool Default() const { return FDefault; }
  void SetCancel(bool Value) { FCancel = Value; }
  bool Cancel() const { return FCancel; }

  // Runs OnClick as a press of the button would.
  void Click();
  TNotifyEvent OnClick;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  bool Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

 private:
  void Draw(const DRAWITEMSTRUCT& Item);
  bool DrawnAsDefault(bool Focused) const;
  bool FDefault = false;
  bool FCancel = false;
  TColor FFrameColor = clBtnShadow;
  TColor FFaceColor = clBtnFace;
  TColor FHotTrackColor = RGB(255, 199, 60);
  TColor FHighlightColor = clHighlight;
  bool FHotTrack = true;
  bool FHot = false;
  TImageList* FOwnGlyph = nullptr;
  const TImageList* FImages = nullptr;
  int FImageIndex = -1, FDisabledIndex = -1;
};

// A read-only multi-line text without border (a read-only multi-line EDIT, so its text can be read
// with WM_GETTEXT), in its parent's colour unless given one. Not a tab stop.
class TMemo : public TWinControl {
 public:
  explicit TMemo(TWinControl* Parent);
  // The lines, joined with CR LF.
  void SetLines(const std::vector<std::wstring>& Lines);
  std::vector<std::wstring> Lines() const;
  // Blank space left and right of the text inside the control (2 pixels each at the start).
  void SetTextMargins(int Left, int Right);

 protected:
  void FontChanged() override;

 private:
  static constexpr int ProvisionalWidth = 640, ProvisionalHeight = 240;
  int FLeftMargin = 2, FRightMargin = 2;
};

// The frame drawn around a framed control: FrameColor normally, HotFrameColor while the mouse is over
// the control or it has the focus.
struct TFrameStyle {
  TColor FrameColor = clBtnShadow;
  TColor HotFrameColor = RGB(0, 128, 255);
  bool FrameVisible = true;
};

// A single-line edit box with a one-pixel frame of its own and its text centred vertically.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TWinControl* Parent);
  const TFrameStyle& FrameStyle() const { return FFrame; }
  void SetFrameStyle(const TFrameStyle& Value);
  bool Hot() const { return FHot; }
  // The text has changed (typed, pasted or set).
  TNotifyEvent OnChange;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  bool Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  void FontChanged() override;

 private:
  TFrameStyle FFrame;
  bool FHot = false;
};

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TWinControl* Parent, const std::wstring& Caption = L"");
  bool Checked() const;
  void SetChecked(bool Value);
  TNotifyEvent OnClick;

 protected:
  bool Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
};

enum TAlignment { taLeftJustify, taCenter, taRightJustify };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A text drawn by the toolkit (its window text is the caption). With AutoSize (on by default) it takes
// the size of its text: its width and height, or with WordWrap its height for the width it has.
class TLabel : public TWinControl {
 public:
  explicit TLabel(TWinControl* Parent, const std::wstring& Caption = L"");
  void SetCaption(const std::wstring& Value) { SetText(Value); }
  std::wstring Caption() const { return Text(); }
  void SetAlignment(TAlignment Value);
  void SetLayout(TTextLayout Value);
  void SetWordWrap(bool Value);
  void SetAutoSize(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  TTextLayout Layout() const { return FLayout; }
  bool WordWrap() const { return FWordWrap; }
  bool AutoSize() const { return FAutoSize; }

  int AutoWidth() const override;
  int AutoHeight(int ForWidth) const override;
  // Size of the text: with WordWrap wrapped at Width, else in one line per line break.
  SIZE TextExtent(int Width) const;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  void TextChanged() override;
  void FontChanged() override;

 private:
  void AdjustSize();
  UINT DrawFlags() const;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FAutoSize = true;
};

// A log list: one line per entry, drawn by the toolkit in fixed-height items (an owner-drawn LISTBOX
// with strings, so LB_GETTEXT reads it from outside), framed like TEdit, not a tab stop. A line wider
// than the list brings a horizontal scroll bar that reaches its end.
class TLogList : public TWinControl {
 public:
  explicit TLogList(TWinControl* Parent, int ItemHeight = 18);
  // Appends a line and scrolls to it; returns its index.
  int Add(const std::wstring& Line);
  int Count() const;
  std::wstring Line(int Index) const;
  void SetLine(int Index, const std::wstring& Line);
  void Clear();
  int ItemHeight() const;
  const TFrameStyle& FrameStyle() const { return FFrame; }
  void SetFrameStyle(const TFrameStyle& Value);
  // How far the list scrolls sideways: the widest line's width with its margins.
  int ScrollWidth() const;
  // A line's width in the list's font, with its margins.
  int LineWidth(const std::wstring& Line) const;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  bool Notification(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;

 private:
  // Lets the list scroll as far as Line; true when it now scrolls further than before.
  bool Widen(const std::wstring& Line);
  TFrameStyle FFrame;
  bool FHot = false;
};

// A smooth progress bar (msctls_progress32 with PBS_SMOOTH); range 0..100, step 10 at the start.
class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TWinControl* Parent);
  void SetRange(int Min, int Max);
  int Min() const;
  int Max() const;
  int Position() const;
  void SetPosition(int Value);
  void SetStep(int Value);
  int Step() const { return FStep; }
  // Advances by the step; past the maximum the control starts over from the minimum.
  void StepIt();
  // Marquee (blocks running along the bar) instead of the position, for work whose length nobody knows.
  void SetMarquee(bool Value);
  bool Marquee() const { return FMarquee; }
  // Red, for work that ended by an error: the error state where a theme draws the bar, the bar colour
  // where none does.
  void SetError(bool Value);
  bool Error() const { return FError; }

 private:
  int FStep = 10;
  bool FMarquee = false;
  bool FError = false;
};
