// The plug-in's editor as a host shows it: the built DLL loaded through its
// entry, the editor opened in a host window and its child window captured.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "tests/win32/EditorInHost.h"
#include "tests/win32/TestDataObject.h"

namespace brisko::wintest {
namespace {

constexpr int kRows = 6;

bool insideControl(int x, int y) {
  for (int row = 0; row < kRows; ++row) {
    if (x >= 20 && x < 179 && y >= sliderTop(row) && y < sliderTop(row) + 19) return true;
    if (x >= 20 && x <= 55 && y >= displayTop(row) && y <= displayTop(row) + 14) return true;
  }
  return false;
}

int inkInDisplay(const Pixels& pixels, int row) {
  int ink = 0;
  for (int y = displayTop(row) + 1; y < displayTop(row) + 14; ++y)
    for (int x = 21; x < 55; ++x) ink += pixels.at(x, y) != rgb(0, 0, 0);
  return ink;
}

// Pixels of the handle bitmap found at the handle's place in the capture.
bool handleAt(const Pixels& pixels, const Pixels& handle, int row, int left) {
  for (int y = 0; y < handle.height; ++y)
    for (int x = 0; x < handle.width; ++x)
      if (pixels.at(left + x, sliderTop(row) + y) != handle.at(x, y)) return false;
  return true;
}

class EditorWindow : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library.open(BRISKO_PLUGIN_PATH)) << library.error(); }
  host::PluginLibrary library;
};

TEST_F(EditorWindow, PaintsTheBackgroundSlidersAndDisplays) {
  EditorInHost editor(library);
  ASSERT_TRUE(editor.open());
  HWND child = editor.child();
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  EXPECT_EQ(pluginWindowClass(), className);
  const Pixels pixels = printWindow(child);
  ASSERT_EQ(pixels.width, 200);
  ASSERT_EQ(pixels.height, 300);

  const Pixels background = loadBitmapPixels(pluginModule(), 128);
  ASSERT_EQ(background.width, 200);
  int mismatches = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 200; ++x)
      if (!insideControl(x, y) && pixels.at(x, y) != background.at(x, y)) ++mismatches;
  EXPECT_EQ(mismatches, 0);

  const Pixels handle = loadBitmapPixels(pluginModule(), 130);
  const Pixels body = loadBitmapPixels(pluginModule(), 129);
  for (int row = 0; row < kRows; ++row) {
    const float value = editor.plugin().getParameter(row);
    const int left = handleLeft(value);
    EXPECT_TRUE(handleAt(pixels, handle, row, left)) << "row " << row << " value " << value;
    // The body shows beside the handle.
    const int bodyX = left > 60 ? 2 : 150;
    EXPECT_EQ(pixels.at(kSliderLeft + bodyX, sliderTop(row) + 5), body.at(bodyX, 5)) << row;
    EXPECT_GT(inkInDisplay(pixels, row), 10) << "display " << row << " shows no text";
    // Display outline and fill are black.
    EXPECT_EQ(pixels.at(20, displayTop(row) + 7), rgb(0, 0, 0));
  }
}

TEST_F(EditorWindow, HostAutomationMovesTheHandleAndChangesTheText) {
  EditorInHost editor(library);
  ASSERT_TRUE(editor.open());
  editor.plugin().setParameter(0, 0.0f);
  editor.idle(150);
  const Pixels before = printWindow(editor.child());
  const Pixels handle = loadBitmapPixels(pluginModule(), 130);
  EXPECT_TRUE(handleAt(before, handle, 0, handleLeft(0.0f)));

  editor.plugin().setParameter(0, 1.0f);
  editor.idle(150);
  const Pixels after = printWindow(editor.child());
  EXPECT_TRUE(handleAt(after, handle, 0, handleLeft(1.0f)));
  EXPECT_EQ(handleLeft(1.0f), 170);
  EXPECT_FALSE(handleAt(after, handle, 0, handleLeft(0.0f)));
  bool textChanged = false;
  for (int y = displayTop(0); y < displayTop(0) + 14; ++y)
    for (int x = 20; x < 56; ++x) textChanged |= before.at(x, y) != after.at(x, y);
  EXPECT_TRUE(textChanged);
  // Another row is untouched.
  for (int x = 20; x < 179; ++x) EXPECT_EQ(before.at(x, sliderTop(3) + 9), after.at(x, sliderTop(3) + 9));
}

TEST_F(EditorWindow, IdleRedrawsOnTheWindowItself) {
  // What the host sees on screen, not only what printing draws.
  EditorInHost editor(library);
  ASSERT_TRUE(editor.open());
  editor.plugin().setParameter(2, 1.0f);
  editor.idle(150);
  HDC dc = GetDC(editor.child());
  const Pixels handle = loadBitmapPixels(pluginModule(), 130);
  int matching = 0;
  for (int y = 0; y < handle.height; ++y)
    for (int x = 0; x < handle.width; ++x)
      matching += (GetPixel(dc, handleLeft(1.0f) + x, sliderTop(2) + y) & 0xffffff) ==
                  RGB((handle.at(x, y) >> 16) & 0xff, (handle.at(x, y) >> 8) & 0xff, handle.at(x, y) & 0xff);
  ReleaseDC(editor.child(), dc);
  EXPECT_EQ(matching, handle.width * handle.height);
}

