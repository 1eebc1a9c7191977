#include <gtest/gtest.h>

#include "gui/Control.h"
#include "tests/gui/fakes/FakePlatform.h"

namespace brisko {
namespace {

class PlainControl : public Control {
 public:
  explicit PlainControl(Bitmap* body = nullptr) : Control({0, 0, 10, 10}, nullptr, 3, body) {}
  void draw(DrawContext*) override { setDirty(false); }
};

// Controls are reference counted; the tests hold their creation reference.
struct Held {
  explicit Held(Control* c) : control(c) {}
  ~Held() { control->releaseReference(); }
  Control* operator->() const { return control; }
  Control* control;
};

TEST(ControlDirtyState, FollowsTheValueLastDrawn) {
  Held control(new PlainControl);
  EXPECT_TRUE(control->isDirty()) << "value 0 against old value 1 until first drawn";
  control->draw(nullptr);
  EXPECT_FALSE(control->isDirty());

  // Two changes without drawing compare with the value of the last draw.
  control->setValue(0.5f);
  control->setValue(1.0f);
  EXPECT_TRUE(control->isDirty());
  control->setValue(0.0f);
  EXPECT_FALSE(control->isDirty());

  control->setDirty(true);
  EXPECT_TRUE(control->isDirty());
  EXPECT_EQ(control->getOldValue(), -1.0f);
  control->setDirty(false);
  EXPECT_EQ(control->getOldValue(), 0.0f);

  // A value of exactly -1 still ends up dirty.
  control->setValue(-1.0f);
  control->setDirty(true);
  EXPECT_EQ(control->getOldValue(), 0.0f);
  control->setDirty(false);
  EXPECT_FALSE(control->isDirty());
}

TEST(ControlBackground, HoldsOneReferenceAndCopiesItsOffset) {
  fakes::FakePlatform platform;
  Bitmap* first = platform.loadBitmap(129);
  Bitmap* second = platform.loadBitmap(130);
  {
    Held control(new PlainControl(first));
    EXPECT_EQ(first->referenceCount(), 2);
    control->setBackground(second);
    EXPECT_EQ(first->referenceCount(), 1);
    EXPECT_EQ(second->referenceCount(), 2);
    control->setBackground(second);
    EXPECT_EQ(second->referenceCount(), 2) << "setting the same bitmap again keeps it alive";
  }
  EXPECT_EQ(second->referenceCount(), 1);
  first->releaseReference();
  second->releaseReference();
  EXPECT_EQ(platform.liveBitmaps, 0);
}

}  // namespace
}  // namespace brisko
