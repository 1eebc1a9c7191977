#include "tests/win32/BackendProbes.h"

#include "gui/win32/ChildWindow.h"

namespace brisko::wintest {

FrameInHost::FrameInHost(bool withParent, Rect probeRect) : host(std::make_unique<HostFrameWindow>()) {
  frame = new Frame({0, 0, 200, 300}, withParent ? host->handle() : nullptr, &editor, defaultPlatform());
  probe = new ProbeView(probeRect);
  frame->addView(probe);
}

FrameInHost::~FrameInHost() {
  delete frame;
  host.reset();
}

HWND FrameInHost::child() const {
  auto* window = dynamic_cast<win32::ChildWindow*>(frame->window());
  return window ? window->handle() : nullptr;
}

}  // namespace brisko::wintest
