#pragma once

#include "download/FailureNumber.h"

#include <QString>
#include <exception>

// A refused call of the transfer component or a failure inside the wrapper:
// the number is looked up in clsInet::InetErrDescription, the description is
// shown next to it.
class InetError final : public std::exception
{
public:
    InetError(qint32 number, QString description)
        : m_number(number), m_description(std::move(description)), m_what(m_description.toUtf8())
    {
    }
    InetError(FailureNumber number, QString description)
        : InetError(numberOf(number), std::move(description))
    {
    }

    qint32 number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number = 0;
    QString m_description;
    QByteArray m_what;
};
