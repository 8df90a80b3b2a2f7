// The audio CD device: the disc's tracks and their lengths, the play position as track,
// minute and second, play, pause, stop and eject, and a notice when play ends. Three devices:
// the drive /dev/cdrom, "no device" (never ready) and a fake for tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"

enum TCdMode { cdNotReady, cdStopped, cdPlaying, cdSeeking, cdPaused, cdOpen };

// "not ready", "stopped", "playing", "seeking", "paused", "open".
const char* CdModeName(TCdMode mode);

// A length or a place in a track: minutes, seconds and frames (75 a second).
struct TCdTime {
  int Minutes = 0;
  int Seconds = 0;
  int Frames = 0;
  int TotalFrames() const { return (Minutes * 60 + Seconds) * 75 + Frames; }
  static TCdTime FromFrames(int frames);
};

// A play position: a track (1-based) and the time into it.
struct TCdPosition {
  int Track = 1;
  TCdTime Time;
};

// An operation the device cannot do now ("The device is not ready.").
QN_DECLARE_EXCEPTION(ECdAudioError, Exception);

class TCdAudioDevice {
public:
  virtual ~TCdAudioDevice() = default;
  // Opens the device; false when it cannot be opened (then every mode is "not ready").
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual TCdMode Mode() = 0;
  // The disc's audio tracks; 0 without a disc.
  virtual int TrackCount() = 0;
  // Raises ECdAudioError for a track the disc does not hold.
  virtual TCdTime TrackLength(int track) = 0;
  virtual TCdPosition Position() = 0;
  // Plays from `from` to the end of the disc.
  virtual void Play(const TCdPosition& from) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  virtual void Stop() = 0;
  virtual void Eject() = 0;
  // True once after play has reached the end of the disc (polled by the player).
  virtual bool PlayEnded() = 0;
};

// The drive at `path` over <linux/cdrom.h>.
std::unique_ptr<TCdAudioDevice> CreateLinuxCdAudioDevice(const std::string& path = "/dev/cdrom");
// A device that is never ready: every operation raises ECdAudioError.
std::unique_ptr<TCdAudioDevice> CreateNoCdAudioDevice();

// The device the media player opens: /dev/cdrom when it exists, else "no device"; a test may
// install its own maker (an empty one puts the default back).
using TCdAudioDeviceFactory = std::function<std::unique_ptr<TCdAudioDevice>()>;
void SetCdAudioDeviceFactory(TCdAudioDeviceFactory factory);
std::unique_ptr<TCdAudioDevice> CreateCdAudioDevice();

// A disc in a drive of our own, for tests: play moves only when Advance is called.
class TFakeCdAudioDevice : public TCdAudioDevice {
public:
  // Track lengths in seconds; empty = no disc.
  explicit TFakeCdAudioDevice(std::vector<int> trackSeconds = {});
  bool Open() override;
  void Close() override { FOpened = false; }
  TCdMode Mode() override;
  int TrackCount() override;
  TCdTime TrackLength(int track) override;
  TCdPosition Position() override;
  void Play(const TCdPosition& from) override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
  void Eject() override;
  bool PlayEnded() override;

  // Test controls: a new disc closes the tray; Advance plays on by `seconds`.
  void InsertDisc(std::vector<int> trackSeconds);
  void Advance(int seconds);
  // Every call made, for tests ("play 2 0:10", "pause", ...).
  std::vector<std::string> Log;

private:
  void Require();
  std::vector<int> FTracks;
  bool FOpened = false;
  bool FTrayOpen = false;
  TCdMode FMode = cdStopped;
  int FFrame = 0;  // frames from the start of the disc
  bool FEnded = false;
};
