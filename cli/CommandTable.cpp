#include "cli/Command.h"

namespace drollicant::cli {

std::span<const Command> commandTable() {
  static constexpr Command kCommands[] = {
    Command{"render", "render audio files (or the built-in demo clip) through the effect", runRenderCommand},
    Command{"presets", "list the factory presets", runPresetsCommand},
    Command{"state", "print the effect's full state as an XML property list (.aupreset)", runStateCommand},
    Command{"info", "show the version, the parameters and the tail time", runInfoCommand},
#if defined(DROLLICANT_EDITOR)
    Command{"snapshot", "draw the editor, showing the chosen settings, into a PNG file", runSnapshotCommand},
    Command{"live", "run the effect on a live JACK input, with the editor in its own window", runLiveCommand},
#endif
  };
  return kCommands;
}

}  // namespace drollicant::cli
