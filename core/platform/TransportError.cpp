#include "core/platform/TransportError.h"

TransportError::TransportError(QNetworkReply::NetworkError code, QString message, bool timedOut)
    : m_code(code), m_message(std::move(message)), m_timedOut(timedOut) {}

QString TransportError::errorDescription() const { return m_message; }
