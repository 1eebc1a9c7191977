#include "tools/render/EditorSnapshot.h"

#if BRISKO_RENDER_EDITOR_SNAPSHOT
#include "gui/cairo/EditorSnapshot.h"
#endif

namespace brisko::render {

#if BRISKO_RENDER_EDITOR_SNAPSHOT
// The editor built into this program (the same sources as the plug-in's),
// drawn by the portable backend.
bool renderEditorSnapshot(const float params[6], const std::string& path, std::string& error) {
  return renderEditorPng(params, path, error);
}
#else
// Windows builds have no backend that draws into an image.
bool renderEditorSnapshot(const float[6], const std::string&, std::string& error) {
  error = "editor snapshots are not available in this build";
  return false;
}
#endif

}  // namespace brisko::render
