#include "hosts/jack/LiveRunner.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "audiounit/ParameterTable.h"
#include "hosts/jack/LiveEditorWindow.h"

namespace drollicant::jack {
using namespace platform;

namespace {

constexpr double kLoopSeconds = 0.02;

bool selectPreset(DrollicantAudioUnit& unit, const std::string& wanted) {
  const auto presets = unit.factoryPresets();
  for (const auto& preset : presets)
    if (preset->name() == wanted || std::to_string(preset->number()) == wanted) {
      unit.setCurrentPreset(preset);
      std::fprintf(stderr, "preset %lld: %s\n", static_cast<long long>(preset->number()), preset->name().c_str());
      return true;
    }
  return false;
}

const ParameterDescription* parameterNamed(const std::string& identifier) {
  for (const auto& row : kParameterTable)
    if (identifier == row.identifier) return &row;
  return nullptr;
}

// One command line; false for "quit".
bool obey(hosts::HostedUnit& layer, const std::string& line) {
  std::istringstream words(line);
  std::string command, first, second;
  words >> command;
  std::getline(words >> std::ws, first);
  if (command.empty()) return true;
  if (command == "quit" || command == "exit") return false;
  if (command == "preset") {
    if (!selectPreset(layer.unit(), first)) std::fprintf(stderr, "no preset '%s'\n", first.c_str());
  } else if (command == "set") {
    std::istringstream pair(first);
    std::string identifier;
    double value = 0;
    const auto* row = (pair >> identifier >> value) ? parameterNamed(identifier) : nullptr;
    if (row && value >= 0 && value <= 1)
      layer.setParameter(row->address, float(value));
    else
      std::fprintf(stderr, "usage: set IDENTIFIER VALUE (0 to 1), e.g. set whimsy 0.8\n");
  } else if (command == "bypass" && (first == "on" || first == "off")) {
    layer.setBypassed(first == "on");
  } else {
    std::fprintf(stderr, "commands: preset N|NAME, set IDENTIFIER VALUE, bypass on|off, quit\n");
  }
  return true;
}

// Lines waiting on standard input, without blocking; false at "quit".
bool readCommands(hosts::HostedUnit& layer, std::string& pending, bool& inputOpen) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  while (inputOpen && poll(&input, 1, 0) > 0) {
    char buffer[512];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      inputOpen = false;  // end of input: keep running until Ctrl-C
      break;
    }
    pending.append(buffer, size_t(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!obey(layer, line)) return false;
    }
  }
  return true;
}

}  // namespace

int runLive(std::shared_ptr<DrollicantAudioUnit> unit, const LiveOptions& options, bool withEditor,
            const std::function<bool()>& stopRequested) {
  std::string error;
  auto session = LiveSession::open(std::move(unit), options, error);
  if (!session || !session->start(error)) {
    std::fprintf(stderr, "drollicant live: %s\n", error.c_str());
    return 1;
  }
  const std::string& name = session->clientName();
  std::fprintf(stderr,
               "drollicant live: running as JACK client '%s' at %.0f Hz (ports %s:in_left, in_right, out_left, "
               "out_right).\nCommands: preset N|NAME, set IDENTIFIER VALUE, bypass on|off, quit. Ctrl-C stops.\n",
               name.c_str(), session->sampleRate(), name.c_str());
  std::unique_ptr<LiveEditorWindow> editor;
  if (withEditor) {
    editor = LiveEditorWindow::open(session->hosted(), "Drollicant (" + name + ")");
    if (!editor) std::fprintf(stderr, "drollicant live: no X display; running without the editor\n");
  }
  std::string pending;
  bool inputOpen = true;
  int status = 0;
  for (;;) {
    if (stopRequested()) break;
    if (session->serverGone()) {
      std::fprintf(stderr, "drollicant live: the JACK server went away\n");
      status = 1;
      break;
    }
    if (!readCommands(session->hosted(), pending, inputOpen)) break;
    if (editor) {
      if (editor->closed()) break;
      editor->runFor(kLoopSeconds);
    } else {
      usleep(useconds_t(kLoopSeconds * 1e6));
    }
  }
  editor.reset();
  session.reset();
  std::fprintf(stderr, "drollicant live: stopped\n");
  return status;
}

}  // namespace drollicant::jack
