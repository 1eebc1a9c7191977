#pragma once

#include <cstdint>

#include "plugin/HostInterface.h"

namespace brisko {

class EffectBase;

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
  virtual void requestRefresh() { refreshPending = 1; }
  // -1: key not handled.
  virtual int32_t keyPressed(VstKeyCode& key);
  virtual int32_t keyReleased(VstKeyCode& key);
  virtual int32_t chooseKnobMode(int32_t mode);
  virtual bool wheelTurned(float distance);

  EffectBase* effect() const { return owner; }
  void* parent() const { return parentWindow; }
  bool isRefreshPending() const { return refreshPending != 0; }

 protected:
  EffectBase* owner;
  void* parentWindow = nullptr;
  int32_t refreshPending = 0;
};

}  // namespace brisko
