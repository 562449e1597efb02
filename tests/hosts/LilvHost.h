#pragma once
// The built drollicant.lv2 loaded in-process by lilv, the LV2 host library that jalv,
// Carla and lv2apply stand on: ports and defaults come from the bundle's TTL, the
// host offers urid:map and bufsz:maxBlockLength as real hosts do.
#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TemporaryDirectory.h"

namespace testing_support {

inline constexpr const char* kPluginURI = "urn:drollicant:lv2:drollicant";

class LilvHost {
public:
  LilvHost(double sampleRate, uint32_t maxBlockLength) : maxBlock(int32_t(maxBlockLength)) {
    // Hosts keep a plug-in's library loaded; so does this one. Unloaded after each
    // instance, its run-once tables would become unreachable and LeakSanitizer would
    // report them as leaks at exit.
    static void* const resident =
        dlopen((std::string(DROLLICANT_BUNDLE) + "/drollicant.so").c_str(), RTLD_NOW | RTLD_NODELETE);
    (void)resident;
    world = lilv_world_new();
    // A search path holding only the built bundle (and the LV2 specifications), so
    // lilv sees exactly our plug-in.
    std::filesystem::create_directory_symlink(DROLLICANT_BUNDLE, folder / "drollicant.lv2");
    LilvNode* path = lilv_new_string(world, (folder.get().string() + ":/usr/lib/lv2").c_str());
    lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
    lilv_node_free(path);
    lilv_world_load_all(world);
    LilvNode* uri = lilv_new_uri(world, kPluginURI);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    if (plugin == nullptr) return;

    map = {this, [](LV2_URID_Map_Handle self, const char* u) { return static_cast<LilvHost*>(self)->mapURI(u); }};
    options[0] = {LV2_OPTIONS_INSTANCE,  0,        mapURI(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                  mapURI(LV2_ATOM__Int), &maxBlock};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mapFeature = {LV2_URID__map, &map};
    optionsFeature = {LV2_OPTIONS__options, options.data()};
    const LV2_Feature* features[] = {&mapFeature, &optionsFeature, nullptr};
    instance = lilv_plugin_instantiate(plugin, sampleRate, features);
    if (instance == nullptr) return;

    // Every control port starts at the default the TTL gives, as a host shows it.
    const uint32_t ports = lilv_plugin_get_num_ports(plugin);
    controls.assign(ports, 0.0f);
    std::vector<float> defaults(ports);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    LilvNode* controlClass = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode* audioClass = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* inputClass = lilv_new_uri(world, LV2_CORE__InputPort);
    for (uint32_t i = 0; i < ports; ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
      const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
      const bool input = lilv_port_is_a(plugin, port, inputClass);
      if (lilv_port_is_a(plugin, port, controlClass)) {
        controls[i] = defaults[i];
        controlIndex[symbol] = i;
        lilv_instance_connect_port(instance, i, &controls[i]);
      } else if (lilv_port_is_a(plugin, port, audioClass)) {
        (input ? audioIn : audioOut).push_back(i);
      }
    }
    lilv_node_free(controlClass);
    lilv_node_free(audioClass);
    lilv_node_free(inputClass);
  }
  ~LilvHost() {
    if (instance) {
      if (active) lilv_instance_deactivate(instance);
      lilv_instance_free(instance);
    }
    lilv_world_free(world);
  }
  LilvHost(const LilvHost&) = delete;
  LilvHost& operator=(const LilvHost&) = delete;

  bool ready() const { return instance != nullptr && audioIn.size() == 2 && audioOut.size() == 2; }
  // A control port's value; the plug-in reads it at its next run.
  void set(const std::string& symbol, float value) { controls.at(controlIndex.at(symbol)) = value; }
  void activate() {
    lilv_instance_activate(instance);
    active = true;
  }
  // Runs `frames` frames from the given buffers (an output may be its input's buffer).
  void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames) {
    lilv_instance_connect_port(instance, audioIn[0], const_cast<float*>(inL));
    lilv_instance_connect_port(instance, audioIn[1], const_cast<float*>(inR));
    lilv_instance_connect_port(instance, audioOut[0], outL);
    lilv_instance_connect_port(instance, audioOut[1], outR);
    lilv_instance_run(instance, frames);
  }

private:
  LV2_URID mapURI(const char* uri) {
    for (size_t i = 0; i < uris.size(); ++i)
      if (uris[i] == uri) return LV2_URID(i + 1);
    uris.emplace_back(uri);
    return LV2_URID(uris.size());
  }

  TemporaryDirectory folder;
  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  LilvInstance* instance = nullptr;
  bool active = false;
  int32_t maxBlock;
  std::vector<std::string> uris;
  LV2_URID_Map map{};
  std::array<LV2_Options_Option, 2> options{};
  LV2_Feature mapFeature{}, optionsFeature{};
  std::vector<float> controls;
  std::map<std::string, uint32_t> controlIndex;
  std::vector<uint32_t> audioIn, audioOut;
};

}  // namespace testing_support
