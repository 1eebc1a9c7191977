#pragma once

#include <cairo.h>

#include <string>

#include "gui/cairo/CairoSurface.h"

namespace brisko {

// The plug-in's editor, opened on the headless platform with the six
// normalised parameter values set, drawn whole into a new image. Null with
// `error` set when the editor cannot be made or drawn.
CairoSurfacePtr renderEditorImage(const float values[6], std::string& error);

// The same image written to a PNG file at `path`. False with `error` set
// when that fails; no file is left behind then.
bool renderEditorPng(const float values[6], const std::string& path, std::string& error);

}  // namespace brisko
