#include "hosts/jack/LiveSession.h"

#include <string>

namespace drollicant::jack {

namespace {
constexpr const char* kInputNames[2] = {"in_left", "in_right"};
constexpr const char* kOutputNames[2] = {"out_left", "out_right"};
}  // namespace

std::unique_ptr<LiveSession> LiveSession::open(std::shared_ptr<DrollicantAudioUnit> unit, const LiveOptions& options,
                                               std::string& error) {
  std::unique_ptr<LiveSession> session(new LiveSession());
  session->options = options;
  session->jack = JackLibrary::load(error);
  if (!session->jack) return nullptr;
  const JackLibrary& jack = *session->jack;

  jack_status_t status{};
  const int flags = JackNoStartServer | (options.serverName.empty() ? 0 : JackServerName);
  session->client =
      options.serverName.empty()
          ? jack.client_open(options.clientName.c_str(), jack_options_t(flags), &status)
          : jack.client_open(options.clientName.c_str(), jack_options_t(flags), &status, options.serverName.c_str());
  if (!session->client) {
    const std::string server =
        options.serverName.empty() ? "the default JACK server" : "JACK server '" + options.serverName + "'";
    error = (status & JackServerFailed) ? "cannot connect to " + server +
                                              ": is it running? Start one with e.g. 'jackd -d alsa' (or qjackctl, or "
                                              "run under pipewire-jack)"
                                        : "cannot open a JACK client on " + server;
    return nullptr;
  }
  session->name = jack.get_client_name(session->client);
  for (int c = 0; c < 2; ++c) {
    session->inputs[c] =
        jack.port_register(session->client, kInputNames[c], JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    session->outputs[c] =
        jack.port_register(session->client, kOutputNames[c], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (!session->inputs[c] || !session->outputs[c]) {
      error = "cannot register the JACK ports of '" + session->name + "'";
      return nullptr;
    }
  }
  session->layer = hosts::HostedUnit::create(std::move(unit));
  session->rate = jack.get_sample_rate(session->client);
  session->maxFrames = jack.get_buffer_size(session->client);
  if (!session->layer || !session->layer->prepare(session->rate, session->maxFrames, nullptr)) {
    error = "the effect cannot run at " + std::to_string(session->rate) + " Hz";
    return nullptr;
  }
  jack.set_process_callback(session->client, process, session.get());
  jack.set_buffer_size_callback(session->client, bufferSizeChanged, session.get());
  jack.on_shutdown(session->client, shutdown, session.get());
  return session;
}

LiveSession::~LiveSession() {
  if (!client) return;
  if (active) jack->deactivate(client);
  jack->client_close(client);
}

bool LiveSession::start(std::string& error) {
  if (jack->activate(client) != 0) {
    error = "cannot activate the JACK client '" + name + "'";
    return false;
  }
  active = true;
  if (options.connectPhysicalPorts) {
    connectPhysical(JackPortIsOutput, true, error);
    connectPhysical(JackPortIsInput, false, error);
  }
  return true;
}

void LiveSession::connectPhysical(unsigned long portFlags, bool toOurInputs, std::string&) {
  // A system without physical ports (a dummy server) simply has nothing to connect.
  const char** ports = jack->get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | portFlags);
  if (!ports) return;
  for (int c = 0; c < 2 && ports[c]; ++c) {
    if (toOurInputs)
      jack->connect(client, ports[c], jack->port_name(inputs[c]));
    else
      jack->connect(client, jack->port_name(outputs[c]), ports[c]);
  }
  jack->free(ports);
}

int LiveSession::process(jack_nframes_t frames, void* self) {
  // JACK's audio thread: no allocation, no lock.
  auto& session = *static_cast<LiveSession*>(self);
  const float* in[2];
  float* out[2];
  for (int c = 0; c < 2; ++c) {
    in[c] = static_cast<const float*>(session.jack->port_get_buffer(session.inputs[c], frames));
    out[c] = static_cast<float*>(session.jack->port_get_buffer(session.outputs[c], frames));
  }
  session.layer->process(in, out, frames, nullptr, 0);
  return 0;
}

int LiveSession::bufferSizeChanged(jack_nframes_t frames, void* self) {
  // JACK calls this off its audio thread, with processing held, so the layer may obtain
  // memory for the larger blocks here.
  auto& session = *static_cast<LiveSession*>(self);
  if (frames <= session.maxFrames) return 0;
  session.maxFrames = frames;
  return session.layer->prepare(session.rate, frames, nullptr) ? 0 : 1;
}

void LiveSession::shutdown(void* self) { static_cast<LiveSession*>(self)->gone.store(true, std::memory_order_release); }

}  // namespace drollicant::jack
