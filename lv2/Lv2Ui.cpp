// The LV2 UI: the plug-in's editor in the X11 window the host gives. The
// editor works on a mirror of the six values (no effect, no engines); its
// automation goes to the host's write function and its edit gestures to the
// host's touch feature, and the host's port events move its controls. The
// UI never sees the DSP instance, which may live in another thread or
// process.
#include <lv2/ui/ui.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "editor/SpectrumDelayEditor.h"
#include "gui/Frame.h"
#include "gui/x11/X11Platform.h"
#include "lv2/Lv2Ports.h"
#include "plugin/ExtendedEffect.h"

namespace brisko::lv2 {
namespace {

// What the host offers the UI, found among its features.
struct HostFeatures {
  void* parent = nullptr;
  const LV2UI_Resize* resize = nullptr;
  const LV2UI_Touch* touch = nullptr;

  explicit HostFeatures(const LV2_Feature* const* features) {
    for (; features && *features; ++features) {
      const LV2_Feature& feature = **features;
      if (!feature.URI) continue;
      if (std::strcmp(feature.URI, LV2_UI__parent) == 0) parent = feature.data;
      if (std::strcmp(feature.URI, LV2_UI__resize) == 0) resize = static_cast<const LV2UI_Resize*>(feature.data);
      if (std::strcmp(feature.URI, LV2_UI__touch) == 0) touch = static_cast<const LV2UI_Touch*>(feature.data);
    }
    if (resize && !resize->ui_resize) resize = nullptr;
    if (touch && !touch->touch) touch = nullptr;
  }
};

// The values as the UI shows them, standing in for the effect the editor is
// made for. The editor's automation and edit gestures arrive as VST 2 host
// calls on the mirror's record and go to the LV2 host from there.
class ParameterMirror final : public ExtendedEffect {
 public:
  ParameterMirror(LV2UI_Write_Function writer, LV2UI_Controller owner, const HostFeatures& offered)
      : ExtendedEffect(&hostCall, kNumPrograms, kNumParams), write(writer), controller(owner), features(offered) {}

  void storeParameter(int32_t index, float value) override {
    if (!isParameter(index)) return;
    values[index] = value;
    if (auto* gui = dynamic_cast<GuiEditor*>(editor)) gui->parameterChanged(index, value);
  }
  float parameterValue(int32_t index) override { return isParameter(index) ? values[index] : 0.0f; }
  // The sound is made elsewhere.
  void processAdding(float**, float**, int32_t) override {}

 private:
  static bool isParameter(int32_t index) { return index >= 0 && index < kNumParams; }

  static intptr_t BRISKO_VSTCALL hostCall(AEffect* record, int32_t opcode, int32_t index, intptr_t, void*,
                                          float value) {
    auto* self = static_cast<ParameterMirror*>(EffectBase::fromRecord(record));
    if (!self) return opcode == audioMasterVersion ? 2400 : 0;
    return self->answer(opcode, index, value);
  }

  intptr_t answer(int32_t opcode, int32_t index, float value) {
    switch (opcode) {
      case audioMasterVersion:
        return 2400;
      case audioMasterAutomate:
        if (write && isParameter(index)) write(controller, static_cast<uint32_t>(index), sizeof value, 0, &value);
        return 0;
      case audioMasterBeginEdit:
      case audioMasterEndEdit:
        if (!features.touch || !isParameter(index)) return 0;
        features.touch->touch(features.touch->handle, static_cast<uint32_t>(index), opcode == audioMasterBeginEdit);
        return 1;
      default:
        return 0;
    }
  }

  // Until the host's first port events: the defaults of the description.
  float values[kNumParams] = {0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 1.0f};
  LV2UI_Write_Function write;
  LV2UI_Controller controller;
  HostFeatures features;
};

class Ui {
 public:
  Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const HostFeatures& features)
      : mirror(write, controller, features) {}
  Ui(const Ui&) = delete;
  Ui& operator=(const Ui&) = delete;
  // The mirror deletes the editor it carries.
  ~Ui() {
    if (editor) editor->closeEditor();
  }

  // Opens the editor in `parent`; its window's id, 0 when it could not be
  // shown there.
  unsigned long open(void* parent) {
    editor = new (std::nothrow) SpectrumDelayEditor(&mirror, x11Platform());
    if (!editor || !editor->hasBackground() || editor->openEditor(parent) != 1 || !editor->frame()) return 0;
    return x11WindowId(editor->frame()->window());
  }

  void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (format != 0 || size != sizeof(float) || !buffer || port >= kControlPortCount) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    mirror.storeParameter(static_cast<int32_t>(port), value);
  }

  // The editor's size once open.
  int width() { return rect() ? rect()->right - rect()->left : 0; }
  int height() { return rect() ? rect()->bottom - rect()->top : 0; }

  void idle() {
    if (editor) editor->idleEditor();
  }

 private:
  ERect* rect() {
    ERect* area = nullptr;
    return editor && editor->queryRect(&area) == 1 ? area : nullptr;
  }

  ParameterMirror mirror;
  SpectrumDelayEditor* editor = nullptr;
};

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0 || !widget) return nullptr;
  const HostFeatures offered(features);
  // Without the host's window there is nothing to show the editor in.
  if (!offered.parent) return nullptr;
  Ui* ui = nullptr;
  try {
    ui = new Ui(write, controller, offered);
    const unsigned long window = ui->open(offered.parent);
    if (window == 0) {
      delete ui;
      return nullptr;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(window));
  } catch (...) {
    delete ui;
    return nullptr;
  }
  if (offered.resize) {
    offered.resize->ui_resize(offered.resize->handle, ui->width(), ui->height());
  }
  return ui;
}

Ui* fromHandle(LV2UI_Handle handle) { return static_cast<Ui*>(handle); }

void cleanup(LV2UI_Handle handle) { delete fromHandle(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (handle) fromHandle(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) {
  if (handle) fromHandle(handle)->idle();
  return 0;
}

const LV2UI_Idle_Interface idleInterface = {idle};

const void* extensionData(const char* uri) {
  return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

const LV2UI_Descriptor descriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace
}  // namespace brisko::lv2

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &brisko::lv2::descriptor : nullptr;
}
