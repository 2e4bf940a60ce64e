// The gamepad's keys: what each control sends, the repeat of a held direction, and the
// Start button that needs a hold before it can end the game.
#include "platform/shared/gamepad_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window.h"

namespace {

struct Sent {
  uint32_t message;
  uintptr_t key;
  intptr_t lParam;
};

void record(void* context, uint32_t message, uintptr_t key, intptr_t lParam) {
  static_cast<std::vector<Sent>*>(context)->push_back({message, key, lParam});
}

std::string describe(const std::vector<Sent>& sent) {
  std::string out;
  for (const Sent& s : sent) {
    if (!out.empty()) out += ' ';
    out += s.message == WM_KEYDOWN ? ((s.lParam & KEY_REPEAT_BIT) ? "rep:" : "down:") : "up:";
    if (s.key >= 'A' && s.key <= 'Z') out += (char)s.key;
    else out += std::to_string(s.key);
  }
  return out;
}

const KeyRepeat REPEAT = {500, 40};

struct Pad {
  GamepadKeys keys;
  std::vector<Sent> sent;
  Pad() { gamepadKeysReset(&keys); }
  std::string poll(const GamepadState& state, uint32_t now) {
    sent.clear();
    gamepadKeysUpdate(&keys, &state, now, REPEAT, record, &sent);
    return describe(sent);
  }
};

GamepadState buttons(uint32_t b) { return GamepadState{b, 0, 0, 0, 0}; }
GamepadState stickX(float x) { return GamepadState{0, x, 0, 0, 0}; }

const std::string LEFT = std::to_string(VK_LEFT), UP = std::to_string(VK_UP),
                  DOWN = std::to_string(VK_DOWN), F1 = std::to_string(VK_F1),
                  F8 = std::to_string(VK_F8);

TEST(GamepadKeys, EachControlSendsItsKeyAndItsReleaseOnce) {
  const struct {
    GamepadState state;
    std::string key;
  } controls[] = {
      {buttons(PAD_DPAD_LEFT), LEFT},      {stickX(-0.8f), LEFT},
      {buttons(PAD_A), UP},                {GamepadState{0, 0, 0, 0, 1.0f}, UP},
      {buttons(PAD_B), DOWN},              {GamepadState{0, 0, 0, 0.9f, 0}, DOWN},
      {buttons(PAD_LEFT_SHOULDER), "Z"},   {buttons(PAD_RIGHT_SHOULDER), "X"},
      {buttons(PAD_Y), "C"},               {buttons(PAD_X), "V"},
      {buttons(PAD_BACK), F1},
  };
  for (const auto& c : controls) {
    Pad pad;
    EXPECT_EQ(pad.poll(c.state, 10), "down:" + c.key) << c.key;
    EXPECT_EQ(pad.poll(c.state, 26), "") << c.key;  // held: no second press
    EXPECT_EQ(pad.poll(buttons(0), 42), "up:" + c.key) << c.key;
  }
}

TEST(GamepadKeys, AHeldDirectionRepeatsLikeAHeldKeyAndTheStickDoesNotChatter) {
  Pad pad;
  EXPECT_EQ(pad.poll(stickX(-0.6f), 1000), "down:" + LEFT);
  EXPECT_EQ(pad.poll(stickX(-0.4f), 1499), "");  // inside the release margin: still held
  EXPECT_EQ(pad.poll(stickX(-0.4f), 1500), "rep:" + LEFT);
  EXPECT_EQ(pad.poll(stickX(-0.6f), 1539), "");
  EXPECT_EQ(pad.poll(stickX(-0.6f), 1540), "rep:" + LEFT);
  EXPECT_EQ(pad.poll(stickX(-0.6f), 1900), "rep:" + LEFT);  // a late poll: one repeat, no burst
  EXPECT_EQ(pad.poll(stickX(-0.6f), 1920), "");
  EXPECT_EQ(pad.poll(stickX(-0.3f), 1950), "up:" + LEFT);
  EXPECT_EQ(pad.poll(stickX(-0.45f), 1960), "");  // below the press threshold again
  EXPECT_EQ(pad.poll(stickX(0), 3000), "");
}

TEST(GamepadKeys, StartTappedSendsF8AndOnlyAHeldStartSendsD) {
  Pad pad;
  EXPECT_EQ(pad.poll(buttons(PAD_START), 0xFFFFFF00u), "");  // nothing yet, across a clock wrap
  EXPECT_EQ(pad.poll(buttons(PAD_START), 0xFFFFFF00u + 999), "");
  EXPECT_EQ(pad.poll(buttons(0), 0xFFFFFF00u + 1000), "down:" + F8 + " up:" + F8);

  EXPECT_EQ(pad.poll(buttons(PAD_START), 5000), "");
  EXPECT_EQ(pad.poll(buttons(PAD_START), 5999), "");
  EXPECT_EQ(pad.poll(buttons(PAD_START), 6000), "down:D");
  EXPECT_EQ(pad.poll(buttons(PAD_START), 9000), "");
  EXPECT_EQ(pad.poll(buttons(0), 9010), "up:D");
}

TEST(GamepadKeys, LettingGoReleasesEveryHeldKeyAndDropsAStartUnderWay) {
  Pad pad;
  pad.poll(GamepadState{PAD_A | PAD_BACK | PAD_DPAD_LEFT, 0, 0, 0, 0}, 0);
  pad.sent.clear();
  gamepadKeysRelease(&pad.keys, record, &pad.sent);
  EXPECT_EQ(describe(pad.sent), "up:" + LEFT + " up:" + UP + " up:" + F1);
  for (const Sent& s : pad.sent) EXPECT_EQ(s.lParam & (1u << 31), 1u << 31);
  EXPECT_EQ(pad.poll(buttons(0), 2000), "");  // no repeat, no second release

  pad.poll(buttons(PAD_START), 3000);
  gamepadKeysRelease(&pad.keys, record, &pad.sent);
  EXPECT_EQ(pad.poll(buttons(0), 3100), "");  // not sent as F8 after all
}

}  // namespace
