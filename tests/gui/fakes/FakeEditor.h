#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gui/Control.h"
#include "gui/FrameEditor.h"

namespace brisko::fakes {

// Records the editor calls views make; pumpIdle can run a test's hook.
class FakeEditor : public FrameEditor {
 public:
  void pumpIdle() override {
    ++pumps;
    if (onPump) onPump();
  }
  void beginEdit(int32_t index) override { events.push_back("begin " + std::to_string(index)); }
  void endEdit(int32_t index) override { events.push_back("end " + std::to_string(index)); }

  int pumps = 0;
  std::vector<std::string> events;
  std::function<void()> onPump;
};

// Records every reported change: tag, value and whether a context came along.
class FakeListener : public ControlListener {
 public:
  struct Change {
    int32_t tag;
    float value;
    bool withContext;
  };
  // Redraws the control like an editor does, so it is clean again.
  void valueChanged(DrawContext* context, Control* control) override {
    changes.push_back({control->getTag(), control->getValue(), context != nullptr});
    control->redrawIfDirty(context);
  }
  std::vector<Change> changes;
};

}  // namespace brisko::fakes
