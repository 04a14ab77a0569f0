// What every engine routine works with: the host (the windows, or their
// stand-in), the file system and the shared abort flag, and optionally an
// observer of the batch run. All are owned by the caller and outlive the call.
#pragma once

#include "engine/file_system.h"
#include "engine/host.h"
#include "engine/run_observer.h"

namespace xpconv {

struct EngineContext {
  Host& host;
  FileSystem& fs;
  AbortFlag& abort;
  RunObserver* observer = nullptr;
};

}  // namespace xpconv
