#pragma once

#include <string>

namespace brisko::render {

// Draws the plug-in's editor, showing the six parameter values, into a PNG
// file at `path`. False with `error` set when that cannot be done; nothing
// is left at `path` then.
bool renderEditorSnapshot(const float params[6], const std::string& path, std::string& error);

}  // namespace brisko::render
