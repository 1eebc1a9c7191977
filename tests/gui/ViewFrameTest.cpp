#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Frame.h"
#include "tests/gui/ProbeView.h"
#include "tests/gui/fakes/FakeEditor.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

using fakes::FakeEditor;
using fakes::FakePlatform;
using fakes::ProbeView;
using Journal = std::vector<std::string>;

NativeWindow const kParent = reinterpret_cast<NativeWindow>(0x1234);

// A frame in a host window with a slider-like view above a display-like one
// that shares its bottom edge.
class FrameTest : public ::testing::Test {
 protected:
  FrameTest() : frame(new Frame({0, 0, 200, 300}, kParent, &editor, platform)) {
    upper = new ProbeView({20, 40, 179, 59}, "upper", journal);
    lower = new ProbeView({20, 59, 55, 73}, "lower", journal);
    frame->addView(upper);
    frame->addView(lower);
  }
  ~FrameTest() override { delete frame; }

  void click(Point where, ButtonState buttons = kLeftButton) {
    platform.mouse.script({{buttons, where}});
    auto context = platform.windowContext();
    frame->onMouseDown(context.get(), where);
  }

  FakePlatform platform;
  FakeEditor editor;
  Journal journal;
  Frame* frame;
  ProbeView* upper;
  ProbeView* lower;
};

TEST_F(FrameTest, DrawsInChildOrderAndRoutesClicksFromTheLastChild) {
  auto context = platform.windowContext();
  frame->draw(context.get());
  EXPECT_EQ(journal, (Journal{"upper draw", "lower draw"}));

  // Both rectangles include the shared line y = 59: the later child wins.
  journal.clear();
  click({30, 59});
  click({30, 58});
  click({179, 40});
  click({100, 150});
  EXPECT_EQ(journal, (Journal{"lower click 30,59", "upper click 30,58", "upper click 179,40"}));

  // A view with the mouse disabled lets the click through to the one below.
  journal.clear();
  lower->setMouseEnabled(false);
  click({30, 59});
  EXPECT_EQ(journal, (Journal{"upper click 30,59"}));
}

TEST_F(FrameTest, KeysGoToTheFocusViewFirstThenFromTheLastChild) {
  VstKeyCode key{0, 13, 0};
  upper->keyResult = 1;
  EXPECT_EQ(frame->onKeyDown(key), 1);
  EXPECT_EQ(journal, (Journal{"lower key", "upper key"}));

  journal.clear();
  lower->keyResult = 7;
  frame->setFocusView(upper);
  EXPECT_EQ(frame->onKeyDown(key), 1);
  EXPECT_EQ(journal, (Journal{"upper key"}));

  // A click on the background takes the focus away.
  journal.clear();
  click({5, 5});
  EXPECT_EQ(journal, (Journal{"upper loseFocus"}));
  EXPECT_EQ(frame->focusView(), nullptr);
  EXPECT_EQ(frame->onKeyDown(key), 7);

  upper->keyResult = -1;
  lower->keyResult = -1;
  EXPECT_EQ(frame->onKeyUp(key), -1);
}

TEST_F(FrameTest, DropsGoToTheViewUnderThePointAndAreRefusedWhileAViewHasTheFocus) {
  const char* names[] = {"a.wav"};
  upper->acceptsDrop = true;
  EXPECT_TRUE(frame->onDrop(names, 1, 0, {30, 59}));
  EXPECT_EQ(journal, (Journal{"lower drop", "upper drop"}));
  EXPECT_FALSE(frame->onDrop(names, 1, 0, {100, 150}));

  journal.clear();
  frame->setFocusView(lower);
  EXPECT_FALSE(frame->onDrop(names, 1, 0, {30, 50}));
  EXPECT_TRUE(journal.empty());
}

TEST_F(FrameTest, WheelGoesToTheViewUnderTheCursorAtTheCursor) {
  platform.windowOrigin = {100, 200};
  platform.cursor = {130, 259};  // (30, 59) in the frame
  EXPECT_TRUE(frame->onWheel(nullptr, {0, 0}, 1.0f));
  EXPECT_EQ(journal, (Journal{"lower wheel 30,59"}));
  EXPECT_EQ(platform.contextsCreated, 1);

  platform.cursor = {0, 0};
  EXPECT_FALSE(frame->onWheel(nullptr, {30, 59}, 1.0f));
}

TEST_F(FrameTest, IdleRedrawsOnlyDirtyViewsAndOnlyAfterTheFirstPaint) {
  Bitmap* background = platform.loadBitmap(128);
  frame->setBackground(background);
  background->releaseReference();

  upper->setDirty(true);
  frame->frameIdle();
  EXPECT_TRUE(journal.empty());
  EXPECT_EQ(platform.contextsCreated, 0);

  // A paint draws the background under the area and the children touching
  // it (edges included), whole.
  auto paint = platform.windowContext();
  frame->drawRect(paint.get(), {0, 0, 100, 40});
  EXPECT_EQ(platform.screen, (Journal{"bitmap 128 opaque 0,0,100,40 from 0,0"}));
  EXPECT_EQ(journal, (Journal{"upper draw"}));

  journal.clear();
  frame->frameIdle();
  EXPECT_TRUE(journal.empty()) << "nothing dirty";
  lower->setDirty(true);
  frame->frameIdle();
  EXPECT_EQ(journal, (Journal{"lower draw"}));

  // A dirty frame redraws everything.
  journal.clear();
  platform.screen.clear();
  frame->setViewSize({0, 0, 200, 300});
  frame->frameIdle();
  EXPECT_EQ(journal, (Journal{"upper draw", "lower draw"}));
  EXPECT_EQ(platform.screen, (Journal{"bitmap 128 opaque 0,0,200,300 from 0,0"}));
  EXPECT_FALSE(frame->anyDirty());

  // Once the window is gone nothing is drawn any more.
  journal.clear();
  upper->setDirty(true);
  frame->windowDestroyed();
  frame->frameIdle();
  frame->redrawIfDirty(paint.get());
  EXPECT_TRUE(journal.empty());
  EXPECT_EQ(frame->parentWindow(), nullptr);
}

