#pragma once

#include <stdexcept>

#include <QString>

namespace tavo {

// The one exception type of the program. It carries a German message for the user; database errors
// carry the driver's text. Windows show it in a message box, tavo-cli on stderr.
class TavoError : public std::runtime_error {
public:
    explicit TavoError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace tavo
