#include "WaitRun.h"

TFWaitRun* FWaitRun = nullptr;

namespace {

std::wstring CaptionFor(unsigned char typemessage) {
  switch (typemessage) {
    case 2: return L"Запись данных ЭКГ";
    case 3: return L"Преобразование данных ЭКГ в формат Ритмон-Vidoze";
    case 4: return L"";
    default: return L"Launching ";
  }
}

}  // namespace

TFWaitRun::TFWaitRun() : TForm(L"TFWaitRun") {
  SetBorderStyle(bsSingle);
  SetBorderIcons(false, false, false);
  // The 2-pixel border lies around the 314 x 39 the bar and the text share.
  SetClientSize(314 + 2 * 2, 39 + 2 * 2);
  SetPadding(2, 2, 2, 2);
  SetStayOnTop(true);
  SetPosition(poScreenCenter);
  SetFont(TFont(L"Tahoma", 13, RUSSIAN_CHARSET));

  ProgressBar = new TProgressBar(this);
  ProgressBar->SetHeight(20);
  ProgressBar->SetRange(0, 25);
  ProgressBar->SetStep(1);
  ProgressBar->SetPosition(0);
  ProgressBar->SetAlign(alBottom);
  LblProgress = new TLabel(this);
  LblProgress->SetAlign(alClient);

  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  FormCreate(this);
}

void TFWaitRun::FormCreate(TObject*) {
  ProgressBar->SetPosition(0);
  SetCaption(CaptionFor(typemessage));
}

void TFWaitRun::FormShow(TObject*) { SetCaption(CaptionFor(typemessage)); }

void TFWaitRun::Next(const std::wstring& msg) noexcept {
  // Called from the middle of the caller's work, which a failed progress display must not end.
  try {
    ProgressBar->StepIt();
    LblProgress->SetCaption(msg);
    Application.ProcessMessages();
  } catch (...) {
  }
}

void CreateWaitRunWindow() {
  if (!FWaitRun) FWaitRun = new TFWaitRun();
}
