#pragma once

// A frame of the Windows backend in a host window, with a probe view that
// paints a colour, records clicks and takes or refuses drops.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/Frame.h"
#include "gui/FrameEditor.h"
#include "gui/View.h"
#include "tests/win32/WindowTestSupport.h"

namespace brisko::wintest {

class QuietEditor final : public FrameEditor {
 public:
  void pumpIdle() override {}
  void beginEdit(int32_t) override {}
  void endEdit(int32_t) override {}
};

class ProbeView final : public View {
 public:
  explicit ProbeView(const Rect& size) : View(size) {}

  void draw(DrawContext* context) override {
    if (context) {
      context->setFillColor(kRed);
      context->fillRect(viewRect());
    }
    setDirty(false);
  }
  void onMouseDown(DrawContext* context, Point where) override {
    clicks.push_back(where);
    sawContext = context != nullptr;
    if (duringClick) duringClick();
  }
  bool onDrop(const char* const* items, int32_t count, int32_t type, Point) override {
    dropType = type;
    dropCount = count;
    dropped.clear();
    const int32_t names = type == 1 ? 1 : count;
    for (int32_t i = 0; i < names; ++i) dropped.emplace_back(items[i]);
    return acceptDrops;
  }

  std::vector<Point> clicks;
  // Runs inside each click, as a drag that calls the host would.
  std::function<void()> duringClick;
  bool sawContext = false;
  bool acceptDrops = true;
  int32_t dropType = -1;
  int32_t dropCount = 0;
  std::vector<std::string> dropped;
};

// Destroys the frame first, then the host window.
struct FrameInHost {
  explicit FrameInHost(bool withParent = true, Rect probeRect = {10, 10, 50, 50});
  ~FrameInHost();
  HWND child() const;

  QuietEditor editor;
  std::unique_ptr<HostFrameWindow> host;
  Frame* frame = nullptr;
  ProbeView* probe = nullptr;
};

}  // namespace brisko::wintest
