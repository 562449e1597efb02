// The container application's entry: makes its delegate, keeps it for the life of the process
// and hands control to the application's run loop.
#include <memory>

#include "app/AppDelegate.h"
#include "platform/ui/Application.h"

namespace {
// The application holds its delegate weakly; this keeps it alive until the process ends.
std::shared_ptr<drollicant::AppDelegate> appDelegate;
}  // namespace

int main(int argc, char** argv) {
  appDelegate = std::make_shared<drollicant::AppDelegate>();
  platform::NSApplication::sharedApplication()->setDelegate(appDelegate);
  // 0 once the application has terminated; not 0 when it could not start (no display).
  return platform::NSApplicationMain(argc, argv);
}
