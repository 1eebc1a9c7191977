#pragma once

#include <chrono>

namespace brisko::render {

// A progress bar on stderr, shown only when stderr is a terminal and the
// work has taken longer than a second; redrawn at most ten times a second.
class Progress {
 public:
  explicit Progress(bool enabled);
  ~Progress();  // clears the bar's line
  void update(double fraction);

 private:
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace brisko::render
