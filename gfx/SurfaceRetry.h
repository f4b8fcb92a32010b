// The retry rule for surface calls, below the display so the canvas and the surface loaders
// can use it without knowing the display: a busy surface is waited for, a lost one restored.
#pragma once

#include "ddraw/DDraw.h"

class TSurfaceRetry {
 public:
  virtual ~TSurfaceRetry() = default;

  // true = done (success or give up), false = repeat the call.
  virtual bool CheckResult(HRESULT hr) = 0;
  // Repeats call() until CheckResult accepts its result, which it returns. A busy surface is
  // waited for up to RetryLimit attempts; a surface that is lost again at once after every
  // restore is given up after RestoreLimit restores, so the call is dropped for this frame
  // instead of reloading the sheets without end.
  template <class Call>
  HRESULT Retry(Call&& call) {
    HRESULT hr = call();
    int restores = 0;
    for (int attempt = 1; attempt < RetryLimit; ++attempt) {
      if (hr == DDERR_SURFACELOST && ++restores > RestoreLimit) break;
      if (CheckResult(hr)) break;
      hr = call();
    }
    return hr;
  }
  static constexpr int RetryLimit = 100000;
  static constexpr int RestoreLimit = 3;
};

// The rule of the living display (nil without one): a display sets itself here when made and
// clears it when destroyed.
extern TSurfaceRetry* SurfaceRetry;

// call() under the living display's retry rule; once when there is none.
template <class Call>
HRESULT RetryOnDisplay(Call&& call) {
  return SurfaceRetry != nullptr ? SurfaceRetry->Retry(call) : call();
}
