#pragma once

#include <cstdint>

namespace brisko {

// What views need of the editor that owns their frame: the idle pump while
// they track the mouse, and the host's edit gesture around a drag.
class FrameEditor {
 public:
  virtual void pumpIdle() = 0;
  virtual void beginEdit(int32_t index) = 0;
  virtual void endEdit(int32_t index) = 0;
  // True once the host has closed the editor, or the whole plug-in, while the
  // frame was in use (from the idle pump of a control's tracking loop, or from
  // the automation or edit-gesture calls a control makes): the control must
  // end without touching the frame again, which takes no more input and goes
  // as soon as the control's call has returned.
  virtual bool closeRequested() const { return false; }
  // A click the window system hands to the frame outside the host's calls
  // into the plug-in counts as one such call: a plug-in the host closes from
  // inside it (from a call the drag makes to the host) goes only once it has
  // ended. False: the plug-in is closed, the click must be dropped.
  virtual bool beginEvent() { return true; }
  // Ends what beginEvent began. It may destroy the plug-in, with the frame
  // and its window: nothing of them may be touched afterwards.
  virtual void endEvent() {}

 protected:
  ~FrameEditor() = default;
};

}  // namespace brisko
