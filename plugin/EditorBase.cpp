#include "plugin/EditorBase.h"

#include <memory>

#include "gui/Frame.h"
#include "plugin/ExtendedEffect.h"

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
  if (refreshPending.exchange(0)) refreshEditor();
}

int32_t EditorBase::keyPressed(VstKeyCode&) { return -1; }

int32_t EditorBase::keyReleased(VstKeyCode&) { return -1; }

int32_t EditorBase::chooseKnobMode(int32_t) { return 0; }

bool EditorBase::wheelTurned(float) { return false; }

// Attached last: a constructor that throws before (memory running out for a
// platform object made on first use) must leave the effect without an editor.
GuiEditor::GuiEditor(EffectBase* effect, Platform& platform) : EditorBase(effect), services(platform) {
  nextIdleTick = services.clock().tickCount();
  services.initializeOle();
  if (owner) owner->attachEditor(this);
}

// The editor attached itself before its derived parts were built: one that
// is destroyed first (a derived constructor that threw included) takes
// itself off, so the effect never deletes it a second time.
GuiEditor::~GuiEditor() {
  if (owner) owner->detachEditor(this);
  services.uninitializeOle();
}

int32_t GuiEditor::queryRect(ERect** rect) {
  if (rect) *rect = &area;
  return 1;
}

int32_t GuiEditor::openEditor(void* parent) {
  requestRefresh();
  parentWindow = parent;
  return 0;
}

bool GuiEditor::frameInUse() const { return inIdlePump || (rootFrame && rootFrame->isInUse()); }

void GuiEditor::finishDeferredClose() {
  if (closeDeferred && !frameInUse()) closeEditor();
}

void GuiEditor::deferClose() {
  closeDeferred = rootFrame != nullptr;
  // A host that stops idling now must not be left with a live editor on show.
  if (rootFrame) rootFrame->hideWindow();
}

bool GuiEditor::closeRequested() const { return closeDeferred || (owner && owner->isClosed()); }

bool GuiEditor::beginEvent() { return !owner || owner->enterCall(); }

void GuiEditor::endEvent() {
  if (owner) owner->leaveCall();
}

void GuiEditor::idleEditor() {
  if (inIdlePump) return;
  if (closeDeferred) {
    // Inside a control's tracking loop the frame is still in use: it waits.
    finishDeferredClose();
    return;
  }
  if (refreshPending.exchange(0)) refreshEditor();
  if (rootFrame) rootFrame->frameIdle();
  // A click taken by this idle may have had the editor closed.
  finishDeferredClose();
}

int32_t GuiEditor::keyPressed(VstKeyCode& key) {
  const int32_t handled = rootFrame ? rootFrame->onKeyDown(key) : -1;
  finishDeferredClose();
  return handled;
}

int32_t GuiEditor::keyReleased(VstKeyCode& key) {
  const int32_t handled = rootFrame ? rootFrame->onKeyUp(key) : -1;
  finishDeferredClose();
  return handled;
}

int32_t GuiEditor::chooseKnobMode(int32_t) { return 1; }

bool GuiEditor::wheelTurned(float distance) {
  const bool handled = rootFrame ? rootFrame->onWheel(nullptr, {0, 0}, distance) : false;
  finishDeferredClose();
  return handled;
}

void GuiEditor::parameterChanged(int32_t, float) { requestRefresh(); }

void GuiEditor::drawEditor(ERect*) {
  if (!rootFrame) return;
  std::unique_ptr<DrawContext> context = rootFrame->makeDrawContext();
  if (context) rootFrame->draw(context.get());
}

void GuiEditor::pumpIdle() {
  Clock& clock = services.clock();
  uint32_t now = clock.tickCount();
  // How far the next run lies ahead; the subtraction keeps working when the
  // tick counter wraps. A run is scheduled one interval after the time
  // corrected by the sleep, which a coarse clock may not show yet: up to
  // interval + sleep ahead of the reading. Anything larger means the due time
  // has passed.
  const uint32_t ahead = nextIdleTick - now;
  if (ahead != 0 && ahead <= kPumpInterval + kPumpSleep) {
    clock.sleep(kPumpSleep);
    now += kPumpSleep;
    if (ahead > kPumpSleep + kPumpSlack) return;
  }
  idleEditor();
  services.messagePump().dispatchOnePaint();
  nextIdleTick = now + kPumpInterval;
  inIdlePump = true;
  if (owner) owner->hostIdle();
  inIdlePump = false;
}

void GuiEditor::beginEdit(int32_t index) {
  if (auto* effect = dynamic_cast<ExtendedEffect*>(owner)) effect->hostBeginEdit(index);
}

void GuiEditor::endEdit(int32_t index) {
  if (auto* effect = dynamic_cast<ExtendedEffect*>(owner)) effect->hostEndEdit(index);
}

}  // namespace brisko
