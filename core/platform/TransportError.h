#pragma once

#include "core/model/AppError.h"

#include <QNetworkReply>
#include <QString>

// A request that got no usable HTTP answer: no network, refused connection, TLS failure,
// time-out, a connection lost halfway. The description is the network layer's own message.
class TransportError : public AppError {
 public:
  TransportError(QNetworkReply::NetworkError code, QString message, bool timedOut = false);

  QString errorDescription() const override;
  QNetworkReply::NetworkError code() const { return m_code; }
  bool isTimeout() const { return m_timedOut; }

 private:
  QNetworkReply::NetworkError m_code;
  QString m_message;
  bool m_timedOut;
};
