// The whole conversion of a project's selected forms: what the wizard's
// "&Starten" button does.
#pragma once

#include "engine/engine_context.h"

namespace xpconv {

void RunConversion(EngineContext& ctx);

}  // namespace xpconv
