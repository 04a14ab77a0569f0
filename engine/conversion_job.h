// Converts one form file in place through the temporary file "~form.tmp" of
// its folder, with progress, pumping and abort.
#pragma once

#include <cstdint>
#include <string>

#include "engine/engine_context.h"
#include "engine/run_observer.h"

namespace xpconv {

// File result codes.
inline constexpr int32_t kFormUnchanged = 0;
inline constexpr int32_t kFormConverted = 1;
inline constexpr int32_t kFormFailed = 2;  // aborted or failed

// The fixed name of the temporary file in a form's folder.
inline constexpr const char* kTempFormName = "~form.tmp";

// folder ends in "\" or is empty; file_name is the bare name. Returns 0, 1 or
// 2. Every error is reported with one message box and gives 2. details, when
// given, learns what the job did.
int32_t ConvertFormFile(EngineContext& ctx, const std::string& folder, const std::string& file_name,
                        FormJobDetails* details = nullptr);

}  // namespace xpconv
