#pragma once

#include "core/data/TavoError.h"

namespace tavo {

// A request to stop long work early (Ctrl+C in tavo-cli). request() may be called from a signal
// handler or any thread; the work checks requested() at points where stopping leaves nothing half
// done: a calculation run before it commits (it rolls back), a scenario range between two runs.
namespace Interruption {

void request();
bool requested();
// Forgets a request (for tests and for a new piece of work).
void clear();

// Thrown by work that stopped on a request; what it had begun is rolled back.
class Interrupted : public TavoError {
public:
    Interrupted();
};

// Throws Interrupted when a stop was requested.
void throwIfRequested();

} // namespace Interruption

} // namespace tavo
