#pragma once

// What the Windows editor tests share: a top-level host window, message
// pumping, and pixel captures of windows and bitmaps.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brisko::wintest {

// 0x00RRGGBB, as 32-bpp DIB pixels hold it.
using Pixel = uint32_t;
constexpr Pixel rgb(unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; }

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<Pixel> data;
  Pixel at(int x, int y) const { return data[static_cast<size_t>(y * width + x)]; }
};

// The client area of `window` as drawn by its WM_PRINTCLIENT handling.
Pixels printWindow(HWND window);
// A resource bitmap of `module` as 32-bpp pixels; empty when it is missing.
Pixels loadBitmapPixels(HMODULE module, int id);
// Writes a 24-bit BMP file.
bool writeBmp(const Pixels& pixels, const std::string& path);

// Dispatches pending messages of this thread for `milliseconds`.
void pumpMessages(DWORD milliseconds);

// A visible top-level window standing in for the host's editor window.
class HostFrameWindow {
 public:
  HostFrameWindow(int x = 40, int y = 40, int clientWidth = 240, int clientHeight = 340);
  ~HostFrameWindow();
  HostFrameWindow(const HostFrameWindow&) = delete;
  HostFrameWindow& operator=(const HostFrameWindow&) = delete;

  HWND handle() const { return window; }
  // Destroys the window early, as a host that closes it before the editor.
  void destroy();

 private:
  HWND window = nullptr;
};

// The first child window of `parent`, or null.
HWND firstChild(HWND parent);

// GDI objects of this process.
DWORD gdiObjects();

}  // namespace brisko::wintest
