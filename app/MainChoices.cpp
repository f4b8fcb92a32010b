// The main window's part in the player's settings: the choices made in the game remembered, the
// first start's key hint.
#include "app/MainUtDX.h"
#include "app/UserSettings.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "sound/DXSound1.h"

namespace {

constexpr uint32_t HintMs = 5000;

}  // namespace

void TBasic::ToggleFullScreen() {
  // Leaving the window: its size as the player left it.
  RememberWindowSize();
  const bool full = PlatformToggleFullScreen();
  if (FUserSettings) FUserSettings->SetFullScreen(full);
}

void TBasic::ToggleOverlay() {
  Settings.ShowOverlay = !Settings.ShowOverlay;
  if (FUserSettings) FUserSettings->SetOverlay(Settings.ShowOverlay);
}

void TBasic::RememberWindowSize() {
  if (!FUserSettings) return;
  const TPlatformSize size = PlatformWindowedSize();
  if (size.Width > 0 && size.Height > 0 && !(size == FOpenedWindow))
    FUserSettings->SetWindowSize(size.Width, size.Height);
}

void TBasic::RememberSound() {
  if (!FUserSettings) return;
  const TUserChoices& chosen = FUserSettings->Choices();
  SetSoundVolume({chosen.Volume, chosen.Mute});
  if (FSound) FSound->ApplyVolume();
  SetSoundVolumeListener(
      [settings = FUserSettings](const TSoundVolume& volume) { settings->SetSound(volume.Percent, volume.Muted); });
}

void TBasic::SettingsKept(const TPlatformFileKept& kept) {
  // Kept is the ordinary case and says nothing; a storage that refused is said as a map's is.
  if (kept.Kept) return;
  const std::string said = "settings not kept: " + kept.Detail;
  LogWarning(said);
  FNotice.Show(said, PlatformTicks());
  ShowNoticeWhileHeld();
}

void TBasic::ShowFirstHint() {
  // A recording's pictures, and a replay's, are the game's alone.
  if (!FUserSettings || FUserSettings->Choices().HintSeen || !FKeys->Hint || FRecorder || FReplay) return;
  FNotice.ShowFor(FKeys->Hint, PlatformTicks(), HintMs);
  FHintShown = true;
}

void TBasic::WatchHint() {
  if (!FHintShown || FNotice.Visible(PlatformTicks())) return;
  FHintShown = false;
  // Seen when nothing took its place before its time was up.
  if (FNotice.Text() == FKeys->Hint) FUserSettings->SetHintSeen();
}
