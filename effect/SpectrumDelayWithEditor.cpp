#include "effect/SpectrumDelayWithEditor.h"

#include <new>

#include "editor/SpectrumDelayEditor.h"
#include "plugin/ValueText.h"

namespace brisko {

namespace {
constexpr const char* kEditorProductText = "BriskoEditGUI";
constexpr int32_t kVendorVersion = 1000;
}  // namespace

SpectrumDelayWithEditor::SpectrumDelayWithEditor(HostCallback host, Platform& platform) : SpectrumDelay(host) {
  assignUniqueId(fourCharCode("BRSK"));
  // The editor attaches itself, which also sets the record's editor flag. One
  // that memory ran out for on the way, its background included, is no
  // editor: destroyed, it takes itself off the effect again.
  SpectrumDelayEditor* built = nullptr;
  try {
    built = new (std::nothrow) SpectrumDelayEditor(this, platform);
  } catch (...) {
    built = nullptr;
  }
  if (built && built->hasBackground()) return;
  delete built;
  constructionFailed.store(true);
}

EffectBase* SpectrumDelayWithEditor::create(HostCallback host) { return new SpectrumDelayWithEditor(host); }

void SpectrumDelayWithEditor::storeParameter(int32_t index, float value) {
  SpectrumDelay::storeParameter(index, value);
  if (auto* gui = dynamic_cast<GuiEditor*>(editor)) gui->parameterChanged(index, value);
}

bool SpectrumDelayWithEditor::copyEffectName(char* text) {
  copyText(text, kEditorProductText);
  return true;
}

bool SpectrumDelayWithEditor::copyProductText(char* text) {
  copyText(text, kEditorProductText);
  return true;
}

int32_t SpectrumDelayWithEditor::vendorVersion() { return kVendorVersion; }

}  // namespace brisko
