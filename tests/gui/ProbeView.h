#pragma once

#include <string>
#include <vector>

#include "gui/View.h"

namespace brisko::fakes {

// A view that records the events it receives into a shared journal, answers
// keys and drops as configured, and reports its own destruction.
class ProbeView : public View {
 public:
  ProbeView(const Rect& size, std::string viewName, std::vector<std::string>& journal)
      : View(size), name(std::move(viewName)), events(journal) {}

  void draw(DrawContext* context) override {
    events.push_back(name + " draw");
    View::draw(context);
  }
  void onMouseDown(DrawContext*, Point where) override {
    events.push_back(name + " click " + std::to_string(where.h) + "," + std::to_string(where.v));
  }
  int32_t onKeyDown(VstKeyCode&) override {
    events.push_back(name + " key");
    return keyResult;
  }
  int32_t onKeyUp(VstKeyCode&) override { return keyResult; }
  bool onDrop(const char* const*, int32_t, int32_t, Point) override {
    events.push_back(name + " drop");
    return acceptsDrop;
  }
  bool onWheel(DrawContext*, Point where, float) override {
    events.push_back(name + " wheel " + std::to_string(where.h) + "," + std::to_string(where.v));
    return true;
  }
  void loseFocus(DrawContext*) override { events.push_back(name + " loseFocus"); }
  bool removed(View*) override {
    events.push_back(name + " removed");
    return true;
  }

  int32_t keyResult = -1;
  bool acceptsDrop = false;
  bool* destroyed = nullptr;

 protected:
  ~ProbeView() override {
    if (destroyed) *destroyed = true;
  }

 private:
  std::string name;
  std::vector<std::string>& events;
};

}  // namespace brisko::fakes
