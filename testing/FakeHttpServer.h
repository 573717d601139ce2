#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <chrono>
#include <functional>
#include <optional>
#include <utility>

class QTcpSocket;

// A request as the fake server received it.
struct RecordedRequest {
  QByteArray method;
  QByteArray target;  // the request line's target, exactly as sent
  QString path;       // decoded path of the target
  QString query;      // the target's query, still percent-encoded, without "?"
  QList<std::pair<QByteArray, QByteArray>> headers;
  QByteArray body;

  std::optional<QByteArray> header(QByteArrayView name) const;  // letter case ignored
  // Value of the first query item with that name, decoded.
  std::optional<QString> queryItem(const QString& name) const;
  // The body read as application/x-www-form-urlencoded: decoded pairs in body order.
  QList<std::pair<QString, QString>> formItems() const;
  std::optional<QString> formValue(const QString& name) const;
};

// What the server answers to one request.
struct ScriptedReply {
  int status = 200;
  QList<std::pair<QByteArray, QByteArray>> headers;
  QByteArray body;
  std::chrono::milliseconds delay{0};  // wait this long before answering
  bool dropConnection = false;         // close the connection without any answer

  static ScriptedReply json(int status, const QByteArray& body);
  static ScriptedReply text(int status, const QByteArray& body,
                            const QByteArray& contentType = "text/plain");
};

// A scripted HTTP/1.1 server on 127.0.0.1 for tests. Replies are registered per method and
// path; each request takes the next queued reply of its route, and the last one stays for
// every request after it. Unscripted routes answer 404. Every request is recorded.
class FakeHttpServer : public QObject {
  Q_OBJECT

 public:
  using Handler = std::function<ScriptedReply(const RecordedRequest&)>;

  explicit FakeHttpServer(QObject* parent = nullptr);
  ~FakeHttpServer() override;

  quint16 port() const;
  QUrl baseUrl() const;  // http://127.0.0.1:<port>
  QUrl url(const QString& pathAndQuery) const;

  // Replaces the route's script with this one reply.
  void setReply(const QByteArray& method, const QString& path, ScriptedReply reply);
  // Appends a reply to the route's queue.
  void enqueueReply(const QByteArray& method, const QString& path, ScriptedReply reply);
  // Computes the reply from the request; replaces any queued replies of the route.
  void setHandler(const QByteArray& method, const QString& path, Handler handler);
  void clearRoutes();

  QList<RecordedRequest> requests() const { return m_requests; }
  QList<RecordedRequest> requests(const QByteArray& method, const QString& path) const;
  void clearRequests() { m_requests.clear(); }

 Q_SIGNALS:
  void requestReceived(const RecordedRequest& request);

 private:
  struct Route {
    QList<ScriptedReply> queue;
    Handler handler;
  };
  struct Connection {
    QByteArray buffer;
  };

  void onNewConnection();
  void onReadyRead(QTcpSocket* socket);
  void answer(QTcpSocket* socket, const RecordedRequest& request);
  ScriptedReply replyFor(const RecordedRequest& request);
  static void write(QTcpSocket* socket, const ScriptedReply& reply);

  QTcpServer m_server;
  QHash<QString, Route> m_routes;  // key: method + " " + path
  QHash<QTcpSocket*, Connection> m_connections;
  QList<RecordedRequest> m_requests;
};
