#include "client/core/cd_player.h"

#include <algorithm>

TCDPlayerLogic::TCDPlayerLogic(TCdAudioDevice& Device) : FDevice(Device) {}

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
    const int Count = FDevice.TrackCount();
    for (int t = 1; t <= Count; ++t) FLengths.push_back(FDevice.TrackLength(t));
    FLoaded = Count > 0;
  } catch (const ECdAudioError&) {
    FLengths.clear();
    FLoaded = false;
  }
}

void TCDPlayerLogic::ResetCD() {
  Track = "0";
  Time = "00:00";
  Colour = TCdLabelColour::Red;
  try {
    FDevice.Stop();
  } catch (const ECdAudioError&) {
  }
  FPlayRequested = false;
  FPaused = false;
}

void TCDPlayerLogic::Press(TCdButton Button) {
  try {
    switch (Button) {
      case TCdButton::Play:
        if (FDevice.Mode() == cdPaused) FDevice.Resume();
        else FDevice.Play({std::max(FCurrentTrack, 1), {}});
        break;
      case TCdButton::Pause: FDevice.Pause(); break;
      case TCdButton::Stop: FDevice.Stop(); break;
      case TCdButton::Next:
      case TCdButton::Prev: {
        const TCdPosition P = FDevice.Position();
        int T = P.Track + (Button == TCdButton::Next ? 1 : 0);
        // Previous goes to the start of the track, or to the one before when at its start.
        if (Button == TCdButton::Prev && P.Time.TotalFrames() < 75 * 2) T = std::max(1, P.Track - 1);
        if (T > FDevice.TrackCount()) T = FDevice.TrackCount();
        FDevice.Play({std::max(T, 1), {}});
        break;
      }
      case TCdButton::Eject: FDevice.Eject(); break;
    }
  } catch (const ECdAudioError&) {
    Status = std::string(" ") + CdModeName(cdNotReady);
  }
  CDPostClick(Button);
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
      FPaused = true;
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

void TCDPlayerLogic::mnuOptionsRepeatClick() {
  if (!RepeatCurrentSong) return;
  const int T = FCurrentTrack;
  if (T >= 1 && T <= static_cast<int>(FLengths.size()))
    FRepeatEnd = PositionOf(T, FLengths[T - 1].Minutes, FLengths[T - 1].Seconds - 2);
}

void TCDPlayerLogic::Timer1Timer() {
  const TCdMode Mode = FDevice.Mode();
  Status = FPaused ? std::string(" Paused") : std::string(" ") + CdModeName(Mode);
  try {
    if (Mode == cdStopped) {
      if (!FLoaded) InitCD();
      if (FPlayRequested && !FPaused && ContinuousPlay) {
        FDevice.Play({1, {}});
        FCurrentTrack = 1;
      }
    } else if (Mode == cdPlaying) {
      const TCdPosition P = FDevice.Position();
      FCurrentTrack = P.Track;
      if (RepeatCurrentSong) {
        mnuOptionsRepeatClick();
        if (PositionOf(P.Track, P.Time.Minutes, P.Time.Seconds) > FRepeatEnd) {
          TimerEnabled = false;
          FDevice.Play({P.Track, {}});
          TimerEnabled = true;
        }
      }
      Track = std::to_string(P.Track);
      Time = TwoDigits(P.Time.Minutes) + ":" + TwoDigits(P.Time.Seconds);
    }
  } catch (const ECdAudioError&) {
    Status = std::string(" ") + CdModeName(cdNotReady);
  }
}
