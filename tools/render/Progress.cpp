#include "tools/render/Progress.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#define BRISKO_ISATTY _isatty
#define BRISKO_FILENO _fileno
#else
#include <unistd.h>
#define BRISKO_ISATTY isatty
#define BRISKO_FILENO fileno
#endif

namespace brisko::render {

Progress::Progress(bool enabled)
    : enabled_(enabled && BRISKO_ISATTY(BRISKO_FILENO(stderr))),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

Progress::~Progress() {
  if (shown_) std::fprintf(stderr, "\r%60s\r", "");
}

void Progress::update(double fraction) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1) || now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  shown_ = true;
  constexpr int kWidth = 40;
  const int filled = static_cast<int>(fraction * kWidth);
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, static_cast<int>(fraction * 100.0));
  std::fflush(stderr);
}

}  // namespace brisko::render
