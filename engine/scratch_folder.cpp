#include "engine/scratch_folder.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>

namespace xpconv {

ScratchFolder::ScratchFolder() {
  try {
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100 && native_.empty(); ++attempt) {
      std::filesystem::path candidate =
          temp / ("xpconvert-" + std::to_string(stamp) + "-" + std::to_string(attempt));
      if (!std::filesystem::create_directory(candidate)) continue;
      native_ = candidate;
      // The converted forms are for this user alone.
      std::filesystem::permissions(native_, std::filesystem::perms::owner_all);
      engine_path_ = native_.string();
      std::replace(engine_path_.begin(), engine_path_.end(), '/', '\\');
    }
  } catch (const std::exception&) {
    engine_path_.clear();
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!native_.empty()) std::filesystem::remove_all(native_, ignored);
}

}  // namespace xpconv
