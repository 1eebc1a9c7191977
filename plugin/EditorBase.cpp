#include "plugin/EditorBase.h"

namespace brisko {

int32_t EditorBase::queryRect(ERect** rect) {
  if (rect) *rect = nullptr;
  return 0;
}

int32_t EditorBase::openEditor(void* parent) {
  parentWindow = parent;
  return 0;
}

void EditorBase::idleEditor() {
  if (refreshPending) {
    refreshPending = 0;
    refreshEditor();
  }
}

int32_t EditorBase::keyPressed(VstKeyCode&) { return -1; }

int32_t EditorBase::keyReleased(VstKeyCode&) { return -1; }

int32_t EditorBase::chooseKnobMode(int32_t) { return 0; }

bool EditorBase::wheelTurned(float) { return false; }

}  // namespace brisko
