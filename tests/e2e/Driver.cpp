#include "Driver.h"

#include <memory>

#include <zlib.h>

#include "TestTree.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace e2e {

std::wstring UnixToWindowsPath(const char* UnixPath) {
  // Wine maps the Unix root to drive Z:.
  std::wstring path = L"Z:";
  for (const char* p = UnixPath; *p; ++p) path += (*p == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
  return path;
}

std::wstring TempFolder(const std::wstring& Name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring base = std::wstring(temp) + L"e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(GetTickCount()) + L"\\";
  CreateDirectoryW(base.c_str(), nullptr);
  std::wstring folder = base + Name;
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

void CopyTree(const std::wstring& From, const std::wstring& To) {
  CreateDirectoryW(To.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((From + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot list the distribution");
  // The search is closed also when a copy throws.
  const std::unique_ptr<void, BOOL (WINAPI*)(HANDLE)> search(find, FindClose);
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(From + name + L"\\", To + name + L"\\");
    } else if (!CopyFileW((From + name).c_str(), (To + name).c_str(), FALSE)) {
      throw std::runtime_error("cannot copy a distribution file");
    }
  } while (FindNextFileW(find, &data));
}

std::string ReadBytes(const std::wstring& Path) {
  std::string bytes;
  testsupport::ReadWholeFile(Path, bytes);
  return bytes;
}

std::wstring ReadText(const std::wstring& Path) {
  std::string bytes = ReadBytes(Path);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  if (bytes.empty()) return std::wstring();
  std::wstring text(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()));
  return text;
}

void WriteBytes(const std::wstring& Path, const std::string& Bytes) {
  HANDLE file = CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write a test file");
  DWORD written = 0;
  WriteFile(file, Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr);
  CloseHandle(file);
}

long long WriteTime(const std::wstring& Path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

HWND FindFolderBox(HWND Main) {
  for (HWND w : VisibleChildren(Main))
    if (ClassName(w) == L"Edit" && !(GetWindowLongW(w, GWL_STYLE) & ES_READONLY)) return w;
  return nullptr;
}

HWND FindChildByClass(HWND Parent, const std::wstring& Class) {
  for (HWND child = GetWindow(Parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == Class) return child;
    if (HWND found = FindChildByClass(child, Class)) return found;
  }
  return nullptr;
}

bool FolderExists(const std::wstring& Path) {
  const DWORD a = GetFileAttributesW(Path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& Path) {
  const DWORD a = GetFileAttributesW(Path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WaitFor(const std::function<bool()>& Condition, std::chrono::milliseconds Timeout) {
  const auto end = std::chrono::steady_clock::now() + Timeout;
  for (;;) {
    if (Condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::wstring WindowText(HWND Wnd) {
  // WM_GETTEXT reaches the control itself, so edit boxes of another process answer too.
  const LRESULT length = SendMessageW(Wnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(Wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

std::wstring ClassName(HWND Wnd) {
  wchar_t name[256] = {};
  GetClassNameW(Wnd, name, 256);
  return name;
}

namespace {

BOOL CALLBACK CollectChild(HWND Wnd, LPARAM Param) {
  reinterpret_cast<std::vector<HWND>*>(Param)->push_back(Wnd);
  return TRUE;
}

struct TopSearch {
  DWORD ProcessId;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectTop(HWND Wnd, LPARAM Param) {
  auto* search = reinterpret_cast<TopSearch*>(Param);
  DWORD pid = 0;
  GetWindowThreadProcessId(Wnd, &pid);
  if (pid == search->ProcessId && IsWindowVisible(Wnd)) search->Found.push_back(Wnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> VisibleChildren(HWND Parent) {
  std::vector<HWND> all, visible;
  EnumChildWindows(Parent, CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all)
    if (IsWindowVisible(w)) visible.push_back(w);
  return visible;
}

Program::Program(const std::wstring& ExePath, const std::wstring& CurrentFolder, const std::wstring& Arguments) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring commandLine = L"\"" + ExePath + L"\"" + (Arguments.empty() ? L"" : L" " + Arguments);
  // Wine under load now and then refuses a start for a moment; a real failure stays after three tries.
  DWORD error = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) Sleep(500);
    if (CreateProcessW(ExePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       CurrentFolder.c_str(), &startup, &Info))
      return;
    error = GetLastError();
  }
  throw std::runtime_error("cannot start Install.exe, error " + std::to_string(error));
}

Program::~Program() {
  if (Running()) {
    TerminateProcess(Info.hProcess, 99);
    WaitForSingleObject(Info.hProcess, 5000);
  }
  CloseHandle(Info.hThread);
  CloseHandle(Info.hProcess);
}

bool Program::Running() const { return WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT; }

bool Program::WaitForExit(std::chrono::milliseconds Timeout) {
  return WaitForSingleObject(Info.hProcess, static_cast<DWORD>(Timeout.count())) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(Info.hProcess, &code);
  return code;
}

std::vector<HWND> Program::TopWindows() const {
  TopSearch search{Info.dwProcessId, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND Program::WaitForTopWindow(const std::function<bool(HWND)>& Match, std::chrono::milliseconds Timeout) const {
  HWND found = nullptr;
  WaitFor([&] {
    for (HWND w : TopWindows())
      if (Match(w)) { found = w; return true; }
    return false;
  }, Timeout);
  return found;
}

HWND Program::WaitForWindowByCaption(const std::wstring& Caption) const {
  return WaitForTopWindow([&](HWND w) { return WindowText(w) == Caption; });
}

HWND Program::WaitForWindowByClass(const std::wstring& Class) const {
  return WaitForTopWindow([&](HWND w) { return ClassName(w) == Class; });
}

HWND Program::WaitForMessageBox(std::chrono::milliseconds Timeout) const {
  return WaitForTopWindow([](HWND w) { return ClassName(w) == L"#32770"; }, Timeout);
}

std::wstring WithoutAccessKey(const std::wstring& Caption) {
  std::wstring shown;
  for (size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == L'&' && i + 1 < Caption.size()) ++i;
    shown += Caption[i];
  }
  return shown;
}

HWND FindVisibleByText(HWND Parent, const std::wstring& Text, const std::wstring& Class) {
  for (HWND w : VisibleChildren(Parent))
    if (WithoutAccessKey(WindowText(w)) == Text && (Class.empty() || ClassName(w) == Class)) return w;
  return nullptr;
}

HWND FindVisibleByClass(HWND Parent, const std::wstring& Class) {
  for (HWND w : VisibleChildren(Parent))
    if (ClassName(w) == Class) return w;
  return nullptr;
}

std::vector<std::wstring> VisibleTexts(HWND Parent, const std::wstring& Class) {
  std::vector<std::wstring> texts;
  for (HWND w : VisibleChildren(Parent))
    if (ClassName(w) == Class) texts.push_back(WindowText(w));
  return texts;
}

bool IsShown(HWND Control) { return Control && IsWindowVisible(Control); }

void Click(HWND Button) {
  PostMessageW(GetParent(Button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button), BN_CLICKED),
               reinterpret_cast<LPARAM>(Button));
}

void SetText(HWND Control, const std::wstring& Text) {
  SendMessageW(Control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str()));
}

std::wstring MessageBoxText(HWND Box) {
  HWND text = GetDlgItem(Box, 0xFFFF);
  return text ? WindowText(text) : std::wstring();
}

void AnswerMessageBox(HWND Box, int ButtonId) {
  PostMessageW(Box, WM_COMMAND, MAKEWPARAM(ButtonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Box, ButtonId)));
}

std::vector<std::wstring> ListBoxLines(HWND List) {
  std::vector<std::wstring> lines;
  const LRESULT count = SendMessageW(List, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(List, LB_GETTEXTLEN, i, 0);
    std::wstring line(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(List, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<size_t>(length));
    lines.push_back(line);
  }
  return lines;
}

namespace {

void PutBigEndian(std::string& Out, uint32_t Value) {
  for (int shift = 24; shift >= 0; shift -= 8) Out += static_cast<char>((Value >> shift) & 0xFF);
}

void PutChunk(std::string& Out, const char* Type, const std::string& Data) {
  PutBigEndian(Out, static_cast<uint32_t>(Data.size()));
  std::string typed = std::string(Type, 4) + Data;
  Out += typed;
  PutBigEndian(Out, crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
}

// A plain RGB PNG of the screen, so the pictures open anywhere.
void WritePng(const std::wstring& Path, int Width, int Height, const std::vector<uint32_t>& Bgra) {
  std::string raw;
  raw.reserve(static_cast<size_t>(Height) * (Width * 3 + 1));
  for (int y = 0; y < Height; ++y) {
    raw += '\0';
    for (int x = 0; x < Width; ++x) {
      const uint32_t p = Bgra[static_cast<size_t>(y) * Width + x];
      raw += static_cast<char>((p >> 16) & 0xFF);
      raw += static_cast<char>((p >> 8) & 0xFF);
      raw += static_cast<char>(p & 0xFF);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
  packed.resize(packedSize);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(Width));
  PutBigEndian(header, static_cast<uint32_t>(Height));
  header += std::string("\x08\x02\x00\x00\x00", 5);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", std::string());
  std::ofstream(Path.c_str(), std::ios::binary).write(png.data(), static_cast<std::streamsize>(png.size()));
}

}  // namespace

void Screenshot(const std::wstring& Name) {
  wchar_t setting[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"E2E_SCREENSHOTS", setting, MAX_PATH)) return;
  std::wstring folder = setting;
  if (!folder.empty() && folder[0] == L'/') folder = UnixToWindowsPath(std::string(folder.begin(), folder.end()).c_str());
  // Give the program a moment to finish painting what the last step changed.
  Sleep(400);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + static_cast<size_t>(width) * height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  CreateDirectoryW(folder.c_str(), nullptr);
  WritePng(folder + L"\\" + Name + L".png", width, height, pixels);
}

}  // namespace e2e
