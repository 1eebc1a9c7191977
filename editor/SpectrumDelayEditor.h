#pragma once

#include <atomic>
#include <cstdint>

#include "editor/EditorLayout.h"
#include "gui/Control.h"
#include "plugin/EditorBase.h"

namespace brisko {

class Bitmap;
class HorizontalSlider;
class ParamDisplay;

// The plug-in's editor: a 200 by 300 panel over the background bitmap with
// one slider and one display per parameter. It reads the effect's values
// when it opens and on every change, and reports slider moves to the effect
// as automation.
//
// Threads: parameterChanged may come from the audio thread while the
// user-interface thread closes the editor. parameterChanged announces itself
// in `busyCallers` before it checks `isOpen`, and closeEditor clears `isOpen`
// before it waits for `busyCallers` to drop to 0 and only then destroys the
// controls. Both sides use sequentially consistent atomics, so either the
// change sees the editor closed and does nothing, or the close waits for it.
// The waiting is on the closing side only; a parameter change never waits
// and never allocates.
class SpectrumDelayEditor : public GuiEditor, public ControlListener {
 public:
  explicit SpectrumDelayEditor(EffectBase* effect, Platform& platform = defaultPlatform());
  ~SpectrumDelayEditor() override;

  // Builds the frame and the twelve controls from the effect's current
  // values. 1 when open, 0 when memory ran out.
  int32_t openEditor(void* parent) override;
  void closeEditor() override;
  // Brings every row to the effect's current value. It runs at the idle after
  // each change: a change whose store raced this thread's is shown then.
  void refreshEditor() override;
  // Moves the row's slider and display to the effect's current value; the
  // value argument is not used. Dropped while the editor is closed.
  void parameterChanged(int32_t index, float value) override;
  // A slider moved: automate its parameter and redraw it.
  void valueChanged(DrawContext* context, Control* control) override;

  bool isEditorOpen() const { return isOpen.load(); }
  // False when the background could not be loaded (memory ran out).
  bool hasBackground() const { return background != nullptr; }
  HorizontalSlider* slider(int32_t row) const { return isRow(row) && isEditorOpen() ? sliders[row] : nullptr; }
  ParamDisplay* display(int32_t row) const { return isRow(row) && isEditorOpen() ? displays[row] : nullptr; }

 private:
  static bool isRow(int32_t index) { return index >= 0 && index < editor_layout::kRows; }
  float effectValue(int32_t index) const;
  bool buildControls(Bitmap* body, Bitmap* handle);
  void showEffectValues();
  void forgetControls();

  HorizontalSlider* sliders[editor_layout::kRows] = {};
  ParamDisplay* displays[editor_layout::kRows] = {};
  Bitmap* background;
  std::atomic<bool> isOpen{false};
  std::atomic<int32_t> busyCallers{0};
};

}  // namespace brisko
