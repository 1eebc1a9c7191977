#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dsp/FourierTransform.h"

namespace brisko {

// Analysis window shapes; any other value means Rectangular.
enum class WindowType : int32_t {
  Rectangular = 0,
  Hamming = 1,
  Hann = 2,
  Triangular = 3,
  BlackmanHarris3 = 4,
  BlackmanHarris4 = 5,
  Gaussian = 6,
  Kaiser = 7,
};

// Modified Bessel function of the first kind, order zero (polynomial
// approximation after Abramowitz and Stegun 9.8.1 / 9.8.2).
double besselI0(double x);

// How a channel is cut into frames: frame size, overlap, the analysis window
// applied before the forward transform and the synthesis window applied after
// the inverse one, chosen so that overlap-added frames sum to unity gain.
class SpectralSetup {
 public:
  static constexpr int32_t kMinFrameSize = 2;
  static constexpr int32_t kMaxFrameSize = 65536;

  SpectralSetup() = default;
  SpectralSetup(const SpectralSetup&) = delete;
  SpectralSetup& operator=(const SpectralSetup&) = delete;

  // Releases everything; the setup is not ready until configured again.
  void clear();

  // Rounds the requested size and overlap to powers of two (on a logarithmic
  // scale: 181 -> 128, 182 -> 256) and builds the windows and the transform.
  // Refuses, leaving the setup unchanged and answering false, a frame size
  // that rounds outside kMinFrameSize .. kMaxFrameSize or an overlap that
  // rounds outside 1 .. frame size.
  bool configure(int32_t requestedSize, int32_t requestedOverlap, int32_t windowType,
                 float synthesisExponent);

  int32_t frameSize() const { return frameSize_; }
  int32_t overlap() const { return overlap_; }
  int32_t windowType() const { return windowType_; }
  float synthesisExponent() const { return synthesisExponent_; }
  bool ready() const { return ready_; }

  const float* analysisWindow() const { return analysisWindow_.data(); }
  const float* synthesisWindow() const { return synthesisWindow_.data(); }
  float* windowedFrame() { return windowedFrame_.data(); }
  FourierTransform* transform() const { return transform_.get(); }

 private:
  void buildAnalysisWindow();
  void buildSynthesisWindow();

  int32_t frameSize_ = 0;
  int32_t overlap_ = 0;
  int32_t windowType_ = 0;
  float synthesisExponent_ = 0.0f;
  std::vector<float> analysisWindow_;
  std::vector<float> windowedFrame_;
  std::vector<float> synthesisWindow_;
  std::unique_ptr<FourierTransform> transform_;
  bool ready_ = false;
};

}  // namespace brisko
