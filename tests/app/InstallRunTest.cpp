// The main window while its installation runs, in-process: close requests from everywhere, the pages'
// buttons, a second start and the end of the Windows session are refused until the run has ended, and the
// progress bar and the task-bar button show how it ended. The test program's folder holds no
// distribution, so each run ends by an error at the database file, with its error box open meanwhile.
#include <gtest/gtest.h>
#include <windows.h>
#include <shobjidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Main.h"
#include "ScriptedPrompts.h"
#include "TaskbarProgress.h"

namespace {

bool NoNotice(const std::wstring&, TMessageType, const std::wstring&, int) { return true; }

// The task-bar button as the shell would be told, recorded.
struct TTaskbarCall {
  HWND Button;
  TBPFLAG State;       // the state set, or -1 for a value
  ULONGLONG Done, Of;  // the value set
};
std::vector<TTaskbarCall> TaskbarCalls;

class TRecordingTaskbar final : public ITaskbarList3 {
 public:
  virtual ~TRecordingTaskbar() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Iid, void** Object) override {
    if (Iid == IID_IUnknown || Iid == IID_ITaskbarList || Iid == IID_ITaskbarList2 || Iid == IID_ITaskbarList3) {
      *Object = this;
      AddRef();
      return S_OK;
    }
    *Object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --FReferences;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProgressValue(HWND Button, ULONGLONG Done, ULONGLONG Of) override {
    TaskbarCalls.push_back({Button, static_cast<TBPFLAG>(-1), Done, Of});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetProgressState(HWND Button, TBPFLAG State) override {
    TaskbarCalls.push_back({Button, State, 0, 0});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return E_NOTIMPL; }

 private:
  ULONG FReferences = 1;
};

HRESULT CreateRecordingTaskbar(ITaskbarList3** List) {
  *List = new TRecordingTaskbar;
  return S_OK;
}

HRESULT NoTaskbar(ITaskbarList3** List) {
  *List = nullptr;
  return E_NOINTERFACE;
}

// The operator at the boxes, with a hook that runs while a box is open.
struct TPromptsWithHook : ScriptedPrompts {
  std::function<void()> WhileOpen;
  int Box(HWND Owner, const std::wstring& Text, const std::wstring& Caption, UINT Flags) override {
    if (WhileOpen) WhileOpen();
    return ScriptedPrompts::Box(Owner, Text, Caption, Flags);
  }
};

// A folder no earlier run has used: process ids come again under Wine.
std::wstring NewTempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  for (;;) {
    const std::wstring folder = std::wstring(temp) + L"Проверка установки " +
                                std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"\\";
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
}

class InstallRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // The application window carries the task-bar button and gets the task bar's close requests.
    Application.Initialize();
    ASSERT_NE(Application.Handle(), nullptr);
    PreviousNotice = MessageWindow;
    MessageWindow = NoNotice;
    PreviousTaskbar = TaskbarSeams::SetCreateTaskbarList(CreateRecordingTaskbar);
    TaskbarCalls.clear();
    Form = std::make_unique<TFMain>();
    Form->Show();
    SendMessageW(Form->BtnStartNext->Handle(), BM_CLICK, 0, 0);
    Form->ePath->SetText(NewTempFolder() + L"Цель");
    SendMessageW(Form->BtnInputPathNext->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(Form->InsatallPages->ActivePage(), Form->tsInputComponents);
  }
  void TearDown() override {
    Form.reset();
    TaskbarSeams::SetCreateTaskbarList(PreviousTaskbar);
    MessageWindow = PreviousNotice;
  }
  void Start() { SendMessageW(Form->BtnInsatall->Handle(), BM_CLICK, 0, 0); }

  TPromptsWithHook Prompts;
  std::unique_ptr<TFMain> Form;
  TShowMessageWindowFn PreviousNotice = nullptr;
  TaskbarSeams::CreateTaskbarListFn PreviousTaskbar = nullptr;
};

// Every way a close reaches the window: its close box and Alt+F4 (SC_CLOSE), the task-bar button's
// "Close window" (SC_CLOSE to the application window), WM_CLOSE sent by another program to either.
struct TCloseRequest {
  const char* Name;
  bool ToApplicationWindow;
  UINT Message;
  WPARAM Command;
};
const TCloseRequest CloseRequests[] = {
    {"WM_CLOSE to the main window", false, WM_CLOSE, 0},
    {"close box or Alt+F4", false, WM_SYSCOMMAND, SC_CLOSE},
    {"task bar's Close window", true, WM_SYSCOMMAND, SC_CLOSE},
    {"WM_CLOSE to the application window", true, WM_CLOSE, 0},
};

void SendCloseRequest(const TCloseRequest& Request, HWND Main) {
  SendMessageW(Request.ToApplicationWindow ? Application.Handle() : Main, Request.Message, Request.Command, 0);
}

TEST_F(InstallRun, CloseRequestsWhileABoxOfTheRunIsOpenAreRefusedUntilTheRunHasEnded) {
  std::vector<std::string> closedWhileOpen;
  LRESULT sessionEndWhileOpen = -1;
  Prompts.WhileOpen = [&] {
    EXPECT_TRUE(Form->InstallRunning());
    for (const TCloseRequest& request : CloseRequests) {
      SendCloseRequest(request, Form->Handle());
      if (Application.Terminated()) closedWhileOpen.push_back(request.Name);
    }
    sessionEndWhileOpen = SendMessageW(Form->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
  };
  Start();

  EXPECT_TRUE(closedWhileOpen.empty()) << "ended the program half-way: " << closedWhileOpen.front();
  EXPECT_EQ(sessionEndWhileOpen, FALSE) << "Windows is asked to wait while the run is on";
  ASSERT_EQ(Prompts.Boxes.size(), 1u);
  EXPECT_EQ(Prompts.Boxes[0].Text.rfind(L"Cannot open file \"", 0), 0u);
  EXPECT_FALSE(Form->InstallRunning());
  EXPECT_TRUE(Form->Visible());

  // Once the run has ended the window closes as before, and Windows may end the session.
  EXPECT_NE(SendMessageW(Form->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
  for (const TCloseRequest& request : CloseRequests) {
    SCOPED_TRACE(request.Name);
    Form.reset();
    Form = std::make_unique<TFMain>();
    Form->Show();
    SendMessageW(Form->BtnStartNext->Handle(), BM_CLICK, 0, 0);
    Form->ePath->SetText(NewTempFolder() + L"Цель");
    SendMessageW(Form->BtnInputPathNext->Handle(), BM_CLICK, 0, 0);
    Prompts.WhileOpen = nullptr;
    Start();
    EXPECT_FALSE(Application.Terminated());
    SendCloseRequest(request, Form->Handle());
    EXPECT_TRUE(Application.Terminated());
  }
}

TEST_F(InstallRun, ThePagesButtonsDoNothingWhileTheRunIsOnAndItRunsOnce) {
  std::vector<std::wstring> pagesSeen;
  Prompts.WhileOpen = [&] {
    // Hidden behind the progress page, yet a queued click or another program's could still reach them.
    for (TButton* button : {Form->BtnInputComponentsBack, Form->BtnCancel4, Form->BtnInsatall, Form->BtnExit,
                            Form->BtnCancel, Form->BtnStartNext, Form->BtnExitCancel, Form->BtnChangeFont})
      button->Click();
    pagesSeen.push_back(Form->InsatallPages->ActivePage()->Name());
  };
  Start();
  ASSERT_EQ(pagesSeen, std::vector<std::wstring>{L"tsProgressInstall"});
  ASSERT_EQ(Prompts.Boxes.size(), 1u) << "no cancel question, no second run's error";
  const int lines = Form->LogList->Count();
  EXPECT_EQ(lines, 3);

  // After the run too, the start button does not start a second one.
  Prompts.WhileOpen = nullptr;
  Form->BtnInsatall->Click();
  EXPECT_EQ(Form->LogList->Count(), lines);
  EXPECT_EQ(Prompts.Boxes.size(), 1u);
  EXPECT_EQ(Form->InsatallPages->ActivePage(), Form->tsProgressInstall);
}

TEST_F(InstallRun, AnErrorTurnsTheBarAndTheTaskBarButtonRedBeforeItsBoxShows) {
  bool redWhileOpen = false;
  size_t taskbarCallsWhileOpen = 0;
  Prompts.WhileOpen = [&] {
    redWhileOpen = Form->PbInstall->Error();
    taskbarCallsWhileOpen = TaskbarCalls.size();
  };
  EXPECT_EQ(Form->PbInstall->Max(), 1000);
  Start();
  EXPECT_TRUE(redWhileOpen);
  EXPECT_TRUE(Form->PbInstall->Error());
  EXPECT_FALSE(Form->PbInstall->Marquee());
  EXPECT_GT(Form->PbInstall->Position(), 0) << "the settings files' stage was done";
  EXPECT_LT(Form->PbInstall->Position(), 1000);
  EXPECT_TRUE(Form->PbInstall->Showing()) << "in the progress page's button bar";

  ASSERT_GE(TaskbarCalls.size(), 3u);
  // Told before the box, nothing while it is open; once the run has ended, the button is cleared.
  EXPECT_EQ(taskbarCallsWhileOpen, TaskbarCalls.size() - 1);
  EXPECT_EQ(TaskbarCalls.back().State, TBPF_NOPROGRESS);
  for (const TTaskbarCall& call : TaskbarCalls) EXPECT_EQ(call.Button, Application.Handle()) << "the button's window";
  const TTaskbarCall& state = TaskbarCalls[TaskbarCalls.size() - 3];
  const TTaskbarCall& value = TaskbarCalls[TaskbarCalls.size() - 2];
  EXPECT_EQ(state.State, TBPF_ERROR);
  EXPECT_EQ(value.Done, static_cast<ULONGLONG>(Form->PbInstall->Position()));
  EXPECT_EQ(value.Of, 1000u);
}

// The bar lies in the button bar's free part, left of "Выход": the log, docked above that bar, keeps its
// place and size.
TEST_F(InstallRun, TheBarLiesInTheButtonBarLeftOfTheExitButton) {
  Form->InsatallPages->SetActivePage(Form->tsProgressInstall);
  Form->LogList->Show();
  EXPECT_EQ(Form->PbInstall->Parent(), Form->BtnExit->Parent());
  const RECT bar = Form->PbInstall->BoundsRect(), exit = Form->BtnExit->BoundsRect();
  EXPECT_GT(bar.left, 0);
  EXPECT_LT(bar.right, exit.left);
  EXPECT_GT(bar.top, exit.top);
  EXPECT_LT(bar.bottom, exit.bottom);
  EXPECT_GT(bar.right - bar.left, 400);
  const RECT log = Form->LogList->BoundsRect(), buttons = Form->BtnExit->Parent()->BoundsRect();
  EXPECT_EQ(log.bottom + 4, buttons.top) << "the log ends above the spacer and the button bar, as before";
}

TEST_F(InstallRun, WithoutATaskBarObjectTheRunGoesOnAsBefore) {
  TaskbarSeams::SetCreateTaskbarList(NoTaskbar);
  Start();
  EXPECT_TRUE(TaskbarCalls.empty());
  EXPECT_TRUE(Form->PbInstall->Error());
  EXPECT_EQ(Prompts.Boxes.size(), 1u);
}

}  // namespace
