#pragma once

#include <QString>
#include <stdexcept>

// The one way the core reports a failure to its caller: an exception whose message is
// written for the operator and can be shown as it stands.
class clsStationError : public std::runtime_error {
public:
    explicit clsStationError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    const QString& Message() const { return m_message; }

private:
    QString m_message;
};
