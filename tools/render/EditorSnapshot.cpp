#include "tools/render/EditorSnapshot.h"

namespace brisko::render {

// The editor draws through a platform seam; until a backend that draws into
// an image exists, there is nothing to draw with.
bool renderEditorSnapshot(const float[6], const std::string&, std::string& error) {
  error = "editor snapshots are not available in this build";
  return false;
}

}  // namespace brisko::render
