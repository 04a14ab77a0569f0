// What every engine routine works with: the host (the windows, or their
// stand-in), the file system and the shared abort flag, and optionally an
// observer of the batch run and a code check it makes. All are owned by the
// caller and outlive the call.
#pragma once

#include "engine/file_system.h"
#include "engine/host.h"
#include "engine/run_observer.h"

namespace xpconv {

struct CodeCheckRequest;

struct EngineContext {
  Host& host;
  FileSystem& fs;
  AbortFlag& abort;
  RunObserver* observer = nullptr;
  // A check of the project's code that a batch run makes at its end
  // (engine/code_check.h); none when null.
  CodeCheckRequest* code_check = nullptr;
};

}  // namespace xpconv
