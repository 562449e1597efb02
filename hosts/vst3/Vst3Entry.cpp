// The VST3 module entry points: one class, found through the plug-in factory.
#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <mutex>

#include "artwork/BundleToken.h"
#include "audiounit/DrollicantAudioUnit.h"
#include "hosts/vst3/Vst3Identity.h"
#include "hosts/vst3/Vst3Interface.h"
#include "hosts/vst3/Vst3Plugin.h"

namespace drollicant::vst3 {
namespace {

std::once_flag bundleOnce;

// The module lives in Drollicant.vst3/Contents/<arch>-linux/; Contents/ holds Info.plist
// and Resources/, as a bundle does, so it is the bundle of the unit and the artwork.
void pointClassesAtBundle() {
  std::call_once(bundleOnce, [] {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<const void*>(&pointClassesAtBundle), &info) || !info.dli_fname) return;
    const auto contents = std::filesystem::path(info.dli_fname).parent_path().parent_path();
    const auto bundle = platform::NSBundle::bundleWithURL(contents);
    if (!bundle) return;
    platform::NSBundle::setBundleForClassOverride(DrollicantAudioUnit::classToken(), bundle);
    platform::NSBundle::setBundleForClassOverride(BundleToken::token(), bundle);
  });
}

void fillClassInfo(v3_class_info* info) {
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->class_id, kPluginIdentity.vst3ClassId.data(), sizeof(v3_tuid));
  info->cardinality = 0x7FFFFFFF;
  std::strncpy(info->category, kCategory, sizeof info->category - 1);
  std::strncpy(info->name, kPluginIdentity.name, sizeof info->name - 1);
}

void fillClassInfo2(v3_class_info_2* info) {
  std::memset(info, 0, sizeof *info);
  std::memcpy(info->class_id, kPluginIdentity.vst3ClassId.data(), sizeof(v3_tuid));
  info->cardinality = 0x7FFFFFFF;
  std::strncpy(info->category, kCategory, sizeof info->category - 1);
  std::strncpy(info->name, kPluginIdentity.name, sizeof info->name - 1);
  std::strncpy(info->sub_categories, kSubCategories, sizeof info->sub_categories - 1);
  std::strncpy(info->vendor, kPluginIdentity.maker, sizeof info->vendor - 1);
  std::strncpy(info->version, DROLLICANT_VERSION, sizeof info->version - 1);
  std::strncpy(info->sdk_version, kSdkVersion, sizeof info->sdk_version - 1);
}

v3_result V3_API query(void* self, const v3_tuid iid, void** obj) {
  if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_factory_iid) ||
      v3_tuid_match(iid, v3_plugin_factory_2_iid)) {
    *obj = self;
    return V3_OK;
  }
  *obj = nullptr;
  return V3_NO_INTERFACE;
}

// The factory is static: references do not change its life.
uint32_t V3_API noRef(void*) { return 1; }

constexpr v3_plugin_factory_2 kFactoryTable2{};

struct FactoryTable {
  v3_funknown unknown;
  v3_plugin_factory factory;
  v3_result(V3_API* get_class_info_2)(void*, int32_t, v3_class_info_2*);
};

constexpr FactoryTable kFactoryTable{
    {query, noRef, noRef},
    {[](void*, v3_factory_info* info) -> v3_result {
       std::memset(info, 0, sizeof *info);
       std::strncpy(info->vendor, kPluginIdentity.maker, sizeof info->vendor - 1);
       info->flags = 0x10;  // unicode
       return V3_OK;
     },
     [](void*) -> int32_t { return 1; },
     [](void*, int32_t index, v3_class_info* info) -> v3_result {
       if (index != 0) return V3_INVALID_ARG;
       fillClassInfo(info);
       return V3_OK;
     },
     [](void*, const v3_tuid classId, const v3_tuid iid, void** instance) -> v3_result {
       *instance = nullptr;
       if (!isOurClass(classId)) return V3_NO_INTERFACE;
       pointClassesAtBundle();
       Vst3Plugin* plugin = Vst3Plugin::create();
       if (!plugin) return V3_INTERNAL_ERR;
       *instance = plugin->queryInterface(iid);
       plugin->unref();  // the interface handed out holds the only reference
       return *instance ? V3_OK : V3_NO_INTERFACE;
     }},
    [](void*, int32_t index, v3_class_info_2* info) -> v3_result {
      if (index != 0) return V3_INVALID_ARG;
      fillClassInfo2(info);
      return V3_OK;
    }};

const FactoryTable* const kFactory = &kFactoryTable;

}  // namespace
}  // namespace drollicant::vst3

extern "C" {
__attribute__((visibility("default"))) void* GetPluginFactory() {
  return const_cast<drollicant::vst3::FactoryTable**>(&drollicant::vst3::kFactory);
}
__attribute__((visibility("default"))) bool ModuleEntry(void*) { return true; }
__attribute__((visibility("default"))) bool ModuleExit() { return true; }
}
