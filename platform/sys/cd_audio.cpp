#include "platform/sys/cd_audio.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

const char kNotReady[] = "The device is not ready.";

TCdTime MsfTime(const cdrom_msf0& msf) { return {msf.minute, msf.second, msf.frame}; }

// The drive over the kernel's CD-ROM calls. Every query asks the drive, so a disc changed
// behind our back is seen at once.
class TLinuxCdAudio : public TCdAudioDevice {
public:
  explicit TLinuxCdAudio(std::string path) : FPath(std::move(path)) {}
  ~TLinuxCdAudio() override { Close(); }

  bool Open() override {
    if (FFd >= 0) return true;
    FFd = ::open(FPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return FFd >= 0;
  }
  void Close() override {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
  }

  TCdMode Mode() override {
    if (FFd < 0) return cdNotReady;
    int status = ::ioctl(FFd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    if (status == CDS_TRAY_OPEN) return cdOpen;
    if (status != CDS_DISC_OK && status != CDS_NO_INFO) return cdNotReady;
    cdrom_subchnl sc{};
    sc.cdsc_format = CDROM_MSF;
    if (::ioctl(FFd, CDROMSUBCHNL, &sc) != 0) return status == CDS_DISC_OK ? cdStopped : cdNotReady;
    switch (sc.cdsc_audiostatus) {
      case CDROM_AUDIO_PLAY: return cdPlaying;
      case CDROM_AUDIO_PAUSED: return cdPaused;
      case CDROM_AUDIO_COMPLETED:
        FEnded = FPlayed;
        FPlayed = false;
        return cdStopped;
      default: return cdStopped;
    }
  }

  int TrackCount() override {
    cdrom_tochdr hdr{};
    if (FFd < 0 || ::ioctl(FFd, CDROMREADTOCHDR, &hdr) != 0) return 0;
    if (hdr.cdth_trk0 != 1 || hdr.cdth_trk1 < hdr.cdth_trk0 || hdr.cdth_trk1 > 99) return 0;
    return hdr.cdth_trk1;
  }

  TCdTime TrackLength(int track) override {
    int start = TrackStart(track), next = TrackStart(track == TrackCount() ? CDROM_LEADOUT : track + 1);
    return TCdTime::FromFrames(std::max(next - start, 0));
  }

  TCdPosition Position() override {
    cdrom_subchnl sc{};
    sc.cdsc_format = CDROM_MSF;
    if (FFd < 0 || ::ioctl(FFd, CDROMSUBCHNL, &sc) != 0) return {};
    return {sc.cdsc_trk ? sc.cdsc_trk : 1, MsfTime(sc.cdsc_reladdr.msf)};
  }

  void Play(const TCdPosition& from) override {
    int count = TrackCount();
    if (count == 0) throw ECdAudioError(kNotReady);
    if (from.Track < 1 || from.Track > count) throw ECdAudioError("The track number is out of range.");
    int start = TrackStart(from.Track) + from.Time.TotalFrames();
    int end = TrackStart(CDROM_LEADOUT) - 1;
    if (start > end) start = end;
    TCdTime s = TCdTime::FromFrames(start), e = TCdTime::FromFrames(end);
    cdrom_msf msf{};
    msf.cdmsf_min0 = static_cast<__u8>(s.Minutes);
    msf.cdmsf_sec0 = static_cast<__u8>(s.Seconds);
    msf.cdmsf_frame0 = static_cast<__u8>(s.Frames);
    msf.cdmsf_min1 = static_cast<__u8>(e.Minutes);
    msf.cdmsf_sec1 = static_cast<__u8>(e.Seconds);
    msf.cdmsf_frame1 = static_cast<__u8>(e.Frames);
    Call(CDROMPLAYMSF, &msf);
    FPlayed = true;
    FEnded = false;
  }
  void Pause() override { Call(CDROMPAUSE, nullptr); }
  void Resume() override { Call(CDROMRESUME, nullptr); }
  void Stop() override {
    Call(CDROMSTOP, nullptr);
    FPlayed = false;
  }
  void Eject() override {
    Call(CDROMEJECT, nullptr);
    FPlayed = false;
  }
  bool PlayEnded() override {
    Mode();
    bool ended = FEnded;
    FEnded = false;
    return ended;
  }

private:
  // Absolute frame of a track's start (the table's MSF counts the 2-second lead-in).
  int TrackStart(int track) {
    cdrom_tocentry e{};
    e.cdte_track = static_cast<__u8>(track);
    e.cdte_format = CDROM_MSF;
    if (FFd < 0 || ::ioctl(FFd, CDROMREADTOCENTRY, &e) != 0) throw ECdAudioError(kNotReady);
    return MsfTime(e.cdte_addr.msf).TotalFrames();
  }
  void Call(unsigned long request, void* arg) {
    if (FFd < 0 || ::ioctl(FFd, request, arg) != 0) throw ECdAudioError(kNotReady);
  }

  std::string FPath;
  int FFd = -1;
  bool FPlayed = false;
  bool FEnded = false;
};

class TNoCdAudio : public TCdAudioDevice {
public:
  bool Open() override { return false; }
  void Close() override {}
  TCdMode Mode() override { return cdNotReady; }
  int TrackCount() override { return 0; }
  TCdTime TrackLength(int) override { throw ECdAudioError(kNotReady); }
  TCdPosition Position() override { return {}; }
  void Play(const TCdPosition&) override { throw ECdAudioError(kNotReady); }
  void Pause() override { throw ECdAudioError(kNotReady); }
  void Resume() override { throw ECdAudioError(kNotReady); }
  void Stop() override { throw ECdAudioError(kNotReady); }
  void Eject() override { throw ECdAudioError(kNotReady); }
  bool PlayEnded() override { return false; }
};

TCdAudioDeviceFactory& Factory() {
  static TCdAudioDeviceFactory factory;
  return factory;
}

}  // namespace

const char* CdModeName(TCdMode mode) {
  switch (mode) {
    case cdNotReady: return "not ready";
    case cdStopped: return "stopped";
    case cdPlaying: return "playing";
    case cdSeeking: return "seeking";
    case cdPaused: return "paused";
    case cdOpen: return "open";
  }
  return "not ready";
}

TCdTime TCdTime::FromFrames(int frames) {
  frames = std::max(frames, 0);
  return {frames / (75 * 60), frames / 75 % 60, frames % 75};
}

std::unique_ptr<TCdAudioDevice> CreateLinuxCdAudioDevice(const std::string& path) {
  return std::make_unique<TLinuxCdAudio>(path);
}

std::unique_ptr<TCdAudioDevice> CreateNoCdAudioDevice() { return std::make_unique<TNoCdAudio>(); }

void SetCdAudioDeviceFactory(TCdAudioDeviceFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<TCdAudioDevice> CreateCdAudioDevice() {
  if (Factory()) return Factory()();
  struct stat st{};
  if (::stat("/dev/cdrom", &st) == 0) return CreateLinuxCdAudioDevice("/dev/cdrom");
  return CreateNoCdAudioDevice();
}

// ---- The fake drive -------------------------------------------------------------------------

TFakeCdAudioDevice::TFakeCdAudioDevice(std::vector<int> trackSeconds) : FTracks(std::move(trackSeconds)) {}

bool TFakeCdAudioDevice::Open() {
  FOpened = true;
  Log.push_back("open");
  return true;
}

TCdMode TFakeCdAudioDevice::Mode() {
  if (!FOpened) return cdNotReady;
  if (FTrayOpen) return cdOpen;
  if (FTracks.empty()) return cdNotReady;
  return FMode;
}

int TFakeCdAudioDevice::TrackCount() {
  return FOpened && !FTrayOpen ? static_cast<int>(FTracks.size()) : 0;
}

TCdTime TFakeCdAudioDevice::TrackLength(int track) {
  if (track < 1 || track > TrackCount()) throw ECdAudioError("The track number is out of range.");
  return {FTracks[static_cast<std::size_t>(track - 1)] / 60, FTracks[static_cast<std::size_t>(track - 1)] % 60, 0};
}

TCdPosition TFakeCdAudioDevice::Position() {
  TCdPosition p;
  int frame = FFrame;
  for (std::size_t t = 0; t < FTracks.size(); ++t) {
    int len = FTracks[t] * 75;
    if (frame < len || t + 1 == FTracks.size()) {
      p.Track = static_cast<int>(t) + 1;
      p.Time = TCdTime::FromFrames(std::min(frame, len));
      return p;
    }
    frame -= len;
  }
  return p;
}

void TFakeCdAudioDevice::Require() {
  if (Mode() == cdNotReady || Mode() == cdOpen) throw ECdAudioError(kNotReady);
}

void TFakeCdAudioDevice::Play(const TCdPosition& from) {
  Require();
  if (from.Track < 1 || from.Track > TrackCount()) throw ECdAudioError("The track number is out of range.");
  int frame = 0;
  for (int t = 1; t < from.Track; ++t) frame += FTracks[static_cast<std::size_t>(t - 1)] * 75;
  FFrame = frame + from.Time.TotalFrames();
  FMode = cdPlaying;
  FEnded = false;
  Log.push_back("play " + std::to_string(from.Track) + " " + std::to_string(from.Time.Minutes) + ":" +
                std::to_string(from.Time.Seconds));
}

void TFakeCdAudioDevice::Pause() {
  Require();
  if (FMode == cdPlaying) FMode = cdPaused;
  Log.push_back("pause");
}

void TFakeCdAudioDevice::Resume() {
  Require();
  if (FMode == cdPaused) FMode = cdPlaying;
  Log.push_back("resume");
}

void TFakeCdAudioDevice::Stop() {
  Require();
  FMode = cdStopped;
  Log.push_back("stop");
}

void TFakeCdAudioDevice::Eject() {
  if (!FOpened) throw ECdAudioError(kNotReady);
  FTrayOpen = true;
  FMode = cdStopped;
  FFrame = 0;
  Log.push_back("eject");
}

bool TFakeCdAudioDevice::PlayEnded() {
  bool ended = FEnded;
  FEnded = false;
  return ended;
}

void TFakeCdAudioDevice::InsertDisc(std::vector<int> trackSeconds) {
  FTracks = std::move(trackSeconds);
  FTrayOpen = false;
  FMode = cdStopped;
  FFrame = 0;
}

void TFakeCdAudioDevice::Advance(int seconds) {
  if (Mode() != cdPlaying) return;
  int total = 0;
  for (int s : FTracks) total += s * 75;
  FFrame += seconds * 75;
  if (FFrame >= total) {
    FFrame = total;
    FMode = cdStopped;
    FEnded = true;
  }
}
