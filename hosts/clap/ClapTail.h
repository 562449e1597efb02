#pragma once
#include <clap/plugin.h>

#include <cstdint>

// clap.tail is part of CLAP 1.1, but the headers dpf-source packages leave ext/tail.h
// out; this is its declaration as the CLAP 1.1 interface defines it.
extern "C" {
static const char CLAP_EXT_TAIL[] = "clap.tail";
typedef struct clap_plugin_tail {
  // Main and audio thread: the tail in frames; INT32_MAX for an infinite one.
  uint32_t (*get)(const clap_plugin_t* plugin);
} clap_plugin_tail_t;
}
