// The CD audio devices that need no disc: the drive over a path that is no drive, and "no
// device".
#include <gtest/gtest.h>

#include "platform/sys/cd_audio.h"
#include "platform/sys/sys_test_util.h"

TEST(CdAudio, ModeNames) {
  EXPECT_STREQ(CdModeName(cdNotReady), "not ready");
  EXPECT_STREQ(CdModeName(cdSeeking), "seeking");
  EXPECT_STREQ(CdModeName(cdOpen), "open");
  EXPECT_EQ(TCdTime::FromFrames((3 * 60 + 7) * 75 + 5).Seconds, 7);
  EXPECT_EQ(TCdTime::FromFrames((3 * 60 + 7) * 75 + 5).Minutes, 3);
}

TEST(CdAudio, DriveThatIsNoDriveIsNotReady) {
  TScratchDir dir;
  auto missing = CreateLinuxCdAudioDevice(dir / "cdrom");
  EXPECT_FALSE(missing->Open());
  EXPECT_EQ(missing->Mode(), cdNotReady);
  EXPECT_EQ(missing->TrackCount(), 0);
  EXPECT_THROW(missing->Play({}), ECdAudioError);
  // A plain file opens, but answers no drive call.
  dir.Write("file", "not a drive");
  auto file = CreateLinuxCdAudioDevice(dir / "file");
  EXPECT_TRUE(file->Open());
  EXPECT_EQ(file->Mode(), cdNotReady);
  EXPECT_EQ(file->TrackCount(), 0);
  EXPECT_THROW(file->Eject(), ECdAudioError);
  EXPECT_FALSE(file->PlayEnded());
}

TEST(CdAudio, NoDeviceAndTheFactory) {
  auto none = CreateNoCdAudioDevice();
  EXPECT_FALSE(none->Open());
  EXPECT_EQ(none->Mode(), cdNotReady);
  EXPECT_THROW(none->Stop(), ECdAudioError);
  SetCdAudioDeviceFactory([] { return std::make_unique<TFakeCdAudioDevice>(std::vector<int>{60}); });
  auto fake = CreateCdAudioDevice();
  ASSERT_TRUE(fake->Open());
  EXPECT_EQ(fake->TrackCount(), 1);
  SetCdAudioDeviceFactory(nullptr);
  EXPECT_EQ(dynamic_cast<TFakeCdAudioDevice*>(CreateCdAudioDevice().get()), nullptr);  // the default again
}
