// The CD player window's logic: the track table, what follows each player button, the
// continuous play and repeat options, and the labels the timer keeps up to date.  It reaches the
// drive through a port: the window's media player, or the audio CD device itself.
#pragma once

#include <string>
#include <vector>

#include "platform/sys/cd_audio.h"

enum class TCdButton { Play, Pause, Stop, Next, Prev, Eject };
enum class TCdLabelColour { Red, Green, Yellow };

class TCdPlayerPort {
public:
  virtual ~TCdPlayerPort() = default;
  virtual TCdMode Mode() = 0;
  virtual int TrackCount() = 0;
  virtual TCdTime TrackLength(int Track) = 0;
  virtual TCdPosition Position() = 0;
  // Where the next play starts: the start of Track.
  virtual void SetStartTrack(int Track) = 0;
  virtual void Play() = 0;
  virtual void Stop() = 0;
  // The start of the track being played.
  virtual void Previous() = 0;
  virtual void EnableButtons() {}
};

// The port straight over the device.
class TCdDevicePort : public TCdPlayerPort {
public:
  explicit TCdDevicePort(TCdAudioDevice& Device) : FDevice(Device) {}
  TCdMode Mode() override { return FDevice.Mode(); }
  int TrackCount() override { return FDevice.TrackCount(); }
  TCdTime TrackLength(int Track) override { return FDevice.TrackLength(Track); }
  TCdPosition Position() override { return FDevice.Position(); }
  void SetStartTrack(int Track) override { FStart = Track; }
  void Play() override { FDevice.Play({FStart, {}}); }
  void Stop() override { FDevice.Stop(); }
  void Previous() override { FDevice.Play({FDevice.Position().Track, {}}); }

private:
  TCdAudioDevice& FDevice;
  int FStart = 1;
};

class TCDPlayerLogic {
public:
  explicit TCDPlayerLogic(TCdPlayerPort& Port);

  // What the window shows.
  std::string Track = "0";
  std::string Time = "00:00";
  std::string Status = "Ready";
  TCdLabelColour Colour = TCdLabelColour::Red;
  bool ContinuousPlay = false;
  bool RepeatCurrentSong = false;
  // The timer runs; the repeat stops it while it goes back, until the notification.
  bool TimerEnabled = true;

  // After a player button did its work on the device.
  void CDPostClick(TCdButton Button);
  // The device told the end of a command.
  void CDNotify();
  void InitCD();
  void ResetCD();
  void mnuOptionsRepeatClick();
  void Timer1Timer();

  bool Loaded() const { return FLoaded; }
  int RepeatEnd() const { return FRepeatEnd; }
  // Seconds from the start of the disc of track T (1-based), minute M, second S.
  int PositionOf(int T, int M, int S) const;

private:
  TCdPlayerPort& FPort;
  bool FLoaded = false;
  bool FPlayRequested = false;
  bool FPaused = false;
  int FRepeatEnd = 0;
  int FCurrentTrack = 1;
  std::vector<TCdTime> FLengths;
};

// Two digits with a leading "0" below 10.
std::string TwoDigits(int Value);
