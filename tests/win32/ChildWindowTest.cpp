// The backend's child window: its class and use count, painting through the
// frame, clicks, and the host destroying its window first.
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "gui/win32/WindowClass.h"
#include "tests/win32/BackendProbes.h"

namespace brisko::wintest {
namespace {

// The backend is linked into this program, so its calls to user32.dll go
// through this program's import table: an entry pointed elsewhere shows them.
void* redirectImport(const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "user32.dll") != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++entries) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&entries->u1.Function, sizeof entries->u1.Function, PAGE_READWRITE, &protection);
      void* previous = reinterpret_cast<void*>(entries->u1.Function);
      entries->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&entries->u1.Function, sizeof entries->u1.Function, protection, &protection);
      return previous;
    }
  }
  return nullptr;
}

using GetDcFunction = HDC(WINAPI*)(HWND);
using ReleaseDcFunction = int(WINAPI*)(HWND, HDC);
GetDcFunction realGetDc = nullptr;
ReleaseDcFunction realReleaseDc = nullptr;
std::vector<std::pair<HWND, HDC>> dcsTaken;
std::vector<std::pair<HWND, HDC>> dcsReleased;

HDC WINAPI recordGetDc(HWND window) {
  HDC dc = realGetDc(window);
  dcsTaken.emplace_back(window, dc);
  return dc;
}

int WINAPI recordReleaseDc(HWND window, HDC dc) {
  dcsReleased.emplace_back(window, dc);
  return realReleaseDc(window, dc);
}

bool classRegistered() {
  WNDCLASSEXA info{};
  info.cbSize = sizeof info;
  return GetClassInfoExA(win32::pluginModule(), win32::windowClassName().c_str(), &info) != 0;
}

TEST(ChildWindow, ClassNameIsPluginAndTheModuleHandleInHex) {
  char expected[32];
  wsprintfA(expected, "Plugin%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(win32::pluginModule())));
  EXPECT_EQ(win32::windowClassName(), expected);
}

TEST(ChildWindow, IsAFrameSizedChildOfTheHostsWindow) {
  FrameInHost setup;
  HWND child = setup.child();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), setup.host->handle());
  char text[32] = {};
  GetWindowTextA(child, text, sizeof text);
  EXPECT_STREQ(text, "Window");
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  EXPECT_EQ(win32::windowClassName(), className);
  RECT client{};
  GetClientRect(child, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 300);
  EXPECT_TRUE(GetWindowLongPtrA(child, GWL_STYLE) & WS_CHILD);
}

TEST(ChildWindow, ClassIsRegisteredOnceAndGoesWithTheLastWindow) {
  ASSERT_FALSE(classRegistered());
  auto first = std::make_unique<FrameInHost>();
  auto second = std::make_unique<FrameInHost>();
  EXPECT_TRUE(classRegistered());
  EXPECT_EQ(win32::windowClassUses(), 2);
  first.reset();
  EXPECT_TRUE(classRegistered());
  EXPECT_NE(GetWindowLongPtrA(second->child(), GWLP_USERDATA), 0);
  second.reset();
  EXPECT_FALSE(classRegistered());
  EXPECT_EQ(win32::windowClassUses(), 0);
}

TEST(ChildWindow, WithoutAParentNothingIsCreatedOrRegistered) {
  FrameInHost setup(false);
  EXPECT_EQ(setup.frame->window(), nullptr);
  EXPECT_EQ(firstChild(setup.host->handle()), nullptr);
  EXPECT_FALSE(classRegistered());
}

TEST(ChildWindow, PaintAndPrintDrawTheFrame) {
  FrameInHost setup;
  EXPECT_TRUE(setup.frame->isFirstPaintPending());
  pumpMessages(50);
  EXPECT_FALSE(setup.frame->isFirstPaintPending());
  const Pixels pixels = printWindow(setup.child());
  ASSERT_EQ(pixels.width, 200);
  EXPECT_EQ(pixels.at(11, 11), rgb(255, 0, 0));
  EXPECT_EQ(pixels.at(49, 49), rgb(255, 0, 0));
  EXPECT_NE(pixels.at(10, 11), rgb(255, 0, 0));
  EXPECT_NE(pixels.at(50, 49), rgb(255, 0, 0));
}

TEST(ChildWindow, ButtonDownReachesTheFrameWithItsPosition) {
  FrameInHost setup;
  SendMessageA(setup.child(), WM_LBUTTONDOWN, 0, MAKELPARAM(30, 40));
  SendMessageA(setup.child(), WM_RBUTTONDOWN, 0, MAKELPARAM(12, 13));
  SendMessageA(setup.child(), WM_LBUTTONDOWN, 0, MAKELPARAM(150, 150));  // misses the probe
  ASSERT_EQ(setup.probe->clicks.size(), 2u);
  EXPECT_EQ(setup.probe->clicks[0], (Point{30, 40}));
  EXPECT_EQ(setup.probe->clicks[1], (Point{12, 13}));
  EXPECT_TRUE(setup.probe->sawContext);
}

TEST(ChildWindow, HostDestroyingItsWindowFirstLeavesTheFrameClosedAndSafe) {
  const DWORD before = gdiObjects();
  {
    FrameInHost setup;
    HWND child = setup.child();
    pumpMessages(20);
    setup.host->destroy();
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(setup.frame->isOpen());
    EXPECT_EQ(setup.frame->parentWindow(), nullptr);
    EXPECT_EQ(setup.frame->makeDrawContext(), nullptr);
    setup.probe->setDirty(true);
    setup.frame->frameIdle();
  }
  EXPECT_FALSE(classRegistered());
  EXPECT_EQ(gdiObjects(), before);
}

// The host destroys its window while the frame handles a click (a drag whose
// calls to the host do it): the click's device context still goes back to
// the window it was taken from.
TEST(ChildWindow, HostDestroyingItsWindowDuringAClickGetsTheDeviceContextBack) {
  FrameInHost setup;
  HWND child = setup.child();
  pumpMessages(20);
  setup.probe->duringClick = [&] { setup.host->destroy(); };
  realGetDc = reinterpret_cast<GetDcFunction>(redirectImport("GetDC", reinterpret_cast<void*>(&recordGetDc)));
  realReleaseDc =
      reinterpret_cast<ReleaseDcFunction>(redirectImport("ReleaseDC", reinterpret_cast<void*>(&recordReleaseDc)));
  ASSERT_NE(realGetDc, nullptr);
  ASSERT_NE(realReleaseDc, nullptr);
  dcsTaken.clear();
  dcsReleased.clear();
  SendMessageA(child, WM_LBUTTONDOWN, 0, MAKELPARAM(30, 40));
  redirectImport("GetDC", reinterpret_cast<void*>(realGetDc));
  redirectImport("ReleaseDC", reinterpret_cast<void*>(realReleaseDc));
  ASSERT_EQ(setup.probe->clicks.size(), 1u);
  EXPECT_FALSE(IsWindow(child));
  ASSERT_EQ(dcsTaken.size(), 1u);
  EXPECT_EQ(dcsTaken[0].first, child);
  EXPECT_EQ(dcsReleased, dcsTaken);
}

}  // namespace
}  // namespace brisko::wintest