TEST_F(EditorWindow, TwoEditorsShareOneClassUntilTheLastCloses) {
  EditorInHost first(library, 40, 40);
  EditorInHost second(library, 320, 40);
  ASSERT_TRUE(first.open());
  ASSERT_TRUE(second.open());
  EXPECT_TRUE(pluginClassRegistered());
  first.close();
  EXPECT_EQ(first.child(), nullptr);
  EXPECT_TRUE(pluginClassRegistered());
  second.close();
  EXPECT_FALSE(pluginClassRegistered());
}

TEST_F(EditorWindow, CloseLeavesNoWindowClassOrGdiObjectBehind) {
  const DWORD beforeEffect = gdiObjects();
  {
    EditorInHost editor(library);
    const DWORD beforeOpen = gdiObjects();
    for (int round = 0; round < 3; ++round) {
      ASSERT_TRUE(editor.open());
      editor.plugin().setParameter(round, 0.25f * static_cast<float>(round));
      editor.idle(60);
      editor.close();
      EXPECT_EQ(editor.child(), nullptr);
      EXPECT_FALSE(pluginClassRegistered());
      EXPECT_EQ(gdiObjects(), beforeOpen) << "round " << round;
    }
  }
  EXPECT_EQ(gdiObjects(), beforeEffect);
}

TEST_F(EditorWindow, EffectClosedWithTheEditorOpenTakesItsWindowAlong) {
  const DWORD before = gdiObjects();
  HostFrameWindow window(60, 60);
  {
    host::PluginHost plugin(library.entry());
    ASSERT_TRUE(plugin.create());
    ERect* area = nullptr;
    plugin.dispatch(effEditGetRect, 0, 0, &area);
    plugin.dispatch(effEditOpen, 0, 0, window.handle());
    pumpMessages(30);
    ASSERT_NE(firstChild(window.handle()), nullptr);
    plugin.dispatch(effClose);
  }
  EXPECT_EQ(firstChild(window.handle()), nullptr);
  EXPECT_FALSE(pluginClassRegistered());
  window.destroy();
  EXPECT_EQ(gdiObjects(), before);
}

TEST_F(EditorWindow, HostWindowDestroyedBeforeTheEditorCloses) {
  EditorInHost editor(library);
  ASSERT_TRUE(editor.open());
  editor.hostWindow().destroy();
  editor.plugin().setParameter(1, 0.9f);
  editor.plugin().dispatch(effEditIdle);
  editor.close();
  EXPECT_FALSE(pluginClassRegistered());
}

TEST_F(EditorWindow, DropsAreFetchedAndRefusedSafely) {
  EditorInHost editor(library);
  ASSERT_TRUE(editor.open());
  auto* target = static_cast<IDropTarget*>(GetPropA(editor.child(), "OleDropTargetInterface"));
  ASSERT_NE(target, nullptr);
  const float before = editor.plugin().getParameter(0);
  for (TestDataObject* data : {TestDataObject::text("0.75"), TestDataObject::files({"C:\\preset.fxp"})}) {
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(data, MK_CONTROL, {0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->Drop(data, 0, {0, 0}, &effect), S_OK);
    // No control takes drops: the source must not treat it as moved.
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(data->dataRequests, 1);
    data->Release();
  }
  EXPECT_EQ(editor.plugin().getParameter(0), before);
  EXPECT_TRUE(editor.plugin().callsOf(audioMasterAutomate).empty());
}

// The editor inside its host window as one picture; written as a BMP when
// BRISKO_EDITOR_SCREENSHOT names a file.
TEST_F(EditorWindow, ScreenshotOfTheEditorInItsHostWindow) {
  EditorInHost editor(library);
  ASSERT_TRUE(editor.open());
  HWND top = editor.hostWindow().handle();
  HWND child = editor.child();
  RECT outer{}, inner{};
  GetWindowRect(top, &outer);
  GetWindowRect(child, &inner);
  const Pixels childPixels = printWindow(child);

  Pixels whole;
  whole.width = outer.right - outer.left;
  whole.height = outer.bottom - outer.top;
  {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = whole.width;
    info.bmiHeader.biHeight = -whole.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    // Printing a top-level window leaves its children out: they go on top.
    PrintWindow(top, dc, 0);
    GdiFlush();
    const auto* source = static_cast<const Pixel*>(bits);
    whole.data.assign(source, source + whole.width * whole.height);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  for (Pixel& p : whole.data) p &= 0xffffff;
  const int dx = inner.left - outer.left;
  const int dy = inner.top - outer.top;
  ASSERT_GE(dx, 0);
  ASSERT_LE(dx + 200, whole.width);
  ASSERT_LE(dy + 300, whole.height);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 200; ++x) whole.data[static_cast<size_t>((dy + y) * whole.width + dx + x)] = childPixels.at(x, y);
  }
  const char* path = std::getenv("BRISKO_EDITOR_SCREENSHOT");
  if (path) {
    EXPECT_TRUE(writeBmp(whole, path));
  }
}

}  // namespace
}  // namespace brisko::wintest
