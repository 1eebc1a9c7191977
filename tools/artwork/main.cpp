// Generates the editor's bitmaps (background, slider body, slider handle) as
// 24-bit BMP files, and optionally a PNG preview of the assembled editor.
//
// Usage: brisko-artwork OUTPUT_DIR [--preview FILE.png] [--zoom N]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BmpEncoder.h"
#include "Cairo.h"
#include "Panel.h"
#include "Preview.h"
#include "SliderParts.h"

namespace {

using namespace brisko::artwork;

int usage() {
  std::fprintf(stderr, "usage: brisko-artwork OUTPUT_DIR [--preview FILE.png] [--zoom N]\n");
  return 2;
}

bool writeBitmap(const RgbImage& image, const std::string& path) {
  if (writeBinaryFile(path, encodeBmp24(image))) return true;
  std::fprintf(stderr, "brisko-artwork: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string outputDir = argv[1];
  std::string previewPath;
  int zoom = 1;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--preview" && i + 1 < argc) previewPath = argv[++i];
    else if (option == "--zoom" && i + 1 < argc) zoom = std::atoi(argv[++i]);
    else return usage();
  }
  if (zoom < 1 || zoom > 16) return usage();

  // A fallback face would change every caption's shape and width.
  if (!fontFamilyInstalled("Liberation Sans")) {
    std::fprintf(stderr, "brisko-artwork: Liberation Sans not found (apt-get install fonts-liberation)\n");
    return 1;
  }

  const RgbImage background = drawBackground();
  const RgbImage body = drawSliderBody();
  const RgbImage handle = drawSliderHandle();
  if (!writeBitmap(background, outputDir + "/background.bmp") || !writeBitmap(body, outputDir + "/slider-body.bmp") ||
      !writeBitmap(handle, outputDir + "/slider-handle.bmp"))
    return 1;

  if (!previewPath.empty()) {
    // Handles spread over their travel, including both ends.
    const RgbImage editor = composeEditor({background, body, handle}, {0.5, 0.4, 0.25, 0.0, 0.72, 1.0});
    if (!writePng(editor, previewPath, zoom)) {
      std::fprintf(stderr, "brisko-artwork: cannot write %s\n", previewPath.c_str());
      return 1;
    }
  }
  return 0;
}
