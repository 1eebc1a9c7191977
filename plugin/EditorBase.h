#pragma once

#include <atomic>
#include <cstdint>

#include "gui/FrameEditor.h"
#include "gui/Platform.h"
#include "plugin/HostInterface.h"

namespace brisko {

class EffectBase;
class Frame;

// The minimal editor the dispatcher drives. Every operation has a harmless
// default; graphical editors derive from it. The effect owns its editor.
class EditorBase {
 public:
  explicit EditorBase(EffectBase* effect) : owner(effect) {}
  EditorBase(const EditorBase&) = delete;
  EditorBase& operator=(const EditorBase&) = delete;
  virtual ~EditorBase() = default;

  // Stores the editor rectangle's address in *rect (null here); answers 1 when
  // it gave one.
  virtual int32_t queryRect(ERect** rect);
  virtual int32_t openEditor(void* parent);
  virtual void closeEditor() {}
  virtual void idleEditor();
  virtual void refreshEditor() {}
  virtual void requestRefresh() { refreshPending.store(1); }
  // -1: key not handled.
  virtual int32_t keyPressed(VstKeyCode& key);
  virtual int32_t keyReleased(VstKeyCode& key);
  virtual int32_t chooseKnobMode(int32_t mode);
  virtual bool wheelTurned(float distance);

  EffectBase* effect() const { return owner; }
  void* parent() const { return parentWindow; }
  bool isRefreshPending() const { return refreshPending.load() != 0; }

 protected:
  EffectBase* owner;
  void* parentWindow = nullptr;
  // Set from whichever thread changed a parameter; cleared by the idle call.
  std::atomic<int32_t> refreshPending{0};
};

// An editor whose contents are a Frame of views. It attaches itself to its
// effect, forwards keys, wheel, drawing and idle to the frame, and offers the
// frame's views a throttled idle pump for their mouse-tracking loops. The
// concrete editor creates the frame on open and destroys it on close.
class GuiEditor : public EditorBase, public FrameEditor {
 public:
  // Pump spacing in milliseconds: a call sleeps this long when it is early,
  static constexpr uint32_t kPumpSleep = 4;
  // does nothing more while the next run is further away than this,
  static constexpr uint32_t kPumpSlack = 50;
  // and a full run schedules the next one this far ahead.
  static constexpr uint32_t kPumpInterval = 100;

  explicit GuiEditor(EffectBase* effect, Platform& platform = defaultPlatform());
  ~GuiEditor() override;

  // Always 1, with the address of `area`.
  int32_t queryRect(ERect** rect) override;
  int32_t openEditor(void* parent) override;
  // Does nothing when called from inside the pump's call to the host.
  void idleEditor() override;
  int32_t keyPressed(VstKeyCode& key) override;
  int32_t keyReleased(VstKeyCode& key) override;
  // 1 for any mode; the mode changes nothing.
  int32_t chooseKnobMode(int32_t mode) override;
  bool wheelTurned(float distance) override;
  // May arrive on any thread.
  virtual void parameterChanged(int32_t index, float value);
  // Redraws the whole frame; the rectangle is not used.
  virtual void drawEditor(ERect* rect);
  // Idle, one paint and the host's idle, at most about every 50 ms.
  void pumpIdle() override;

  // The host's edit gesture around a control's drag.
  void beginEdit(int32_t index) override;
  void endEdit(int32_t index) override;
  bool closeRequested() const override;
  bool beginEvent() override;
  void endEvent() override;

  Frame* frame() const { return rootFrame; }
  Platform& platform() const { return services; }

 protected:
  ERect area{};
  Frame* rootFrame = nullptr;
  uint32_t nextIdleTick;
  bool inIdlePump = false;
  // The frame is in use further up the stack: a control handles a click, key,
  // wheel or drop (and may be calling the host), or the pump calls the host.
  bool frameInUse() const;
  // Completes a deferred close once nothing uses the frame any more.
  void finishDeferredClose();
  // A close while the frame is in use: the window is hidden at once, the
  // frame goes once nothing uses it any more.
  void deferClose();

  // A close that arrived while the frame was in use (from the host's idle
  // call inside the pump, or from its automation or edit-gesture calls made
  // while a control handles an event); it is completed by the next idle, key,
  // wheel, open or close from outside, and the frame takes no input until then.
  bool closeDeferred = false;

 private:
  Platform& services;
};

}  // namespace brisko
