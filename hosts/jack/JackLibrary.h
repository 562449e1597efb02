#pragma once
#include <jack/jack.h>

#include <string>

namespace drollicant::jack {

// The JACK client library, opened at run time: the command runs (and says what is
// missing) on systems without JACK, and links against nothing of it. The functions are
// the ones <jack/jack.h> declares, by the same names.
struct JackLibrary {
  decltype(&::jack_client_open) client_open = nullptr;
  decltype(&::jack_client_close) client_close = nullptr;
  decltype(&::jack_get_client_name) get_client_name = nullptr;
  decltype(&::jack_port_register) port_register = nullptr;
  decltype(&::jack_port_get_buffer) port_get_buffer = nullptr;
  decltype(&::jack_port_name) port_name = nullptr;
  decltype(&::jack_set_process_callback) set_process_callback = nullptr;
  decltype(&::jack_set_buffer_size_callback) set_buffer_size_callback = nullptr;
  decltype(&::jack_on_shutdown) on_shutdown = nullptr;
  decltype(&::jack_get_sample_rate) get_sample_rate = nullptr;
  decltype(&::jack_get_buffer_size) get_buffer_size = nullptr;
  decltype(&::jack_activate) activate = nullptr;
  decltype(&::jack_deactivate) deactivate = nullptr;
  decltype(&::jack_get_ports) get_ports = nullptr;
  decltype(&::jack_connect) connect = nullptr;
  decltype(&::jack_free) free = nullptr;
  decltype(&::jack_set_error_function) set_error_function = nullptr;
  decltype(&::jack_set_info_function) set_info_function = nullptr;

  // Main thread. Nullptr with `error` when libjack is not installed or lacks a function.
  static const JackLibrary* load(std::string& error);
};

}  // namespace drollicant::jack
