#pragma once

#include "core/engine/EngineInput.h"
#include "core/engine/EngineResult.h"

namespace tavo {

// Calculates the project of input in memory, without touching a database: every step in its order,
// the own-funds rows removed. Throws TavoError with the run's German messages, also when the amounts
// or the population add up beyond the range of a double. Safe to call on several threads at once.
EngineResult calculate(const EngineInput& input);

} // namespace tavo
