// The player's choices kept from one run to the next in $XDG_CONFIG_HOME/corvina/corvina.conf:
// plain "key = value" lines, '#' starting a comment line. The game writes the choices made in it
// (Alt+Enter, the window's size, F3, mute and volume); the scale mode and the sound are there to be
// edited by hand. Switches on the command line apply to their run only and are never written.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/Settings.h"

struct TUserChoices {
  bool FullScreen = true;     // fullscreen = yes | no
  int WindowWidth = 0;        // window = WIDTHxHEIGHT, the window's inside as last resized;
  int WindowHeight = 0;       //   0 x 0: the picture's size times --scale
  bool IntegerScale = false;  // scale = sharp | integer
  bool ShowOverlay = true;    // overlay = yes | no
  bool SoundOn = false;       // sound = yes | no
  bool Mute = false;          // mute = yes | no
  int Volume = 100;           // volume = 0..100, in per cent
  bool HintSeen = false;      // hint-seen = yes | no: the first start's key hint was shown
  bool operator==(const TUserChoices&) const = default;
};

constexpr int MaxVolume = 100;

// The choices a start without a file makes: the build's shipped switches.
TUserChoices ShippedChoices(const TSettings& shipped);

// `text`, the file `name`, read over `defaults`. A line that is no "key = value", names no key
// or holds a value its key does not take is warned about with the file and the line's number,
// and leaves that key at its default.
TUserChoices ParseUserChoices(std::string_view text, const std::string& name, const TUserChoices& defaults);
// The file's text holding `choices`: the lines of `old` kept (comments, lines of the player's
// own), each key's first line given its value, the keys it lacks added with their comment.
std::string FormatUserChoices(const TUserChoices& choices, std::string_view old);

class TUserSettings {
 public:
  // $XDG_CONFIG_HOME/corvina/corvina.conf (~/.config/… when unset).
  static std::filesystem::path DefaultPath();

  TUserSettings(std::filesystem::path path, const TUserChoices& defaults);

  // Reads the file; none there leaves the defaults, and says nothing.
  void Load();
  // Forgets the file's choices: the defaults, written over it.
  void Reset();

  const TUserChoices& Choices() const { return FChoices; }
  const std::filesystem::path& Path() const { return FPath; }

  // The choices made in the game, each written at once when it changes what the file holds (and
  // handed to the platform to keep, PlatformFileWritten). A file that cannot be written is
  // warned about once; the game goes on.
  void SetFullScreen(bool value);
  void SetWindowSize(int width, int height);
  void SetOverlay(bool value);
  void SetSound(int percent, bool muted);  // the volume cut to 0..MaxVolume
  void SetHintSeen();

 private:
  void Save();

  std::filesystem::path FPath;
  TUserChoices FDefaults;
  TUserChoices FChoices;
  TUserChoices FWritten;  // what the file holds
  std::string FText;      // its text as read or last written
  bool FWarned = false;
};
