#include "ExtCtrls.h"

#include <richedit.h>

#include "Error.h"
#include "Forms.h"
#include "Paths.h"

// ---------------------------------------------------------------- TTabSheet, TPageControl

TTabSheet::TTabSheet(TPageControl* PageControl, const std::wstring& Name)
    : TWinControl(PageControl), FPageControl(PageControl) {
  SetName(Name);
  RegisterWindowClass(L"TTabSheet");
  // No window text: a screen reader would read the page's internal name.
  CreateHandle(L"TTabSheet", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
  ShowWindow(Handle(), SW_HIDE);
  SetAlign(alClient);
}

void TTabSheet::EnsureBuilt() {
  if (!FBuilder) return;
  // Cleared first: the builder reaches the page's controls, which would ask for the build again.
  const std::function<void()> builder = std::move(FBuilder);
  FBuilder = nullptr;
  builder();
}

TPageControl::TPageControl(TWinControl* Parent) : TWinControl(Parent) {
  RegisterWindowClass(L"TPageControl");
  CreateHandle(L"TPageControl", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

int TPageControl::PageCount() const {
  int count = 0;
  for (TWinControl* child : Controls())
    if (dynamic_cast<TTabSheet*>(child)) ++count;
  return count;
}

TTabSheet* TPageControl::Page(int Index) const {
  for (TWinControl* child : Controls())
    if (auto* page = dynamic_cast<TTabSheet*>(child))
      if (Index-- == 0) return page;
  return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page == FActivePage || (Page && Page->PageControl() != this)) return;
  if (Page) Page->EnsureBuilt();
  TTabSheet* previous = FActivePage;
  FActivePage = Page;
  if (Page) Page->Show();
  if (previous) {
    // The focus must not stay in a hidden page.
    HWND focus = GetFocus();
    const bool focusInside = focus && (focus == previous->Handle() || IsChild(previous->Handle(), focus));
    previous->Hide();
    if (focusInside) ::SetFocus(Handle());
  }
  if (Page && Page->ActiveControl()) {
    TWinControl* top = this;
    while (top->Parent()) top = top->Parent();
    if (auto* form = dynamic_cast<TForm*>(top)) form->FocusControl(Page->ActiveControl());
  }
  if (Page && Page->OnShow) Page->OnShow(Page);
}

void TPageControl::ActivatePage(const std::wstring& Name) {
  for (TWinControl* child : Controls())
    if (auto* page = dynamic_cast<TTabSheet*>(child))
      if (page->Name() == Name) return SetActivePage(page);
  throw EProgramError(L"Нет страницы \"" + Name + L"\".");
}

// ---------------------------------------------------------------- TRichEdit

namespace {

const wchar_t* RichEditClass() {
  // From the system folder by its full path: never a riched20.dll lying beside the program.
  static HMODULE library = [] {
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return static_cast<HMODULE>(nullptr);
    return LoadLibraryW((folder + L"\\riched20.dll").c_str());
  }();
  if (!library) throw EProgramError(L"Не удалось загрузить библиотеку riched20.dll.");
  return RICHEDIT_CLASSW;
}

struct StreamSource {
  const std::string* Data;
  size_t Position;
};

DWORD CALLBACK ReadStream(DWORD_PTR Cookie, LPBYTE Buffer, LONG Wanted, LONG* Read) {
  auto* source = reinterpret_cast<StreamSource*>(Cookie);
  const size_t left = source->Data->size() - source->Position;
  const size_t count = left < static_cast<size_t>(Wanted) ? left : static_cast<size_t>(Wanted);
  source->Data->copy(reinterpret_cast<char*>(Buffer), count, source->Position);
  source->Position += count;
  *Read = static_cast<LONG>(count);
  return 0;
}

}  // namespace

TRichEdit::TRichEdit(TWinControl* Parent) : TWinControl(Parent) {
  CreateHandle(RichEditClass(), ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL);
  SetParentColor(false);
  SetColor(clWindow);
}

void TRichEdit::SetInnerBorder(int Pixels) {
  FInnerBorder = Pixels;
  ApplyInnerBorder();
}

void TRichEdit::ApplyInnerBorder() {
  RECT rect;
  GetClientRect(Handle(), &rect);
  InflateRect(&rect, -FInnerBorder, -FInnerBorder);
  SendMessageW(Handle(), EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
}

void TRichEdit::LoadRtf(const std::string& Rtf) {
  StreamSource source{&Rtf, 0};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, ReadStream};
  SendMessageW(Handle(), EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  if (stream.dwError != 0 || (Rtf.compare(0, 5, "{\\rtf") != 0))
    throw EProgramError(L"Не удалось прочитать текст в формате RTF.");
  ApplyInnerBorder();
  ApplyTextColors();
}

std::string ScaleRtfSizes(const std::string& Rtf, int Numerator, int Denominator) {
  if (Numerator == Denominator || Numerator <= 0 || Denominator <= 0) return Rtf;
  static const char* const Scaled[] = {"fs", "sa", "sb", "li", "ri", "fi"};
  std::string result;
  result.reserve(Rtf.size());
  size_t i = 0;
  while (i < Rtf.size()) {
    const char c = Rtf[i];
    // An escaped backslash is text, not a control word.
    if (c == '\\' && i + 1 < Rtf.size() && Rtf[i + 1] == '\\') {
      result += "\\\\";
      i += 2;
      continue;
    }
    if (c != '\\') {
      result += c;
      ++i;
      continue;
    }
    size_t word = i + 1;
    while (word < Rtf.size() && Rtf[word] >= 'a' && Rtf[word] <= 'z') ++word;
    const std::string name = Rtf.substr(i + 1, word - i - 1);
    size_t number = word;
    if (number < Rtf.size() && Rtf[number] == '-') ++number;
    while (number < Rtf.size() && Rtf[number] >= '0' && Rtf[number] <= '9' && number - word < 9) ++number;
    bool scaled = false;
    for (const char* candidate : Scaled) scaled = scaled || name == candidate;
    if (!scaled || number == word || (number == word + 1 && Rtf[word] == '-')) {
      result.append(Rtf, i, word - i);
      i = word;
      continue;
    }
    const long long value = std::stoll(Rtf.substr(word, number - word));
    const long long product = value * Numerator;
    // Font sizes round down (never larger than asked); spacings to the nearest.
    const long long newValue = name == "fs" ? product / Denominator
                                            : (product + (product >= 0 ? Denominator / 2 : -Denominator / 2)) / Denominator;
    result += "\\" + name + std::to_string(name == "fs" && newValue < 1 ? 1 : newValue);
    i = number;
  }
  return result;
}

void TRichEdit::LoadRtfFromResource(const std::wstring& ResourceName, int Numerator, int Denominator) {
  const std::string rtf = ScaleRtfSizes(LoadResourceBytes(ResourceName), Numerator, Denominator);
  try {
    LoadRtf(rtf);
  } catch (const EProgramError&) {
    throw EProgramError(L"Ресурс \"" + ResourceName + L"\" не является текстом в формате RTF.");
  }
}

std::wstring TRichEdit::PlainText() const {
  GETTEXTLENGTHEX lengthQuery{GTL_DEFAULT, 1200};
  const LRESULT length = SendMessageW(Handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX query{static_cast<DWORD>((length + 1) * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
  const LRESULT got = SendMessageW(Handle(), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

void TRichEdit::ColorChanged() {
  SendMessageW(Handle(), EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRGB(ShownColor())));
  TWinControl::ColorChanged();
}

void TRichEdit::ApplyTextColors() {
  // In high contrast every letter takes the system's text colour instead of the document's own.
  if (!HighContrast()) return;
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.dwEffects = CFE_AUTOCOLOR;
  SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

LRESULT TRichEdit::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_NCCALCSIZE:
      // Room for the soft bevel around the text.
      InflateRect(reinterpret_cast<RECT*>(LParam), -2, -2);
      return DefaultHandler(Msg, WParam, LParam);
    case WM_NCPAINT: {
      DefaultHandler(Msg, WParam, LParam);
      HDC dc = GetWindowDC(Handle());
      RECT window;
      GetWindowRect(Handle(), &window);
      OffsetRect(&window, -window.left, -window.top);
      DrawEdge(dc, &window, EDGE_ETCHED, BF_RECT | BF_SOFT);
      ReleaseDC(Handle(), dc);
      return 0;
    }
    case WM_SIZE: {
      const LRESULT result = TWinControl::WndProc(Msg, WParam, LParam);
      ApplyInnerBorder();
      return result;
    }
  }
  return TWinControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TPaintBox32

TPaintBox32::TPaintBox32(TWinControl* Parent) : TWinControl(Parent) {
  RegisterWindowClass(L"TPaintBox32");
  CreateHandle(L"TPaintBox32", 0);
}

void TPaintBox32::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TPaintBox32::Changed() {
  if (FUpdateCount == 0) Invalidate();
}

void TPaintBox32::Resized() {
  if (ClientWidth() != FBuffer.Width() || ClientHeight() != FBuffer.Height())
    FBuffer.SetSize(ClientWidth(), ClientHeight());
  TWinControl::Resized();
}

LRESULT TPaintBox32::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Handle(), &ps);
      FBuffer.PaintTo(dc, 0, 0);
      EndPaint(Handle(), &ps);
      return 0;
    }
  }
  return TWinControl::WndProc(Msg, WParam, LParam);
}

