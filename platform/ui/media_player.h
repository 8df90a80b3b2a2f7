// The media player: a row of buttons (play, pause, stop, next, previous, eject, ...) driving
// the audio CD device, with its mode, tracks and play position in track, minute, second.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/sys/cd_audio.h"
#include "platform/ui/controls.h"
#include "platform/ui/timer.h"

QN_DECLARE_EXCEPTION(EMCIDeviceError, Exception);

enum TMPDeviceTypes { dtAutoSelect, dtAVIVideo, dtCDAudio, dtDAT, dtDigitalVideo, dtMMMovie, dtOther,
                      dtOverlay, dtScanner, dtSequencer, dtVCR, dtVideodisc, dtWaveAudio };
// The buttons, left to right.
enum class TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
using TButtonSet = TSet<TMPBtnType>;
enum TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };
enum TMPTimeFormats { tfMilliseconds, tfHMS, tfMSF, tfFrames, tfSMPTE24, tfSMPTE25, tfSMPTE30,
                      tfSMPTE30Drop, tfBytes, tfSamples, tfTMSF };
enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// Positions in the track, minute, second, frame format (a byte each, track lowest) and track
// lengths in the minute, second, frame format.
constexpr int MCI_MAKE_TMSF(int t, int m, int s, int f) { return t | (m << 8) | (s << 16) | (f << 24); }
constexpr int MCI_TMSF_TRACK(int v) { return v & 0xFF; }
constexpr int MCI_TMSF_MINUTE(int v) { return (v >> 8) & 0xFF; }
constexpr int MCI_TMSF_SECOND(int v) { return (v >> 16) & 0xFF; }
constexpr int MCI_TMSF_FRAME(int v) { return (v >> 24) & 0xFF; }
constexpr int MCI_MAKE_MSF(int m, int s, int f) { return m | (s << 8) | (f << 16); }
constexpr int MCI_MSF_MINUTE(int v) { return v & 0xFF; }
constexpr int MCI_MSF_SECOND(int v) { return (v >> 8) & 0xFF; }
constexpr int MCI_MSF_FRAME(int v) { return (v >> 16) & 0xFF; }

using EMPNotify = std::function<void(TObject* Sender, TMPBtnType Button, bool& DoDefault)>;
using EMPPostNotify = std::function<void(TObject* Sender, TMPBtnType Button)>;

class TMediaPlayer : public TCustomControl {
public:
  explicit TMediaPlayer(TComponent* AOwner);
  ~TMediaPlayer() override;

  // Only dtCDAudio (and dtAutoSelect, which picks it) has a device here.
  TMPDeviceTypes DeviceType() const { return FDeviceType; }
  void SetDeviceType(TMPDeviceTypes value) { FDeviceType = value; }
  // Opens the device as soon as the player is set up.
  bool AutoOpen() const { return FAutoOpen; }
  void SetAutoOpen(bool value);
  // Enables the buttons that fit the mode after every command.
  bool AutoEnable() const { return FAutoEnable; }
  void SetAutoEnable(bool value);
  TButtonSet VisibleButtons() const { return FVisibleButtons; }
  void SetVisibleButtons(TButtonSet value);
  TButtonSet EnabledButtons() const { return FEnabledButtons; }
  void SetEnabledButtons(TButtonSet value);
  TMPTimeFormats TimeFormat() const { return FTimeFormat; }
  void SetTimeFormat(TMPTimeFormats value);

  void Open();
  void Close();
  bool IsOpen() const { return FOpen; }
  TMPModes Mode();
  // The device's name of the mode ("playing", "not ready", ...).
  std::string ModeName();
  int Tracks();
  // In the MSF form (MCI_MSF_MINUTE, MCI_MSF_SECOND).
  int TrackLength(int track);
  // In the TMSF form; setting it seeks (and plays on from there when playing).
  int Position();
  void SetPosition(int value);
  // Where the next Play starts (once); TMSF form.
  int StartPos() const { return FStartPos; }
  void SetStartPos(int value);

  void Play();
  // Pauses play, or resumes it when paused.
  void Pause();
  void Stop();
  // The start of the next track; the start of this track (or the one before, at its start).
  void Next();
  void Previous();
  void Eject();

  // When set, the next command tells OnNotify how it ended (play: when it reaches the end
  // or another command cuts it off); it then clears itself.
  bool Notify() const { return FNotify; }
  void SetNotify(bool value) { FNotify = value; }
  TMPNotifyValues NotifyValue() const { return FNotifyValue; }
  TNotifyEvent OnNotify;
  // Before a button's command (DoDefault false skips it) and after it.
  EMPNotify OnClick;
  EMPPostNotify OnPostClick;

  // The rectangle of a visible button (empty when hidden).
  TRect ButtonRect(TMPBtnType button) const;
  // Presses a button as a click does.
  void ClickButton(TMPBtnType button);
  // Looks at the device: a finished play completes its notification (run by a timer).
  void CheckDevice();
  void Loaded() override;
  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  TCdAudioDevice& Device();
  void Command(const std::function<void()>& action, bool isPlay);
  void SeekTo(const TCdPosition& to);
  void Finish(TMPNotifyValues value);
  void UpdateAutoEnable();
  int ButtonAt(int X, int Y) const;
  void DrawButtonFace(TCanvas& c, TMPBtnType button, const TRect& r, bool enabled);

  TMPDeviceTypes FDeviceType = dtAutoSelect;
  bool FAutoOpen = false;
  bool FAutoEnable = true;
  TButtonSet FVisibleButtons;
  TButtonSet FEnabledButtons;
  TMPTimeFormats FTimeFormat = tfTMSF;
  std::unique_ptr<TCdAudioDevice> FDevice;
  bool FOpen = false;
  int FStartPos = 0;
  bool FHasStartPos = false;
  int FSeekPos = 0;       // where a stopped player stands after Next/Previous/SetPosition
  bool FHasSeekPos = false;
  bool FNotify = false;
  TMPNotifyValues FNotifyValue = nvSuccessful;
  bool FPlayNotifyPending = false;
  bool FNotifyPosted = false;
  int FPressed = -1;
  TTimer FPoll;
};
