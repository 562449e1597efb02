#pragma once
// The plug-in editor's base class and the audio unit factory role a host asks it to play:
// the host creates the controller, calls the factory (on a thread of its choosing) and then
// shows the controller's view.
#include <memory>

#include "platform/au/AUAudioUnit.h"
#include "platform/au/AudioTypes.h"
#include "platform/foundation/NSError.h"
#include "platform/ui/View.h"

namespace platform {

class AUAudioUnitFactory {
public:
  virtual ~AUAudioUnitFactory() = default;
  // The new unit, or null with the error stored in *outError when the caller gave a place.
  virtual std::shared_ptr<AUAudioUnit> createAudioUnitWithComponentDescription(
      const AudioComponentDescription& description, NSError* outError) = 0;
};

class AUViewController : public NSViewController {};

}  // namespace platform
