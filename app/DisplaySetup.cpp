// Opening the display.
#include "app/DisplaySetup.h"

#include <cmath>
#include <stdexcept>

#include "core/Log.h"
#include "res/Resources.h"
#include "util/Printable.h"

namespace {

// The program's icon resource, a square of RGBA pixels, for the window; none when absent or
// not square.
void AddWindowIcon(TPlatformDisplayConfig& config) {
  const auto icon = FindResource("MAINICON", RT_RGBA);
  if (!icon) return;
  const auto side = static_cast<size_t>(std::lround(std::sqrt(static_cast<double>(icon->size()) / 4)));
  if (side == 0 || side * side * 4 != icon->size()) return;
  config.Icon = *icon;
  config.IconSize = static_cast<int>(side);
}

}  // namespace

std::string SetupFailureMessage(TPlatformDisplayStep step, bool fullScreen) {
  // The platform reports failure, not a result code: -1 stands for it.
  const std::string number = "-1";
  switch (step) {
    case TPlatformDisplayStep::Ok: return {};
    case TPlatformDisplayStep::Video: return "DirectDraw 객체 생성 실패";
    case TPlatformDisplayStep::Window:
      return fullScreen ? "배타적 풀스크린 얻기 실패 : " + number : "일반 윈도우 모드 설정 실패";
    case TPlatformDisplayStep::Renderer:
      return fullScreen ? "복합 화상 공간 생성 실패 : " + number : "단일 화상 공간 생성 실패";
    case TPlatformDisplayStep::Texture: return fullScreen ? "후면 버퍼 생성 실패 : " + number : "가상 버퍼 생성 실패";
  }
  return {};
}

void OpenDisplay(TPlatformDisplayConfig config) {
  AddWindowIcon(config);
  std::string detail;
  const TPlatformDisplayStep step = PlatformOpenDisplay(config, &detail);
  if (step == TPlatformDisplayStep::Ok) return;
  // The detail may hold what the environment said (DISPLAY): shown as harmless text.
  if (!detail.empty()) LogWarning(Printable(detail, EchoedPathChars));
  throw std::runtime_error(SetupFailureMessage(step, config.FullScreen));
}
