#pragma once
#include <functional>
#include <memory>

#include "audiounit/DrollicantAudioUnit.h"
#include "hosts/jack/LiveSession.h"

namespace drollicant::jack {

// Runs the effect live until `stopRequested` says so (Ctrl-C), the server goes away, the
// editor window closes or "quit" is read. Reads commands from standard input, one a line:
// "preset N|NAME", "set IDENTIFIER VALUE", "bypass on|off", "quit". Messages go to
// standard error. Returns the exit status: 0 after a requested stop, 1 when JACK could
// not be used or went away.
//
// Threads: the main thread.
int runLive(std::shared_ptr<DrollicantAudioUnit> unit, const LiveOptions& options, bool withEditor,
            const std::function<bool()>& stopRequested);

}  // namespace drollicant::jack
