#include "client/cd_form.h"

#include "client/view_layout.h"

using namespace view_layout;

namespace {

TCDForm* GCurrent = nullptr;

TCdMode ModeOf(TMPModes M) {
  switch (M) {
    case mpStopped: return cdStopped;
    case mpPlaying: return cdPlaying;
    case mpSeeking: return cdSeeking;
    case mpPaused: return cdPaused;
    case mpOpen: return cdOpen;
    default: return cdNotReady;
  }
}

// The logic's port over the media player.
class TMediaPlayerPort : public TCdPlayerPort {
public:
  explicit TMediaPlayerPort(TMediaPlayer& P) : FP(P) {}
  TCdMode Mode() override { return FP.IsOpen() ? ModeOf(FP.Mode()) : cdNotReady; }
  int TrackCount() override { return FP.Tracks(); }
  TCdTime TrackLength(int Track) override {
    const int L = FP.TrackLength(Track);
    return {MCI_MSF_MINUTE(L), MCI_MSF_SECOND(L), MCI_MSF_FRAME(L)};
  }
  TCdPosition Position() override {
    const int P = FP.Position();
    return {MCI_TMSF_TRACK(P), {MCI_TMSF_MINUTE(P), MCI_TMSF_SECOND(P), MCI_TMSF_FRAME(P)}};
  }
  void SetStartTrack(int Track) override { FP.SetStartPos(MCI_MAKE_TMSF(Track, 0, 0, 0)); }
  void Play() override { FP.Play(); }
  void Stop() override { FP.Stop(); }
  void Previous() override {
    FP.SetNotify(true);
    FP.Previous();
  }
  void EnableButtons() override { FP.SetAutoEnable(true); }

private:
  TMediaPlayer& FP;
};

TColor ColourOf(TCdLabelColour C) {
  switch (C) {
    case TCdLabelColour::Green: return clGreen;
    case TCdLabelColour::Yellow: return clYellow;
    default: return clRed;
  }
}

TCdButton ButtonOf(TMPBtnType B) {
  switch (B) {
    case TMPBtnType::btPlay: return TCdButton::Play;
    case TMPBtnType::btPause: return TCdButton::Pause;
    case TMPBtnType::btStop: return TCdButton::Stop;
    case TMPBtnType::btNext: return TCdButton::Next;
    case TMPBtnType::btPrev: return TCdButton::Prev;
    default: return TCdButton::Eject;
  }
}

}  // namespace

TCDForm* TCDForm::Current() { return GCurrent; }

TCDForm* TCDForm::Display(TComponent* AOwner) {
  if (!GCurrent) GCurrent = new TCDForm(AOwner);
  GCurrent->Show();
  return GCurrent;
}

TCDForm::TCDForm(TComponent* AOwner) : TForm(AOwner) {
  SetName("CDForm");
  SetCaption("CD Player");
  SetColor(clBtnFace);
  SetBounds(100, 100, 300, 150);
  PaintFormBackground(this);
  CD = Make<TMediaPlayer>(this, this, "CD", 8, 8, 200, 30);
  CD->SetDeviceType(dtCDAudio);
  CD->SetVisibleButtons({TMPBtnType::btPlay, TMPBtnType::btPause, TMPBtnType::btStop, TMPBtnType::btNext,
                         TMPBtnType::btPrev, TMPBtnType::btEject});
  TrackTitle = MakeCaptioned<TLabel>(this, this, "TrackTitle", "Track:", 8, 48, 45, 15);
  lblTrack = MakeCaptioned<TLabel>(this, this, "lblTrack", "0", 56, 48, 30, 15);
  TimeTitle = MakeCaptioned<TLabel>(this, this, "TimeTitle", "Postion:", 100, 48, 55, 15);
  lblTime = MakeCaptioned<TLabel>(this, this, "lblTime", "00:00", 158, 48, 50, 15);
  CDStatus = MakeCaptioned<TLabel>(this, this, "CDStatus", "Ready", 8, 70, 270, 15);
  ContinuousPlay = MakeCaptioned<TCheckBox>(this, this, "ContinuousPlay", "Continuous Play", 8, 92, 130, 20);
  RepeatSong = MakeCaptioned<TCheckBox>(this, this, "RepeatSong", "Repeat Current Song", 140, 92, 150, 20);
  Port = std::make_unique<TMediaPlayerPort>(*CD);
  Logic = std::make_unique<TCDPlayerLogic>(*Port);
  try {
    CD->SetAutoOpen(true);
    CD->Open();
  } catch (const std::exception&) {
    // No drive: the status says "not ready" at the first tick.
  }
  CD->OnPostClick = [this](TObject*, TMPBtnType B) {
    Logic->CDPostClick(ButtonOf(B));
    ShowState();
  };
  CD->OnNotify = [this](TObject*) {
    Logic->CDNotify();
    Timer1->SetEnabled(Logic->TimerEnabled);
    ShowState();
  };
  auto Options = [this](TObject*) {
    Logic->ContinuousPlay = ContinuousPlay->Checked();
    Logic->RepeatCurrentSong = RepeatSong->Checked();
    Logic->mnuOptionsRepeatClick();
  };
  ContinuousPlay->OnClick = Options;
  RepeatSong->OnClick = Options;
  Timer1 = new TTimer(this);
  Timer1->SetInterval(1000);
  Timer1->OnTimer = [this](TObject*) {
    Logic->Timer1Timer();
    Timer1->SetEnabled(Logic->TimerEnabled);
    ShowState();
  };
  Timer1->SetEnabled(true);
  OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
  ShowState();
}

TCDForm::~TCDForm() {
  if (GCurrent == this) GCurrent = nullptr;
}

void TCDForm::ShowState() {
  lblTrack->SetCaption(Logic->Track);
  lblTime->SetCaption(Logic->Time);
  CDStatus->SetCaption(Logic->Status);
  const TColor C = ColourOf(Logic->Colour);
  for (TLabel* L : {lblTrack, lblTime, TrackTitle, TimeTitle}) L->Font().SetColor(C);
}
