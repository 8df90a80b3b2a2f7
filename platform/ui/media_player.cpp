#include "platform/ui/media_player.h"

#include <algorithm>

namespace {

constexpr TMPBtnType kAllButtons[] = {TMPBtnType::btPlay, TMPBtnType::btPause, TMPBtnType::btStop,
                                      TMPBtnType::btNext, TMPBtnType::btPrev, TMPBtnType::btStep,
                                      TMPBtnType::btBack, TMPBtnType::btRecord, TMPBtnType::btEject};
constexpr UINT kNotifyTimer = 1;
const char kNotOpen[] = "The device is not open.";

int ToTmsf(const TCdPosition& p) { return MCI_MAKE_TMSF(p.Track, p.Time.Minutes, p.Time.Seconds, p.Time.Frames); }
TCdPosition FromTmsf(int v) {
  TCdPosition p;
  p.Track = std::max(MCI_TMSF_TRACK(v), 1);
  p.Time = {MCI_TMSF_MINUTE(v), MCI_TMSF_SECOND(v), MCI_TMSF_FRAME(v)};
  return p;
}

}  // namespace

TMediaPlayer::TMediaPlayer(TComponent* AOwner) : TCustomControl(AOwner), FPoll(nullptr) {
  SetBounds(0, 0, 253, 30);
  SetColor(clBtnFace);
  for (TMPBtnType b : kAllButtons) FVisibleButtons << b;
  FEnabledButtons = FVisibleButtons;
  FPoll.SetEnabled(false);
  FPoll.SetInterval(500);
  FPoll.OnTimer = [this](TObject*) { CheckDevice(); };
}

TMediaPlayer::~TMediaPlayer() {
  FPoll.SetEnabled(false);
  if (FDevice) FDevice->Close();
}

void TMediaPlayer::SetAutoOpen(bool value) {
  FAutoOpen = value;
  if (value && !FOpen && !(ComponentState() & csLoading)) Open();
}

void TMediaPlayer::Loaded() {
  TCustomControl::Loaded();
  if (FAutoOpen && !FOpen) Open();
}

void TMediaPlayer::SetAutoEnable(bool value) {
  FAutoEnable = value;
  UpdateAutoEnable();
}

void TMediaPlayer::SetVisibleButtons(TButtonSet value) {
  FVisibleButtons = value;
  Invalidate();
}

void TMediaPlayer::SetEnabledButtons(TButtonSet value) {
  FEnabledButtons = value;
  Invalidate();
}

void TMediaPlayer::SetTimeFormat(TMPTimeFormats value) {
  // The CD device counts in tracks, minutes, seconds and frames only.
  if (value != tfTMSF && value != tfMSF) throw EMCIDeviceError("The specified time format is not supported.");
  FTimeFormat = value;
}

TCdAudioDevice& TMediaPlayer::Device() {
  if (!FOpen || !FDevice) throw EMCIDeviceError(kNotOpen);
  return *FDevice;
}

void TMediaPlayer::Open() {
  if (FDeviceType != dtCDAudio && FDeviceType != dtAutoSelect)
    throw EMCIDeviceError("The specified device type is not supported.");
  if (FOpen) return;
  FDevice = CreateCdAudioDevice();
  if (!FDevice->Open()) {
    FDevice.reset();
    throw EMCIDeviceError("The device is not ready.");
  }
  FOpen = true;
  FDeviceType = dtCDAudio;
  FPoll.SetEnabled(true);
  bool notify = FNotify;
  FNotify = false;
  UpdateAutoEnable();
  if (notify) {
    FNotify = true;
    Finish(nvSuccessful);
  }
}

void TMediaPlayer::Close() {
  if (!FOpen) return;
  FPoll.SetEnabled(false);
  if (FPlayNotifyPending) Finish(nvAborted);
  FDevice->Close();
  FDevice.reset();
  FOpen = false;
  UpdateAutoEnable();
}

TMPModes TMediaPlayer::Mode() {
  if (!FOpen || !FDevice) return mpNotReady;
  switch (FDevice->Mode()) {
    case cdNotReady: return mpNotReady;
    case cdStopped: return mpStopped;
    case cdPlaying: return mpPlaying;
    case cdSeeking: return mpSeeking;
    case cdPaused: return mpPaused;
    case cdOpen: return mpOpen;
  }
  return mpNotReady;
}

std::string TMediaPlayer::ModeName() {
  if (!FOpen || !FDevice) return CdModeName(cdNotReady);
  return CdModeName(FDevice->Mode());
}

int TMediaPlayer::Tracks() { return FOpen && FDevice ? FDevice->TrackCount() : 0; }

int TMediaPlayer::TrackLength(int track) {
  try {
    TCdTime t = Device().TrackLength(track);
    return MCI_MAKE_MSF(t.Minutes, t.Seconds, t.Frames);
  } catch (const ECdAudioError& e) {
    throw EMCIDeviceError(e.Message());
  }
}

