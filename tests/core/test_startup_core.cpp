#include <gtest/gtest.h>

#include "platform/InstanceChannel.h"
#include "startup/core/InstanceGuard.h"
#include "startup/core/SplashCore.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::startup;
using tsly::test::ScriptedUi;

TEST(StartupSplashBoxes, FractionsOfThePicture) {
  const SplashBoxes b = splashBoxes(500, 300);
  EXPECT_DOUBLE_EQ(b.ok.left, 420);
  EXPECT_DOUBLE_EQ(b.ok.top, 270);
  EXPECT_DOUBLE_EQ(b.ok.right, 495);
  EXPECT_DOUBLE_EQ(b.ok.bottom, 297);
  EXPECT_DOUBLE_EQ(b.pause.left, 5);
  EXPECT_DOUBLE_EQ(b.pause.top, 270);
  EXPECT_DOUBLE_EQ(b.pause.right, 150);
  EXPECT_DOUBLE_EQ(b.pause.bottom, 297);
}

TEST(StartupSplashHitTest, EdgesOfTheBoxes) {
  const SplashBoxes b = splashBoxes(500, 300);
  // The top edge line counts for OK, not for Pause.
  EXPECT_EQ(splashHitTest(b, 420, 270), SplashHit::Ok);
  EXPECT_EQ(splashHitTest(b, 460, 270), SplashHit::Ok);
  EXPECT_EQ(splashHitTest(b, 100, 270), SplashHit::None);
  EXPECT_EQ(splashHitTest(b, 100, 270.5), SplashHit::Pause);
  // Just above the top edge: nothing.
  EXPECT_EQ(splashHitTest(b, 460, 269.9), SplashHit::None);
  // OK's left edge belongs to OK; one step left of it does not.
  EXPECT_EQ(splashHitTest(b, 419.9, 280), SplashHit::None);
  // Pause's right edge does not belong to Pause.
  EXPECT_EQ(splashHitTest(b, 150, 280), SplashHit::None);
  EXPECT_EQ(splashHitTest(b, 149.9, 280), SplashHit::Pause);
  // Pause reaches to the picture's left border (no left bound), OK to its right
  // and bottom borders.
  EXPECT_EQ(splashHitTest(b, 0, 299), SplashHit::Pause);
  EXPECT_EQ(splashHitTest(b, 499, 299), SplashHit::Ok);
  // Between the boxes and in the banner: nothing.
  EXPECT_EQ(splashHitTest(b, 300, 285), SplashHit::None);
  EXPECT_EQ(splashHitTest(b, 460, 100), SplashHit::None);
}

TEST(StartupSplashWait, EndsByItselfAfterFourSeconds) {
  SplashWait w;
  w.start(1000);
  EXPECT_FALSE(w.over(1000));
  EXPECT_EQ(w.remainingMs(1000), 4000);
  EXPECT_FALSE(w.over(4999));
  EXPECT_TRUE(w.over(5000));
  EXPECT_EQ(w.remainingMs(6000), 0);
}

TEST(StartupSplashWait, OkEndsAtOnce) {
  SplashWait w;
  w.start(0);
  EXPECT_FALSE(w.press(SplashHit::Ok));
  EXPECT_TRUE(w.over(1));
  EXPECT_EQ(w.state(), SplashWait::State::Ended);
}

TEST(StartupSplashWait, PauseHoldsUntilOk) {
  SplashWait w;
  w.start(0);
  EXPECT_TRUE(w.press(SplashHit::Pause));  // beep
  EXPECT_FALSE(w.over(100000000));
  EXPECT_EQ(w.remainingMs(5000), -1);
  EXPECT_FALSE(w.press(SplashHit::None));
  EXPECT_FALSE(w.over(100000000));
  EXPECT_TRUE(w.press(SplashHit::Pause));  // beeps again, still held
  EXPECT_FALSE(w.press(SplashHit::Ok));
  EXPECT_TRUE(w.over(100000001));
}

TEST(StartupSplashWait, PressElsewhereChangesNothing) {
  SplashWait w;
  w.start(0);
  EXPECT_FALSE(w.press(SplashHit::None));
  EXPECT_EQ(w.state(), SplashWait::State::Running);
  EXPECT_TRUE(w.over(4000));
}

TEST(StartupPreviousInstance, ServerNamePerDisplayOrOverride) {
  EXPECT_EQ(instanceServerName("_0", ""), "tessaly-_0");
  EXPECT_EQ(instanceServerName("", ""), "tessaly-nodisplay");
  EXPECT_EQ(instanceServerName("_0", "test-42"), "test-42");
  EXPECT_EQ(instanceServerName("a/n a", ""), "tessaly-a_n_a");
}

namespace {
// A channel whose running copy is scripted: records what the guard asked of it.
struct ScriptedChannel : InstanceChannel {
  bool running = false, held = false, askedToRestore = false;
  bool otherCopyRunning() override { return running; }
  bool hold() override { return held = !running; }
  bool askToRestore() override { return askedToRestore = true; }
  void setRestoreHandler(std::function<void()>) override {}
};
}  // namespace

TEST(StartupGuard, AsksOnlyWhenACopyRunsAndEndsThisCopyOnNo) {
  ScriptedUi ui;
  ScriptedChannel alone;
  EXPECT_TRUE(passInstanceGuard(ui, alone));
  EXPECT_TRUE(alone.held);
  EXPECT_TRUE(ui.boxes.empty());

  ScriptedChannel no;
  no.running = true;
  ui.answers.push_back(Answer::No);
  EXPECT_FALSE(passInstanceGuard(ui, no));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "There is already an instance of this module running\r\nDo you really want to start another?");
  EXPECT_EQ(ui.boxes[0].title, "Previous Instance detected");
  EXPECT_EQ(ui.boxes[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui.boxes[0].icon, Icon::Question);
  EXPECT_TRUE(no.askedToRestore);
  EXPECT_FALSE(no.held);

  ScriptedChannel yes;
  yes.running = true;
  ui.answers.push_back(Answer::Yes);
  EXPECT_TRUE(passInstanceGuard(ui, yes));
  EXPECT_FALSE(yes.askedToRestore);
  EXPECT_FALSE(yes.held);
}
