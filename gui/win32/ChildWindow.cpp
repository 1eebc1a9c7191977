#include "gui/win32/ChildWindow.h"

#include <ole2.h>

#include <new>

#include "gui/Frame.h"
#include "gui/FrameEditor.h"
#include "gui/win32/DropTarget.h"
#include "gui/win32/GdiBitmap.h"
#include "gui/win32/GdiContext.h"
#include "gui/win32/WindowClass.h"

namespace brisko::win32 {

namespace {

// Windows holding the image library; its entry point goes with the last.
int imageLibraryUsers = 0;

HMODULE loadImageLibrary() {
  HMODULE library = LoadLibraryA("msimg32.dll");
  if (!library) return nullptr;
  ++imageLibraryUsers;
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId > VER_PLATFORM_WIN32_WINDOWS) {
    setKeyedCopyEntry(reinterpret_cast<TransparentBltFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "TransparentBlt"))));
  }
  return library;
}

void freeImageLibrary(HMODULE library) {
  if (!library) return;
  if (--imageLibraryUsers == 0) setKeyedCopyEntry(nullptr);
  FreeLibrary(library);
}

}  // namespace

std::unique_ptr<ChildWindow> ChildWindow::create(HWND parent, Frame& frame) {
  if (!parent) return nullptr;
  std::unique_ptr<ChildWindow> child(new (std::nothrow) ChildWindow(frame, loadImageLibrary()));
  if (!child) return nullptr;
  child->classAcquired = acquireWindowClass(&ChildWindow::procedure);
  if (!child->classAcquired) return nullptr;
  const Rect& size = frame.viewRect();
  child->window = CreateWindowExA(0, windowClassName().c_str(), "Window", WS_CHILD | WS_VISIBLE, 0, 0, size.width(),
                                  size.height(), parent, nullptr, pluginModule(), nullptr);
  if (!child->window) return nullptr;
  // Messages that come before this find no frame and take the default path.
  SetWindowLongPtrA(child->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(child.get()));
  child->registerDrop();
  return child;
}

ChildWindow::~ChildWindow() {
  revokeDrop();
  freeImageLibrary(imageLibrary);
  if (window) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  if (classAcquired) releaseWindowClass();
}

void ChildWindow::registerDrop() {
  auto* target = new (std::nothrow) DropTarget(&owner);
  if (!target) return;
  target->AddRef();
  if (SUCCEEDED(RegisterDragDrop(window, target))) {
    dropTarget = target;
  } else {
    target->Release();
  }
}

void ChildWindow::revokeDrop() {
  if (!dropTarget) return;
  if (window) RevokeDragDrop(window);
  // A drag under way may still hold the target: it must not reach the frame.
  dropTarget->forgetFrame();
  dropTarget->Release();
  dropTarget = nullptr;
}

void ChildWindow::hide() {
  if (window) ShowWindow(window, SW_HIDE);
}

Point ChildWindow::screenOrigin() {
  RECT bounds{};
  if (window) GetWindowRect(window, &bounds);
  return {bounds.left, bounds.top};
}

std::unique_ptr<DrawContext> ChildWindow::createDrawContext() {
  if (!window) return nullptr;
  HDC dc = GetDC(window);
  if (!dc) return nullptr;
  std::unique_ptr<DrawContext> context(new (std::nothrow) WindowContext(dc, window, true));
  if (!context) ReleaseDC(window, dc);
  return context;
}

void ChildWindow::paint(HDC dc, const RECT& area) {
  WindowContext context(dc, window, false);
  owner.drawRect(&context, {area.left, area.top, area.right, area.bottom});
}

void ChildWindow::destroyed() {
  // The host destroyed its window first: the handle is dead from here on and
  // must not be revoked or destroyed again later.
  revokeDrop();
  window = nullptr;
  owner.windowDestroyed();
}

LRESULT CALLBACK ChildWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* child = reinterpret_cast<ChildWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!child || child->window != window) return DefWindowProcA(window, message, wParam, lParam);
  return child->onMessage(message, wParam, lParam);
}

LRESULT ChildWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      RECT update;
      if (!GetUpdateRect(window, &update, FALSE)) break;
      PAINTSTRUCT paintInfo;
      HDC dc = BeginPaint(window, &paintInfo);
      if (dc) paint(dc, paintInfo.rcPaint);
      EndPaint(window, &paintInfo);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client{};
      GetClientRect(window, &client);
      paint(reinterpret_cast<HDC>(wParam), client);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      FrameEditor* editor = owner.getEditor();
      if (editor && !editor->beginEvent()) return 0;
      // The host may destroy its window during the drag, which clears ours:
      // the device context goes back to the window it came from.
      HWND source = window;
      HDC dc = GetDC(source);
      {
        WindowContext context(dc, source, false);
        const Point where{static_cast<int32_t>(LOWORD(lParam)), static_cast<int32_t>(HIWORD(lParam))};
        owner.onMouseDown(&context, where);
      }
      if (dc) ReleaseDC(source, dc);
      // May destroy the plug-in, this window with it.
      if (editor) editor->endEvent();
      return 0;
    }
    case WM_DESTROY: {
      HWND dying = window;
      destroyed();
      return DefWindowProcA(dying, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace brisko::win32