int TMediaPlayer::Position() {
  if (!FOpen || !FDevice) return 0;
  TMPModes m = Mode();
  if (m != mpPlaying && m != mpPaused && FHasSeekPos) return FSeekPos;
  TCdPosition p = FDevice->Position();
  if (FTimeFormat == tfMSF) {
    // Time from the start of the disc.
    int frames = p.Time.TotalFrames();
    for (int t = 1; t < p.Track; ++t) frames += FDevice->TrackLength(t).TotalFrames();
    TCdTime all = TCdTime::FromFrames(frames);
    return MCI_MAKE_MSF(all.Minutes, all.Seconds, all.Frames);
  }
  return ToTmsf(p);
}

void TMediaPlayer::SetPosition(int value) {
  Command([&] { SeekTo(FromTmsf(value)); }, false);
}

// Playing, play goes on from there; otherwise the next play starts there.
void TMediaPlayer::SeekTo(const TCdPosition& to) {
  if (Mode() == mpPlaying) {
    FDevice->Play(to);
    FHasSeekPos = false;
  } else {
    FSeekPos = ToTmsf(to);
    FHasSeekPos = true;
  }
}

void TMediaPlayer::SetStartPos(int value) {
  FStartPos = value;
  FHasStartPos = true;
}

// Runs one command on the device: its notification (when asked for) follows through the loop;
// a play that is still running when the next command comes is cut off.
void TMediaPlayer::Command(const std::function<void()>& action, bool isPlay) {
  TCdAudioDevice& device = Device();
  (void)device;
  bool notify = FNotify;
  FNotify = false;
  if (FPlayNotifyPending) {
    FPlayNotifyPending = false;
    FNotifyValue = notify ? nvSuperseded : nvAborted;
    if (OnNotify) OnNotify(this);
  }
  try {
    action();
  } catch (const ECdAudioError& e) {
    UpdateAutoEnable();
    if (notify) {
      FNotifyValue = nvFailure;
      if (OnNotify) OnNotify(this);
    }
    throw EMCIDeviceError(e.Message());
  }
  UpdateAutoEnable();
  if (!notify) return;
  if (isPlay) {
    FPlayNotifyPending = true;
  } else {
    FNotify = true;
    Finish(nvSuccessful);
  }
}

void TMediaPlayer::Finish(TMPNotifyValues value) {
  // The notice comes later, through the loop, as the device's own message would.
  FNotify = false;
  FNotifyValue = value;
  FNotifyPosted = true;
  SetTimer(kNotifyTimer, 1);
}

void TMediaPlayer::Play() {
  Command([&] {
    TCdPosition from;
    if (FHasStartPos) from = FromTmsf(FStartPos);
    else if (FHasSeekPos) from = FromTmsf(FSeekPos);
    else if (Mode() == mpPaused) {
      FDevice->Resume();
      return;
    } else if (Mode() == mpPlaying) {
      return;
    } else {
      from = FDevice->Position();
    }
    FHasStartPos = FHasSeekPos = false;
    FDevice->Play(from);
  }, true);
}

void TMediaPlayer::Pause() {
  Command([&] {
    if (Mode() == mpPaused) FDevice->Resume();
    else FDevice->Pause();
  }, false);
}

void TMediaPlayer::Stop() {
  Command([&] { FDevice->Stop(); }, false);
}

void TMediaPlayer::Next() {
  Command([&] {
    int tracks = FDevice->TrackCount();
    TCdPosition here = FromTmsf(Position());
    TCdPosition to;
    to.Track = std::min(here.Track + 1, std::max(tracks, 1));
    SeekTo(to);
  }, false);
}

void TMediaPlayer::Previous() {
  Command([&] {
    TCdPosition here = FromTmsf(Position());
    TCdPosition to;
    // Within its first second the previous track, else the start of this one.
    to.Track = here.Time.TotalFrames() < 75 && here.Track > 1 ? here.Track - 1 : here.Track;
    SeekTo(to);
  }, false);
}

void TMediaPlayer::Eject() {
  Command([&] {
    FDevice->Eject();
    FHasSeekPos = FHasStartPos = false;
  }, false);
}

void TMediaPlayer::CheckDevice() {
  if (!FOpen || !FDevice) return;
  if (FDevice->PlayEnded() && FPlayNotifyPending) {
    FPlayNotifyPending = false;
    FNotifyValue = nvSuccessful;
    if (OnNotify) OnNotify(this);
  }
  UpdateAutoEnable();
}

void TMediaPlayer::WndProc(TMessage& message) {
  if (message.Msg == WM_TIMER && message.WParam == kNotifyTimer) {
    KillTimer(kNotifyTimer);
    if (FNotifyPosted) {
      FNotifyPosted = false;
      if (OnNotify) OnNotify(this);
    }
    return;
  }
  TCustomControl::WndProc(message);
}

