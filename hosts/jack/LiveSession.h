#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "audiounit/DrollicantAudioUnit.h"
#include "hosts/common/HostedUnit.h"
#include "hosts/jack/JackLibrary.h"

namespace drollicant::jack {

struct LiveOptions {
  std::string clientName = "drollicant";
  std::string serverName;  // empty: the default server ($JACK_DEFAULT_SERVER or "default")
  bool connectPhysicalPorts = true;
};

// The effect as a JACK client: two input and two output ports, the unit driven through
// the shared host layer from JACK's process callback. Never starts a server.
//
// Threads: open, start and destruction on the main thread; the process callback on
// JACK's audio thread (no allocation, no lock); the layer's setters from any thread.
class LiveSession {
public:
  // Nullptr with `error` when JACK is missing, no server runs or the ports cannot be made.
  static std::unique_ptr<LiveSession> open(std::shared_ptr<DrollicantAudioUnit> unit, const LiveOptions& options,
                                           std::string& error);
  ~LiveSession();
  LiveSession(const LiveSession&) = delete;
  LiveSession& operator=(const LiveSession&) = delete;

  // Activates the client and, when asked, connects the first two physical capture ports
  // to the inputs and the outputs to the first two playback ports. False with `error`.
  bool start(std::string& error);

  hosts::HostedUnit& hosted() { return *layer; }
  const std::string& clientName() const { return name; }
  double sampleRate() const { return rate; }
  // The server went away (JACK's shutdown callback).
  bool serverGone() const { return gone.load(std::memory_order_acquire); }

private:
  LiveSession() = default;
  static int process(jack_nframes_t frames, void* self);
  static int bufferSizeChanged(jack_nframes_t frames, void* self);
  static void shutdown(void* self);
  void connectPhysical(unsigned long portFlags, bool toOurInputs, std::string& error);

  const JackLibrary* jack = nullptr;
  jack_client_t* client = nullptr;
  jack_port_t* inputs[2] = {nullptr, nullptr};
  jack_port_t* outputs[2] = {nullptr, nullptr};
  std::unique_ptr<hosts::HostedUnit> layer;
  std::string name;
  double rate = 0;
  uint32_t maxFrames = 0;
  LiveOptions options;
  bool active = false;
  std::atomic<bool> gone{false};
};

}  // namespace drollicant::jack
