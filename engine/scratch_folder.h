// A folder of its own under the system's temporary folder, for the bytes a
// preview writes (OverlayFileSystem's scratch folder); removed with
// everything in it when the object dies.
#pragma once

#include <filesystem>
#include <string>

namespace xpconv {

class ScratchFolder {
 public:
  // Made at once; EnginePath() is empty when none can be made, and the
  // preview's bytes then stay in memory.
  ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  // The folder as an engine path, without trailing backslash.
  const std::string& EnginePath() const { return engine_path_; }

 private:
  std::filesystem::path native_;
  std::string engine_path_;
};

}  // namespace xpconv
