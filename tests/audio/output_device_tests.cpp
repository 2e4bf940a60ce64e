// The game's own output, the default playback device: here OpenAL Soft's wave writer, which
// OpenAL Soft's configuration file declares a pair of headphones.
#include <AL/alc.h>
#include <AL/alext.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "audio_test_support.h"
#include "platform/shared/openal_shared.h"
#include "platform/sound_device.h"

static ALCint hrtfOf(ALCdevice* device) {
  ALCint hrtf = -1;
  alcGetIntegerv(device, ALC_HRTF_SOFT, 1, &hrtf);
  return hrtf;
}

TEST(OutputDevice, HeadphonesDoNotSwitchHrtfOn) {
  // Written before the first OpenAL call: the library reads its configuration once.
  std::string dir = enterTempDir();
  std::string conf = "[general]\ndrivers = wave\nstereo-mode = headphones\n[wave]\nfile = " +
                     dir + "/mix.wav\n";
  writeFile("alsoft.conf", Bytes(conf.begin(), conf.end()));
  setenv("ALSOFT_CONF", (dir + "/alsoft.conf").c_str(), 1);

  // Left to itself, OpenAL Soft gives these headphones HRTF.
  ALCdevice* plain = alcOpenDevice(0);
  ASSERT_NE(plain, nullptr) << "OpenAL Soft's wave writer";
  ALCcontext* plainContext = alcCreateContext(plain, 0);
  ASSERT_NE(plainContext, nullptr);
  EXPECT_EQ(hrtfOf(plain), ALC_TRUE) << "the configuration must make the output headphones";
  alcDestroyContext(plainContext);
  alcCloseDevice(plain);

  LPDIRECTSOUND device = 0;
  ASSERT_EQ(directSoundCreate(&device), DS_OK);
  ASSERT_TRUE(openalAwaitOutput());
  ALCcontext* context = alcGetCurrentContext();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(hrtfOf(alcGetContextsDevice(context)), ALC_FALSE);
  soundDeviceRelease(device);
}
