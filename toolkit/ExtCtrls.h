#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "Bitmap32.h"
#include "Controls.h"

class TPageControl;

// A page of a page control: a container in the page control's colour that fills it. Only the active
// page is visible.
class TTabSheet : public TWinControl {
 public:
  TTabSheet(TPageControl* PageControl, const std::wstring& Name);
  TPageControl* PageControl() const { return FPageControl; }
  // The control that gets the keyboard focus each time the page is activated.
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control) { FActiveControl = Control; }
  // Runs each time the page becomes the active page, after it appeared.
  TNotifyEvent OnShow;
  // Makes the page's controls, once, when the page is first shown or EnsureBuilt is first called: a
  // program starts faster without the windows of pages not yet shown.
  void SetBuilder(std::function<void()> Builder) { FBuilder = std::move(Builder); }
  void EnsureBuilt();

 private:
  TPageControl* FPageControl;
  TWinControl* FActiveControl = nullptr;
  std::function<void()> FBuilder;
};

// Pages on top of each other without tabs: only the buttons of the program switch between them.
class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TWinControl* Parent);
  int PageCount() const;
  TTabSheet* Page(int Index) const;
  TTabSheet* ActivePage() const { return FActivePage; }
  // Shows the page and hides the one shown before, then runs the page's OnShow. Activating the page
  // that is already active does nothing.
  void SetActivePage(TTabSheet* Page);
  // The same by the page's name; throws EProgramError for an unknown name.
  void ActivatePage(const std::wstring& Name);

 private:
  TTabSheet* FActivePage = nullptr;
};

// A read-only rich-text box (RichEdit20W) without border, with a soft bevel and an inner margin.
// The RTF document with every font size (\fs) and paragraph spacing and indent (\sa \sb \li \ri \fi)
// multiplied by Numerator/Denominator; font sizes round down, so the text never grows past the scale.
std::string ScaleRtfSizes(const std::string& Rtf, int Numerator, int Denominator);

class TRichEdit : public TWinControl {
 public:
  explicit TRichEdit(TWinControl* Parent);
  // Empty space between the bevel and the text, in pixels.
  void SetInnerBorder(int Pixels);
  // Replaces the text with the RTF document stored as RCDATA resource ResourceName. Throws
  // EProgramError when the resource is missing or cannot be read as rich text.
  // Numerator/Denominator scales the document's font sizes and spacings (96/120 shows it at a 120-DPI
  // screen in the pixels it has at 96 DPI).
  void LoadRtfFromResource(const std::wstring& ResourceName, int Numerator = 1, int Denominator = 1);
  void LoadRtf(const std::string& Rtf);
  // The plain text shown.
  std::wstring PlainText() const;
  // The document's text colours, or in high contrast the system's.
  void ApplyTextColors();

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  void ColorChanged() override;

 private:
  void ApplyInnerBorder();
  int FInnerBorder = 0;
};

// A paint box with a 32-bit back buffer of its own size; painting shows the buffer. OnResize runs after
// the buffer has been brought to the new size. Between BeginUpdate and EndUpdate changes are not shown;
// the last EndUpdate shows the buffer again.
class TPaintBox32 : public TWinControl {
 public:
  explicit TPaintBox32(TWinControl* Parent);
  TBitmap32& Buffer() { return FBuffer; }
  const TBitmap32& Buffer() const { return FBuffer; }
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  // The buffer changed: repaint it, unless updates are suspended.
  void Changed();

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  void Resized() override;

 private:
  TBitmap32 FBuffer;
  int FUpdateCount = 0;
};
