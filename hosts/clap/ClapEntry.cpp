// The CLAP entry point: one plug-in, found through the plug-in factory.
#include <clap/entry.h>
#include <clap/plugin-factory.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "artwork/BundleToken.h"
#include "audiounit/DrollicantAudioUnit.h"
#include "hosts/clap/ClapPlugin.h"
#include "hosts/clap/EmbeddedBundle.h"

namespace drollicant::clap {
namespace {

std::mutex entryMutex;
int entryCount = 0;

// Main thread. The unit and the artwork look their files up in their bundle; this
// plug-in's bundle is the one compiled into it.
bool entryInit(const char*) {
  std::lock_guard lock(entryMutex);
  if (entryCount > 0) return ++entryCount, true;
  const auto bundle = EmbeddedBundle::unpack();
  if (!bundle) return false;
  platform::NSBundle::setBundleForClassOverride(DrollicantAudioUnit::classToken(), bundle);
  platform::NSBundle::setBundleForClassOverride(BundleToken::token(), bundle);
  ++entryCount;
  return true;
}

void entryDeinit() {
  std::lock_guard lock(entryMutex);
  if (entryCount > 0) --entryCount;
}

constexpr clap_plugin_factory_t kFactory{
    [](const clap_plugin_factory_t*) -> uint32_t { return 1; },
    [](const clap_plugin_factory_t*, uint32_t index) -> const clap_plugin_descriptor_t* {
      return index == 0 ? &ClapPlugin::kDescriptor : nullptr;
    },
    [](const clap_plugin_factory_t*, const clap_host_t* host, const char* id) -> const clap_plugin_t* {
      if (!host || !id || std::strcmp(id, ClapPlugin::kDescriptor.id) ||
          !clap_version_is_compatible(host->clap_version))
        return nullptr;
      return ClapPlugin::create(host);
    }};

const void* entryFactory(const char* id) { return std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) ? nullptr : &kFactory; }

}  // namespace
}  // namespace drollicant::clap

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry{
    CLAP_VERSION_INIT, drollicant::clap::entryInit, drollicant::clap::entryDeinit, drollicant::clap::entryFactory};
