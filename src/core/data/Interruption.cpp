#include "core/data/Interruption.h"

#include <atomic>

namespace tavo {

namespace Interruption {
namespace {

// Lock-free, so that a signal handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

} // namespace

void request() {
    stopRequested.store(true);
}

bool requested() {
    return stopRequested.load();
}

void clear() {
    stopRequested.store(false);
}

Interrupted::Interrupted() : TavoError(QStringLiteral("Abgebrochen; es wurde nichts geschrieben.")) {}

void throwIfRequested() {
    if (requested())
        throw Interrupted();
}

} // namespace Interruption

} // namespace tavo
