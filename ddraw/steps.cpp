// The command steps and the edge rounding that every sprite of every program shares.
#include <cmath>

#include "ddraw/ddraw.h"

namespace {

constexpr Single kZoomCeiling = 1.0f;
constexpr Single kZoomFloor = 0.1f;  // the single nearest to 0.1, compared and stored as such
constexpr double kZoomStep = 0.01;
constexpr Long kFirstFrame = 0;
constexpr Long kLastFrame = 39;

}  // namespace

Long RoundEdge(double edge) {
  // nearbyint rounds to nearest with halves to even, the default rounding mode.
  const double rounded = std::nearbyint(edge);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
    runtime::Raise(runtime::kOverflow, "Overflow");
  }
  return static_cast<Long>(rounded);
}

Single ZoomIn(Single zoom) {
  if (zoom > kZoomCeiling) zoom = kZoomCeiling;
  if (zoom < kZoomCeiling) zoom = static_cast<Single>(static_cast<double>(zoom) + kZoomStep);
  return zoom;
}

Single ZoomOut(Single zoom) {
  if (zoom < kZoomFloor) zoom = kZoomFloor;
  if (zoom > kZoomFloor) zoom = static_cast<Single>(static_cast<double>(zoom) - kZoomStep);
  return zoom;
}

Long PreviousFrame(Long frame) {
  if (frame > kFirstFrame) frame -= 1;
  if (frame == kFirstFrame) frame = kLastFrame;
  return frame;
}

Long NextFrame(Long frame) {
  if (frame < kLastFrame) frame += 1;
  if (frame == kLastFrame) frame = kFirstFrame;
  return frame;
}