TEST_F(FrameTest, ChildListGrowsInStepsAndKeepsItsOrderOnRemoval) {
  std::vector<View*> extra;
  for (int i = 0; i < 19; ++i) {
    extra.push_back(new ProbeView({0, 0, 1, 1}, "v" + std::to_string(i), journal));
    ASSERT_TRUE(frame->addView(extra.back()));
  }
  EXPECT_EQ(frame->childCount(), 21);
  EXPECT_EQ(frame->childAt(0), upper);
  EXPECT_EQ(frame->childAt(20), extra.back());
  EXPECT_EQ(frame->childAt(21), nullptr);
  EXPECT_EQ(frame->childAt(-1), nullptr);
  EXPECT_FALSE(frame->addView(nullptr));

  // Removing the focus view must not leave the frame pointing at it.
  frame->setFocusView(upper);
  upper->addReference();
  EXPECT_TRUE(frame->removeView(upper, true));
  EXPECT_EQ(upper->referenceCount(), 1);
  EXPECT_EQ(frame->focusView(), nullptr);
  EXPECT_FALSE(frame->isChild(upper));
  EXPECT_EQ(frame->childAt(0), lower);
  EXPECT_EQ(frame->childCount(), 20);
  EXPECT_TRUE(frame->removeView(upper, true)) << "not a child any more";
  EXPECT_EQ(frame->childCount(), 20);
  upper->releaseReference();
}

TEST(FrameLifetime, OwnsItsChildrenWindowAndBackground) {
  FakePlatform platform;
  FakeEditor editor;
  Journal journal;
  bool kept = false;
  bool released = false;
  auto* frame = new Frame({0, 0, 200, 300}, kParent, &editor, platform);
  EXPECT_EQ(platform.windowsCreated, 1);
  EXPECT_EQ(platform.oleInits, 1);
  auto* keptView = new ProbeView({0, 0, 10, 10}, "kept", journal);
  auto* releasedView = new ProbeView({0, 0, 10, 10}, "released", journal);
  keptView->destroyed = &kept;
  releasedView->destroyed = &released;
  keptView->addReference();
  frame->addView(keptView);
  frame->addView(releasedView);
  EXPECT_EQ(keptView->getEditor(), &editor);

  Bitmap* background = platform.loadBitmap(128);
  frame->setBackground(background);
  frame->setBackground(background);  // the same bitmap again
  EXPECT_EQ(background->referenceCount(), 2);
  background->releaseReference();

  delete frame;
  EXPECT_TRUE(released);
  EXPECT_FALSE(kept);
  EXPECT_EQ(keptView->referenceCount(), 1);
  EXPECT_EQ(journal, (Journal{"kept removed", "released removed"}));
  EXPECT_EQ(platform.liveBitmaps, 0);
  EXPECT_EQ(platform.dropRevokes, 1);
  EXPECT_EQ(platform.windowsDestroyed, 1);
  EXPECT_EQ(platform.oleUninits, 1);
  keptView->releaseReference();
  EXPECT_TRUE(kept);
}

TEST(FrameLifetime, WithoutAParentWindowNothingIsCreatedOrDrawnAtIdle) {
  FakePlatform platform;
  Journal journal;
  Frame frameless({0, 0, 200, 300}, nullptr, nullptr, platform);
  EXPECT_EQ(platform.windowsCreated, 0);
  auto* view = new ProbeView({0, 0, 10, 10}, "view", journal);
  frameless.addView(view);
  EXPECT_EQ(view->getEditor(), nullptr);
  view->setDirty(true);
  frameless.frameIdle();
  EXPECT_TRUE(journal.empty());
}

TEST(ViewBasics, GeometryAndFlags) {
  Journal journal;
  auto* view = new ProbeView({10, 20, 30, 40}, "v", journal);
  EXPECT_TRUE(view->hitTest({10, 20}, 0));
  EXPECT_TRUE(view->hitTest({30, 40}, 0));
  EXPECT_FALSE(view->hitTest({31, 40}, 0));
  EXPECT_TRUE(view->overlaps({30, 40, 50, 50})) << "touching corners overlap";
  EXPECT_FALSE(view->overlaps({31, 0, 50, 50}));
  EXPECT_FALSE(view->overlaps({0, 0, 9, 100}));

  // Without a context nothing is drawn and the view stays dirty.
  view->setDirty(true);
  view->redrawIfDirty(nullptr);
  EXPECT_TRUE(view->isDirty());
  EXPECT_TRUE(journal.empty());

  Rect area;
  view->getMouseArea(area);
  EXPECT_EQ(area, (Rect{10, 20, 30, 40}));
  view->releaseReference();
}

}  // namespace
}  // namespace brisko
