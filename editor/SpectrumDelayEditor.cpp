#include "editor/SpectrumDelayEditor.h"

#include <new>
#include <thread>

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/ParamDisplay.h"
#include "gui/Slider.h"
#include "plugin/EffectBase.h"

namespace brisko {

using namespace editor_layout;

namespace {

int32_t widthOf(const Bitmap* bitmap) { return bitmap ? bitmap->width() : 0; }
int32_t heightOf(const Bitmap* bitmap) { return bitmap ? bitmap->height() : 0; }

void release(Bitmap* bitmap) {
  if (bitmap) bitmap->releaseReference();
}

}  // namespace

SpectrumDelayEditor::SpectrumDelayEditor(EffectBase* effect, Platform& platform)
    : GuiEditor(effect, platform), background(platform.loadBitmap(kBackgroundBitmap)) {
  area.top = 0;
  area.left = 0;
  area.bottom = static_cast<int16_t>(heightOf(background));
  area.right = static_cast<int16_t>(widthOf(background));
}

SpectrumDelayEditor::~SpectrumDelayEditor() {
  // A host that destroys the effect without closing the editor first must
  // not leave a window behind that points at a destroyed frame.
  if (rootFrame) closeEditor();
  release(background);
}

int32_t SpectrumDelayEditor::openEditor(void* parent) {
  // Not from the host's calls inside a drag or a key: the old frame is still in use.
  if (frameInUse()) return 0;
  // A second open without a close replaces the first frame.
  if (rootFrame) closeEditor();
  GuiEditor::openEditor(parent);

  Bitmap* body = platform().loadBitmap(kSliderBodyBitmap);
  Bitmap* handle = platform().loadBitmap(kSliderHandleBitmap);
  const Rect size{0, 0, widthOf(background), heightOf(background)};
  rootFrame = new (std::nothrow) Frame(size, parent, this, platform());
  bool built = false;
  if (rootFrame) {
    rootFrame->setBackground(background);
    built = buildControls(body, handle);
  }
  release(body);
  release(handle);
  if (!built) {
    delete rootFrame;
    rootFrame = nullptr;
    forgetControls();
    return 0;
  }
  isOpen.store(true);
  // Changes that arrived while the rows were built found the editor closed.
  showEffectValues();
  return 1;
}

bool SpectrumDelayEditor::buildControls(Bitmap* body, Bitmap* handle) {
  const int32_t maxPosition = handleMaxPosition(widthOf(body), widthOf(handle));
  for (int32_t row = 0; row < kRows; ++row) {
    const Rect size = sliderRect(row, widthOf(body), heightOf(body));
    auto* slider = new (std::nothrow)
        HorizontalSlider(size, this, row, kHandleMinPosition, maxPosition, handle, body, {0, 0});
    if (!slider) return false;
    slider->setHandleOffset(kHandleOffset);
    slider->setValue(effectValue(row));
    if (!rootFrame->addView(slider)) {
      slider->releaseReference();
      return false;
    }
    sliders[row] = slider;
  }
  for (int32_t row = 0; row < kRows; ++row) {
    auto* display = new (std::nothrow) ParamDisplay(displayRect(row), nullptr, kDisplayStyle);
    if (!display) return false;
    display->setFont(kDisplayFont);
    display->setFontColor(kWhite);
    display->setBackColor(kBlack);
    display->setFrameColor(kBlack);
    display->setValue(displayValue(row, effectValue(row)));
    if (!rootFrame->addView(display)) {
      display->releaseReference();
      return false;
    }
    displays[row] = display;
  }
  return true;
}

void SpectrumDelayEditor::closeEditor() {
  isOpen.store(false);
  // Closed by the host from inside a slider's drag or key (its idle pump,
  // automation or edit gesture): the frame is still in use further up the
  // stack, so it goes once that has ended.
  if (frameInUse()) {
    deferClose();
    return;
  }
  closeDeferred = false;
  // A parameter change that saw the editor open finishes before the
  // controls go.
  while (busyCallers.load() != 0) std::this_thread::yield();
  delete rootFrame;
  rootFrame = nullptr;
  forgetControls();
}

void SpectrumDelayEditor::refreshEditor() {
  if (isOpen.load()) showEffectValues();
}

void SpectrumDelayEditor::showEffectValues() {
  for (int32_t row = 0; row < kRows; ++row) {
    const float value = effectValue(row);
    if (sliders[row]) sliders[row]->setValue(value);
    if (displays[row]) displays[row]->setValue(displayValue(row, value));
  }
}

void SpectrumDelayEditor::forgetControls() {
  for (int32_t row = 0; row < kRows; ++row) {
    sliders[row] = nullptr;
    displays[row] = nullptr;
  }
}

void SpectrumDelayEditor::parameterChanged(int32_t index, float) {
  busyCallers.fetch_add(1);
  if (isOpen.load()) {
    if (isRow(index)) {
      const float value = effectValue(index);
      if (sliders[index]) sliders[index]->setValue(value);
      if (displays[index]) displays[index]->setValue(displayValue(index, value));
    }
    requestRefresh();
  }
  busyCallers.fetch_sub(1);
}

float SpectrumDelayEditor::effectValue(int32_t index) const {
  return owner ? owner->parameterValue(index) : 0.0f;
}

void SpectrumDelayEditor::valueChanged(DrawContext* context, Control* control) {
  if (!control) return;
  const int32_t tag = control->getTag();
  if (!isRow(tag)) return;
  if (owner) owner->automateParameter(tag, control->getValue());
  control->redrawIfDirty(context);
}

}  // namespace brisko
