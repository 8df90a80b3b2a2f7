// The CD player window's logic over the audio CD device: the track table, the play, pause,
// stop and eject buttons, the continuous play and repeat options, and the labels the timer
// keeps up to date.
#pragma once

#include <string>
#include <vector>

#include "platform/sys/cd_audio.h"

enum class TCdButton { Play, Pause, Stop, Next, Prev, Eject };
enum class TCdLabelColour { Red, Green, Yellow };

class TCDPlayerLogic {
public:
  explicit TCDPlayerLogic(TCdAudioDevice& Device);

  // What the window shows.
  std::string Track = "0";
  std::string Time = "00:00";
  std::string Status = "Ready";
  TCdLabelColour Colour = TCdLabelColour::Red;
  bool ContinuousPlay = false;
  bool RepeatCurrentSong = false;
  bool TimerEnabled = true;

  // After a player button did its work on the device.
  void CDPostClick(TCdButton Button);
  // A player button: the device's own action, then the window's.
  void Press(TCdButton Button);
  void CDNotify() { Timer1Timer(); }
  void InitCD();
  void ResetCD();
  void mnuOptionsRepeatClick();
  void Timer1Timer();

  bool Loaded() const { return FLoaded; }
  int RepeatEnd() const { return FRepeatEnd; }
  // Seconds from the start of the disc of track T (1-based), minute M, second S.
  int PositionOf(int T, int M, int S) const;

private:
  TCdAudioDevice& FDevice;
  bool FLoaded = false;
  bool FPlayRequested = false;
  bool FPaused = false;
  int FRepeatEnd = 0;
  int FCurrentTrack = 1;
  std::vector<TCdTime> FLengths;
};

// Two digits with a leading "0" below 10.
std::string TwoDigits(int Value);
