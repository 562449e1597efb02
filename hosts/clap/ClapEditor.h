#pragma once
#include <clap/ext/gui.h>
#include <clap/ext/timer-support.h>

#include <array>
#include <memory>

#include "hosts/common/HostedEditor.h"

namespace drollicant::clap {

class ClapPlugin;

// The editor inside a CLAP host's window (X11 only, embedded, resizable): the view
// controller makes a unit of its own through its factory, as with every host, and its
// tree is kept in step with the plug-in's values both ways. Window events, the main
// queue and drawing run from the host's timer (clap.timer-support); a host without
// timers gets no editor.
//
// Threads: the host's main thread, all of it.
class ClapEditor {
public:
  // clap.gui and clap.timer-support, or nullptr for other ids.
  static const void* extension(const char* id);

  explicit ClapEditor(ClapPlugin& plugin);
  ~ClapEditor();
  ClapEditor(const ClapEditor&) = delete;
  ClapEditor& operator=(const ClapEditor&) = delete;

  // The plug-in's values changed other than through this editor (state, preset, host).
  void hostValuesChanged() { editor.valuesChanged(); }

private:
  bool make();

  ClapPlugin& plugin;
  const clap_host_timer_support_t* timers = nullptr;
  clap_id timer = 0;
  bool timerRegistered = false;
  hosts::HostedEditor editor;

  friend struct ClapEditorCallbacks;
};

}  // namespace drollicant::clap
