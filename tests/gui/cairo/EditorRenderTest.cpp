#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "editor/EditorLayout.h"
#include "effect/SpectrumDelayWithEditor.h"
#include "gui/Frame.h"
#include "gui/cairo/CairoBitmap.h"
#include "gui/cairo/CairoDrawContext.h"
#include "gui/cairo/EditorSnapshot.h"
#include "gui/cairo/HeadlessPlatform.h"
#include "plugin/EditorBase.h"
#include "tests/gui/cairo/ImageSupport.h"

namespace brisko {
namespace {

using namespace editor_layout;

constexpr float kDefaults[kRows] = {0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 1.0f};
constexpr float kSettings[kRows] = {0.5f, 0.9f, 0.25f, 0.66f, 0.72f, 0.2f};
constexpr int32_t kBodyWidth = 159;
constexpr int32_t kBodyHeight = 19;

struct Bitmaps {
  CairoBitmap* background = CairoBitmap::load(kBackgroundBitmap);
  CairoBitmap* body = CairoBitmap::load(kSliderBodyBitmap);
  CairoBitmap* handle = CairoBitmap::load(kSliderHandleBitmap);
  ~Bitmaps() {
    background->releaseReference();
    body->releaseReference();
    handle->releaseReference();
  }
};

uint32_t bitmapPixel(const CairoBitmap* bitmap, int32_t x, int32_t y) {
  return bitmap->pixels().pixels[static_cast<size_t>(y * bitmap->width() + x)];
}

// The display box with its outline, which includes the right and bottom lines.
bool inDisplayBox(int32_t row, int32_t x, int32_t y) {
  const Rect r = displayRect(row);
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

bool inSlider(int32_t row, int32_t x, int32_t y) {
  const Rect r = sliderRect(row, kBodyWidth, kBodyHeight);
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Where the handle of a slider at `value` sits, in slider pixels: from the
// truncated position plus the one-pixel offset, held inside the body.
std::pair<int32_t, int32_t> handleColumns(float value) {
  int32_t left = static_cast<int32_t>(149.0f * value) + 1;
  if (left < 1) left = 1;
  int32_t right = left + 9;
  if (right > 159) right = 159;
  return {left, right};
}

std::string displayText(int32_t row, float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(displayValue(row, value)));
  return text;
}

void expectEditorShows(cairo_surface_t* image, const float values[kRows]) {
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(cairo_image_surface_get_width(image), 200);
  ASSERT_EQ(cairo_image_surface_get_height(image), 300);
  Bitmaps bitmaps;

  int32_t backgroundMismatches = 0;
  for (int32_t y = 0; y < 300; ++y) {
    for (int32_t x = 0; x < 200; ++x) {
      bool control = false;
      for (int32_t row = 0; row < kRows; ++row) control = control || inSlider(row, x, y) || inDisplayBox(row, x, y);
      if (!control && pixelAt(image, x, y) != bitmapPixel(bitmaps.background, x, y)) ++backgroundMismatches;
    }
  }
  EXPECT_EQ(backgroundMismatches, 0);

  for (int32_t row = 0; row < kRows; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    // The handle's columns are those where the slider differs from its body.
    const Rect slider = sliderRect(row, kBodyWidth, kBodyHeight);
    int32_t first = -1;
    int32_t last = -1;
    for (int32_t x = 0; x < kBodyWidth; ++x) {
      for (int32_t y = 0; y < kBodyHeight; ++y) {
        const uint32_t shown = pixelAt(image, slider.left + x, slider.top + y);
        if (shown == bitmapPixel(bitmaps.body, x, y)) continue;
        if (first < 0) first = x;
        last = x;
        EXPECT_EQ(shown, bitmapPixel(bitmaps.handle, x - first, y)) << "at " << x << "," << y;
      }
    }
    const auto [left, right] = handleColumns(values[row]);
    EXPECT_EQ(first, left);
    EXPECT_EQ(last + 1, right);

    // The display: a black box with the value in white, as a render of the
    // expected text draws it.
    const Rect display = displayRect(row);
    const Rect inside{display.left + 1, display.top + 1, display.right, display.bottom};
    EXPECT_GT(testing::inkBox(image, inside, 0).width(), 0);
    CairoSurfacePtr expected = makeRgbImage(200, 300, 0x777777);
    CairoDrawContext context(expected.get());
    context.setFillColor(kBlack);
    context.setFrameColor(kBlack);
    context.fillRect(display);
    context.frameRect(display);
    context.setFont(kDisplayFont, 0, 0);
    context.setFontColor(kWhite);
    context.drawString(displayText(row, values[row]).c_str(), display, false, kAlignCenter);
    int32_t textMismatches = 0;
    for (int32_t y = display.top; y <= display.bottom; ++y) {
      for (int32_t x = display.left; x <= display.right; ++x) {
        textMismatches += pixelAt(image, x, y) != pixelAt(expected.get(), x, y);
      }
    }
    EXPECT_EQ(textMismatches, 0) << "expected " << displayText(row, values[row]);
  }
}

TEST(EditorRenderTest, DefaultValuesShowTheArtworkHandlesAndTexts) {
  std::string error;
  CairoSurfacePtr image = renderEditorImage(kDefaults, error);
  EXPECT_EQ(error, "");
  expectEditorShows(image.get(), kDefaults);
}

TEST(EditorRenderTest, OtherValuesMoveTheHandlesAndChangeTheTexts) {
  std::string error;
  CairoSurfacePtr image = renderEditorImage(kSettings, error);
  expectEditorShows(image.get(), kSettings);
}

// Fonts and rasterisers may shift text anti-aliasing a little between
// systems; everything else must match the reference exactly.
TEST(EditorRenderTest, DefaultRenderMatchesTheReferenceImage) {
  std::string error;
  CairoSurfacePtr image = renderEditorImage(kDefaults, error);
  CairoSurfacePtr reference = testing::readPng(BRISKO_CAIRO_REFERENCE_DIR "/editor-default.png");
  ASSERT_NE(reference, nullptr);
  ASSERT_EQ(cairo_image_surface_get_width(reference.get()), 200);
  ASSERT_EQ(cairo_image_surface_get_height(reference.get()), 300);
  int32_t slightlyOff = 0;
  for (int32_t y = 0; y < 300; ++y) {
    for (int32_t x = 0; x < 200; ++x) {
      const uint32_t a = pixelAt(image.get(), x, y);
      const uint32_t b = pixelAt(reference.get(), x, y);
      if (a == b) continue;
      int32_t worst = 0;
      for (int shift : {0, 8, 16}) {
        const int32_t d = std::abs(static_cast<int32_t>((a >> shift) & 0xFF) - static_cast<int32_t>((b >> shift) & 0xFF));
        worst = d > worst ? d : worst;
      }
      ASSERT_LE(worst, 48) << "at " << x << "," << y;
      ++slightlyOff;
    }
  }
  EXPECT_LE(slightlyOff, 600);  // 1% of the pixels
}

TEST(EditorRenderTest, SnapshotFileIsWrittenOrNotLeftBehind) {
  std::string error;
  const std::string path = ::testing::TempDir() + "editor-snapshot.png";
  ASSERT_TRUE(renderEditorPng(kSettings, path, error)) << error;
  CairoSurfacePtr written = testing::readPng(path);
  ASSERT_NE(written, nullptr);
  expectEditorShows(written.get(), kSettings);
  std::remove(path.c_str());

  EXPECT_FALSE(renderEditorPng(kSettings, "/nonexistent-dir/editor.png", error));
  EXPECT_NE(error, "");
}

intptr_t BRISKO_VSTCALL versionHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// The editor as a host drives it: opened in a window, painted by the message
// pump, redrawn from idle calls after a change.
TEST(EditorRenderTest, WindowPaintsOnceAndIdleRedrawsChangedControls) {
  AEffect* record = (new SpectrumDelayWithEditor(&versionHost, headlessPlatform()))->effectRecord();
  int parent = 0;
  ASSERT_EQ(record->dispatcher(record, effEditOpen, 0, 0, &parent, 0.0f), 1);
  auto* editor = dynamic_cast<GuiEditor*>(EffectBase::fromRecord(record)->attachedEditor());
  ImageWindow* window = imageWindowOf(*editor->frame());
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isPaintPending());
  headlessPlatform().messagePump().dispatchOnePaint();
  EXPECT_FALSE(window->isPaintPending());
  expectEditorShows(window->image(), kDefaults);

  for (int32_t i = 0; i < kRows; ++i) record->setParameter(record, i, kSettings[i]);
  record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
  expectEditorShows(window->image(), kSettings);

  record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
  record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace brisko