void TMediaPlayer::UpdateAutoEnable() {
  if (!FAutoEnable) return;
  TButtonSet enabled;
  switch (Mode()) {
    case mpPlaying:
      enabled = {TMPBtnType::btPause, TMPBtnType::btStop, TMPBtnType::btNext, TMPBtnType::btPrev, TMPBtnType::btEject};
      break;
    case mpPaused:
      enabled = {TMPBtnType::btPlay, TMPBtnType::btPause, TMPBtnType::btStop, TMPBtnType::btNext, TMPBtnType::btPrev,
                 TMPBtnType::btEject};
      break;
    case mpStopped:
      enabled = {TMPBtnType::btPlay, TMPBtnType::btNext, TMPBtnType::btPrev, TMPBtnType::btEject};
      break;
    case mpOpen:
    case mpNotReady:
      if (FOpen) enabled = {TMPBtnType::btEject};
      break;
    default:
      break;
  }
  if (enabled != FEnabledButtons) {
    FEnabledButtons = enabled;
    Invalidate();
  }
}

TRect TMediaPlayer::ButtonRect(TMPBtnType button) const {
  if (!FVisibleButtons.Contains(button)) return Rect(0, 0, 0, 0);
  int count = 0, index = -1;
  for (TMPBtnType b : kAllButtons)
    if (FVisibleButtons.Contains(b)) {
      if (b == button) index = count;
      ++count;
    }
  // The buttons share the width; the last one takes what the division leaves.
  int w = Width() / count;
  int left = index * w;
  int right = index == count - 1 ? Width() : left + w;
  return Rect(left, 0, right, Height());
}

int TMediaPlayer::ButtonAt(int X, int Y) const {
  for (TMPBtnType b : kAllButtons)
    if (PtInRect(ButtonRect(b), {X, Y})) return static_cast<int>(b);
  return -1;
}

void TMediaPlayer::ClickButton(TMPBtnType button) {
  if (!FVisibleButtons.Contains(button) || !FEnabledButtons.Contains(button)) return;
  bool doDefault = true;
  if (OnClick) OnClick(this, button, doDefault);
  if (doDefault) {
    switch (button) {
      case TMPBtnType::btPlay: Play(); break;
      case TMPBtnType::btPause: Pause(); break;
      case TMPBtnType::btStop: Stop(); break;
      case TMPBtnType::btNext: Next(); break;
      case TMPBtnType::btPrev: Previous(); break;
      case TMPBtnType::btEject: Eject(); break;
      default: throw EMCIDeviceError("The specified command is not supported by the device.");
    }
  }
  if (OnPostClick) OnPostClick(this, button);
}

void TMediaPlayer::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  int b = ButtonAt(X, Y);
  if (b < 0 || !FEnabledButtons.Contains(static_cast<TMPBtnType>(b))) return;
  FPressed = b;
  Invalidate();
}

void TMediaPlayer::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || FPressed < 0) return;
  int pressed = FPressed;
  FPressed = -1;
  Invalidate();
  if (ButtonAt(X, Y) == pressed) ClickButton(static_cast<TMPBtnType>(pressed));
}

void TMediaPlayer::DrawButtonFace(TCanvas& c, TMPBtnType button, const TRect& r, bool enabled) {
  // Small symbols from lines and triangles, black when enabled, grey when not.
  int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
  int s = std::max(std::min(r.Width(), r.Height()) / 4, 3);
  TColor color = enabled ? clBlack : clGrayText;
  c.Pen().SetColor(color);
  c.Pen().SetWidth(1);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(color);
  auto bar = [&](int x, int w) { c.FillRect(Rect(x, cy - s, x + w, cy + s + 1)); };
  auto right = [&](int x) { c.Polygon({{x, cy - s}, {x + s, cy}, {x, cy + s}}); };
  auto left = [&](int x) { c.Polygon({{x + s, cy - s}, {x, cy}, {x + s, cy + s}}); };
  switch (button) {
    case TMPBtnType::btPlay: right(cx - s / 2); break;
    case TMPBtnType::btPause: bar(cx - s / 2 - 2, 2); bar(cx + s / 2, 2); break;
    case TMPBtnType::btStop: c.FillRect(Rect(cx - s + 1, cy - s + 1, cx + s, cy + s)); break;
    case TMPBtnType::btNext: right(cx - s); right(cx); bar(cx + s, 2); break;
    case TMPBtnType::btPrev: bar(cx - s - 2, 2); left(cx - s); left(cx); break;
    case TMPBtnType::btStep: right(cx - s / 2); bar(cx + s / 2 + 1, 2); break;
    case TMPBtnType::btBack: bar(cx - s / 2 - 3, 2); left(cx - s / 2); break;
    case TMPBtnType::btRecord: c.Brush().SetColor(enabled ? TColor(clRed) : clGrayText); c.Ellipse(cx - s, cy - s, cx + s, cy + s); break;
    case TMPBtnType::btEject:
      c.Polygon({{cx - s, cy}, {cx, cy - s}, {cx + s, cy}});
      c.FillRect(Rect(cx - s, cy + 2, cx + s + 1, cy + 4));
      break;
  }
}

void TMediaPlayer::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  for (TMPBtnType b : kAllButtons) {
    if (!FVisibleButtons.Contains(b)) continue;
    TRect r = ButtonRect(b);
    bool pushed = FPressed == static_cast<int>(b);
    c.DrawFrameControl(r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? UINT(DFCS_PUSHED) : 0u));
    if (pushed) OffsetRect(r, 1, 1);
    DrawButtonFace(c, b, r, Enabled() && FEnabledButtons.Contains(b));
  }
}
