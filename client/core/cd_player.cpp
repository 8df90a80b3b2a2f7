#include "client/core/cd_player.h"

TCDPlayerLogic::TCDPlayerLogic(TCdPlayerPort& Port) : FPort(Port) {}

std::string TwoDigits(int Value) { return (Value < 10 ? "0" : "") + std::to_string(Value); }

int TCDPlayerLogic::PositionOf(int T, int M, int S) const {
  int Seconds = 0;
  for (int t = 1; t < T && t <= static_cast<int>(FLengths.size()); ++t)
    Seconds += FLengths[t - 1].Minutes * 60 + FLengths[t - 1].Seconds;
  return Seconds + M * 60 + S;
}

void TCDPlayerLogic::InitCD() {
  if (FLoaded) return;
  Status = " Loading tracks";
  FLengths.clear();
  try {
    const int Count = FPort.TrackCount();
    for (int t = 1; t <= Count; ++t) FLengths.push_back(FPort.TrackLength(t));
    FLoaded = Count > 0;
  } catch (const std::exception&) {
    FLengths.clear();
    FLoaded = false;
  }
}

void TCDPlayerLogic::ResetCD() {
  Track = "0";
  Time = "00:00";
  Colour = TCdLabelColour::Red;
  try {
    FPort.Stop();
    FPort.SetStartTrack(1);
  } catch (const std::exception&) {
  }
  FPlayRequested = false;
  FPaused = false;
}

void TCDPlayerLogic::CDPostClick(TCdButton Button) {
  switch (Button) {
    case TCdButton::Play:
      Colour = TCdLabelColour::Green;
      FPlayRequested = true;
      FPaused = false;
      break;
    case TCdButton::Pause:
      Colour = TCdLabelColour::Yellow;
      FPaused = !FPaused;
      if (!FPaused) Colour = TCdLabelColour::Green;
      break;
    case TCdButton::Stop: ResetCD(); break;
    case TCdButton::Eject:
      FLoaded = false;
      ResetCD();
      break;
    default: break;
  }
  Timer1Timer();
}

void TCDPlayerLogic::CDNotify() {
  TimerEnabled = true;
  Timer1Timer();
}

void TCDPlayerLogic::mnuOptionsRepeatClick() {
  if (!RepeatCurrentSong) return;
  const int T = FCurrentTrack;
  if (T >= 1 && T <= static_cast<int>(FLengths.size()))
    FRepeatEnd = PositionOf(T, FLengths[T - 1].Minutes, FLengths[T - 1].Seconds - 2);
}

void TCDPlayerLogic::Timer1Timer() {
  TCdMode Mode = cdNotReady;
  try {
    Mode = FPort.Mode();
  } catch (const std::exception&) {
  }
  Status = FPaused ? std::string(" Paused") : std::string(" ") + CdModeName(Mode);
  try {
    if (Mode == cdStopped) {
      if (!FLoaded) InitCD();
      if (FPlayRequested && !FPaused && ContinuousPlay) {
        FPort.SetStartTrack(1);
        FPort.Play();
        FCurrentTrack = 1;
        FPort.EnableButtons();
      }
    } else if (Mode == cdPlaying) {
      const TCdPosition P = FPort.Position();
      if (P.Track != FCurrentTrack) {
        FCurrentTrack = P.Track;
        mnuOptionsRepeatClick();
      }
      if (RepeatCurrentSong && PositionOf(P.Track, P.Time.Minutes, P.Time.Seconds) > FRepeatEnd) {
        TimerEnabled = false;
        FPort.Previous();
        TimerEnabled = true;
      }
      Track = std::to_string(P.Track);
      Time = TwoDigits(P.Time.Minutes) + ":" + TwoDigits(P.Time.Seconds);
    }
  } catch (const std::exception&) {
    Status = std::string(" ") + CdModeName(cdNotReady);
  }
}
