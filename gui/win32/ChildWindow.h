#pragma once

// The frame's child window inside the host's window.

#include <windows.h>

#include <memory>

#include "gui/Platform.h"

namespace brisko::win32 {

class DropTarget;

class ChildWindow final : public HostWindow {
 public:
  // Null when the window could not be created.
  static std::unique_ptr<ChildWindow> create(HWND parent, Frame& frame);
  ~ChildWindow() override;

  Point screenOrigin() override;
  std::unique_ptr<DrawContext> createDrawContext() override;
  void revokeDrop() override;
  void hide() override;

  HWND handle() const { return window; }

  // Draws the frame's part under `area` into `dc`: paint and print both
  // come here.
  void paint(HDC dc, const RECT& area);

 private:
  ChildWindow(Frame& frame, HMODULE library) : owner(frame), imageLibrary(library) {}

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void registerDrop();
  void destroyed();

  Frame& owner;
  HMODULE imageLibrary;
  HWND window = nullptr;
  bool classAcquired = false;
  // Registered for drops, with a reference of our own so it can be told
  // when the frame goes.
  DropTarget* dropTarget = nullptr;
};

}  // namespace brisko::win32
