#include "tests/win32/WindowTestSupport.h"

#include <cstdio>

namespace brisko::wintest {

namespace {

constexpr const char* kHostClass = "BriskoTestHostWindow";

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

void registerHostClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = hostProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  windowClass.lpszClassName = kHostClass;
  registered = RegisterClassA(&windowClass) != 0;
}

// A 32-bpp top-down DIB section selected into a fresh memory context.
struct DibCanvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  void* bits = nullptr;
  int width;
  int height;

  DibCanvas(int w, int h) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous = SelectObject(dc, bitmap);
  }
  ~DibCanvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Pixels pixels() const {
    GdiFlush();
    Pixels result{width, height, {}};
    const auto* source = static_cast<const Pixel*>(bits);
    result.data.assign(source, source + width * height);
    for (Pixel& p : result.data) p &= 0x00ffffffu;
    return result;
  }
};

}  // namespace

Pixels printWindow(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  UpdateWindow(window);
  DibCanvas canvas(client.right, client.bottom);
  PrintWindow(window, canvas.dc, PW_CLIENTONLY);
  return canvas.pixels();
}

Pixels loadBitmapPixels(HMODULE module, int id) {
  HANDLE image = LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!image) return {};
  BITMAP info{};
  GetObjectA(image, sizeof info, &info);
  DibCanvas canvas(info.bmWidth, info.bmHeight);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(source, image);
  BitBlt(canvas.dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
  DeleteObject(image);
  return canvas.pixels();
}

bool writeBmp(const Pixels& pixels, const std::string& path) {
  const int rowBytes = (pixels.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = pixels.width;
  header.biHeight = pixels.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biSizeImage = static_cast<DWORD>(rowBytes * pixels.height);
  file.bfType = 0x4d42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + header.biSizeImage;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&header, sizeof header, 1, out);
  std::vector<unsigned char> row(static_cast<size_t>(rowBytes), 0);
  for (int y = pixels.height - 1; y >= 0; --y) {
    for (int x = 0; x < pixels.width; ++x) {
      const Pixel p = pixels.at(x, y);
      row[static_cast<size_t>(x * 3)] = static_cast<unsigned char>(p & 0xff);
      row[static_cast<size_t>(x * 3 + 1)] = static_cast<unsigned char>((p >> 8) & 0xff);
      row[static_cast<size_t>(x * 3 + 2)] = static_cast<unsigned char>((p >> 16) & 0xff);
    }
    std::fwrite(row.data(), row.size(), 1, out);
  }
  return std::fclose(out) == 0;
}

void pumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(1);
  } while (GetTickCount() - start < milliseconds);
}

HostFrameWindow::HostFrameWindow(int x, int y, int clientWidth, int clientHeight) {
  registerHostClass();
  RECT bounds{0, 0, clientWidth, clientHeight};
  AdjustWindowRect(&bounds, WS_OVERLAPPEDWINDOW, FALSE);
  window = CreateWindowExA(0, kHostClass, "Brisko host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, x, y,
                           bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  UpdateWindow(window);
}

HostFrameWindow::~HostFrameWindow() { destroy(); }

void HostFrameWindow::destroy() {
  if (window) DestroyWindow(window);
  window = nullptr;
}

HWND firstChild(HWND parent) { return parent ? GetWindow(parent, GW_CHILD) : nullptr; }

DWORD gdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

}  // namespace brisko::wintest
