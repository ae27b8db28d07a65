#pragma once

#include <QString>

#include "core/data/TavoError.h"

namespace tavo {

// A save refused because the stored project is no longer the one the window loaded: someone else
// saved it meanwhile (Changed), or deleted it (Deleted). Nothing of the refused save was written.
class RecordConflict : public TavoError {
public:
    enum class Kind { Changed, Deleted };

    RecordConflict(Kind kind, const QString& message) : TavoError(message), m_kind(kind) {}

    Kind kind() const noexcept { return m_kind; }
    bool isDeleted() const noexcept { return m_kind == Kind::Deleted; }

private:
    Kind m_kind;
};

} // namespace tavo
