#include "gui/cairo/EditorSnapshot.h"

#include <cstdio>
#include <memory>

#include "effect/SpectrumDelayWithEditor.h"
#include "gui/Frame.h"
#include "gui/cairo/HeadlessPlatform.h"
#include "plugin/EditorBase.h"

namespace brisko {

namespace {

constexpr int32_t kParameterCount = 6;
constexpr intptr_t kHostVersion = 2400;

// A host that only tells its version: the effect refuses to run without one.
intptr_t BRISKO_VSTCALL versionOnlyHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? kHostVersion : 0;
}

struct EffectClose {
  void operator()(SpectrumDelayWithEditor* effect) const {
    AEffect* record = effect->effectRecord();
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
  }
};

}  // namespace

CairoSurfacePtr renderEditorImage(const float values[6], std::string& error) {
  std::unique_ptr<SpectrumDelayWithEditor, EffectClose> effect(
      new SpectrumDelayWithEditor(&versionOnlyHost, headlessPlatform()));
  AEffect* record = effect->effectRecord();
  for (int32_t i = 0; i < kParameterCount; ++i) record->setParameter(record, i, values[i]);

  ERect* area = nullptr;
  record->dispatcher(record, effEditGetRect, 0, 0, &area, 0.0f);
  const int32_t width = area ? area->right - area->left : 0;
  const int32_t height = area ? area->bottom - area->top : 0;
  CairoSurfacePtr image = makeRgbImage(width, height);
  if (!image) {
    error = "the editor has no size to draw";
    return nullptr;
  }
  // No parent window: the frame draws into the image handed to it.
  if (record->dispatcher(record, effEditOpen, 0, 0, nullptr, 0.0f) == 0) {
    error = "the editor did not open";
    return nullptr;
  }
  auto* editor = dynamic_cast<GuiEditor*>(effect->attachedEditor());
  if (!editor || !editor->frame()) {
    error = "the editor has no frame";
    return nullptr;
  }
  paintFrame(*editor->frame(), image.get());
  record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
  return image;
}

bool renderEditorPng(const float values[6], const std::string& path, std::string& error) {
  CairoSurfacePtr image = renderEditorImage(values, error);
  if (!image) return false;
  if (cairo_surface_write_to_png(image.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
    std::remove(path.c_str());
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace brisko

// Leak checking in sanitizer builds of the programs that draw text: fontconfig
// keeps its configuration and its patterns behind offsets rather than
// pointers, so the leak checker cannot see that they are still in use and
// reports them at exit. It is called only by the sanitizer runtime.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
