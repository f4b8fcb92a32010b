#include "sound/Footstep.h"

#include <stdexcept>
#include <string>

#include "res/Resources.h"
#include "sound/DXSound1.h"
#include "util/Printable.h"

void LoadFootstep(TDXSound& player, bool fromResources) {
  int slot = -1;
  std::string source = "resource \"Walk\"";
  std::string why;
  if (fromResources) {
    slot = player.LoadFromResource("Walk", RT_WAVE);
  } else {
    const std::string dir = ProgramDirectory();
    const std::string file = FindLooseFile(dir, "Walk.Wav").value_or(dir + "Walk.Wav");
    source = PrintablePath(file);
    slot = player.LoadFromFile(file, &why);
  }
  if (slot < 0 && player.HasDevice()) {
    throw std::runtime_error("The footstep sound could not be loaded from " + source +
                             ": missing, unreadable or not a PCM wave" + (why.empty() ? "" : " (" + why + ")") + ".");
  }
}
