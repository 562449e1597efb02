#include "hosts/jack/JackLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace drollicant::jack {

namespace {
constexpr const char* kLibraryName = "libjack.so.0";

template <typename Function>
bool bind(void* library, Function& target, const char* name, std::string& missing) {
  target = reinterpret_cast<Function>(dlsym(library, name));
  if (!target) missing = name;
  return target != nullptr;
}
}  // namespace

const JackLibrary* JackLibrary::load(std::string& error) {
  static JackLibrary library;
  static std::string loadError;
  static std::once_flag once;
  std::call_once(once, [] {
    // Kept open for the process: JACK's own threads may still run code from it at exit.
    void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      loadError =
          std::string("the JACK library (") + kLibraryName + ") is not installed; install jackd2 or pipewire-jack";
      return;
    }
    std::string missing;
    const bool complete = bind(handle, library.client_open, "jack_client_open", missing) &&
                          bind(handle, library.client_close, "jack_client_close", missing) &&
                          bind(handle, library.get_client_name, "jack_get_client_name", missing) &&
                          bind(handle, library.port_register, "jack_port_register", missing) &&
                          bind(handle, library.port_get_buffer, "jack_port_get_buffer", missing) &&
                          bind(handle, library.port_name, "jack_port_name", missing) &&
                          bind(handle, library.set_process_callback, "jack_set_process_callback", missing) &&
                          bind(handle, library.set_buffer_size_callback, "jack_set_buffer_size_callback", missing) &&
                          bind(handle, library.on_shutdown, "jack_on_shutdown", missing) &&
                          bind(handle, library.get_sample_rate, "jack_get_sample_rate", missing) &&
                          bind(handle, library.get_buffer_size, "jack_get_buffer_size", missing) &&
                          bind(handle, library.activate, "jack_activate", missing) &&
                          bind(handle, library.deactivate, "jack_deactivate", missing) &&
                          bind(handle, library.get_ports, "jack_get_ports", missing) &&
                          bind(handle, library.connect, "jack_connect", missing) &&
                          bind(handle, library.free, "jack_free", missing) &&
                          bind(handle, library.set_error_function, "jack_set_error_function", missing) &&
                          bind(handle, library.set_info_function, "jack_set_info_function", missing);
    if (!complete) {
      loadError = std::string(kLibraryName) + " lacks " + missing;
      return;
    }
    // The library's own lines ("Cannot connect to server socket...") would bury the one
    // message that says what to do; ours says it.
    library.set_error_function([](const char*) {});
    library.set_info_function([](const char*) {});
  });
  if (!loadError.empty()) {
    error = loadError;
    return nullptr;
  }
  return &library;
}

}  // namespace drollicant::jack
