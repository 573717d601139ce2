#include "testing/FakeHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace {

QString routeKey(const QByteArray& method, const QString& path) {
  return QString::fromLatin1(method.toUpper()) + u' ' + path;
}

QByteArray reasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 201:
      return "Created";
    case 204:
      return "No Content";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

std::optional<QByteArray> findHeader(const QList<std::pair<QByteArray, QByteArray>>& headers,
                                     QByteArrayView name) {
  for (const auto& [key, value] : headers) {
    if (key.compare(name, Qt::CaseInsensitive) == 0) {
      return value;
    }
  }
  return std::nullopt;
}

QString formDecode(QByteArray text) {
  text.replace('+', ' ');
  return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
}

}  // namespace

std::optional<QByteArray> RecordedRequest::header(QByteArrayView name) const {
  return findHeader(headers, name);
}

std::optional<QString> RecordedRequest::queryItem(const QString& name) const {
  const QUrlQuery items(query);
  if (!items.hasQueryItem(name)) {
    return std::nullopt;
  }
  return items.queryItemValue(name, QUrl::FullyDecoded);
}

QList<std::pair<QString, QString>> RecordedRequest::formItems() const {
  QList<std::pair<QString, QString>> items;
  if (body.isEmpty()) {
    return items;
  }
  for (const QByteArray& pair : body.split('&')) {
    const qsizetype equals = pair.indexOf('=');
    if (equals < 0) {
      items.append({formDecode(pair), QString()});
    } else {
      items.append({formDecode(pair.left(equals)), formDecode(pair.mid(equals + 1))});
    }
  }
  return items;
}

std::optional<QString> RecordedRequest::formValue(const QString& name) const {
  for (const auto& [key, value] : formItems()) {
    if (key == name) {
      return value;
    }
  }
  return std::nullopt;
}

ScriptedReply ScriptedReply::json(int status, const QByteArray& body) {
  return text(status, body, "application/json; charset=UTF-8");
}

ScriptedReply ScriptedReply::text(int status, const QByteArray& body,
                                  const QByteArray& contentType) {
  ScriptedReply reply;
  reply.status = status;
  reply.headers.append({"Content-Type", contentType});
  reply.body = body;
  return reply;
}

FakeHttpServer::FakeHttpServer(QObject* parent) : QObject(parent) {
  connect(&m_server, &QTcpServer::newConnection, this, &FakeHttpServer::onNewConnection);
  if (!m_server.listen(QHostAddress::LocalHost, 0)) {
    qFatal("FakeHttpServer: cannot listen on 127.0.0.1: %s", qPrintable(m_server.errorString()));
  }
}

FakeHttpServer::~FakeHttpServer() {
  m_server.close();
  const auto sockets = m_connections.keys();
  for (QTcpSocket* socket : sockets) {
    socket->disconnect(this);
    socket->abort();
  }
}

quint16 FakeHttpServer::port() const { return m_server.serverPort(); }

QUrl FakeHttpServer::baseUrl() const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

QUrl FakeHttpServer::url(const QString& pathAndQuery) const {
  return QUrl(baseUrl().toString() + pathAndQuery);
}

void FakeHttpServer::setReply(const QByteArray& method, const QString& path, ScriptedReply reply) {
  Route& route = m_routes[routeKey(method, path)];
  route.handler = nullptr;
  route.queue = {std::move(reply)};
}

void FakeHttpServer::enqueueReply(const QByteArray& method, const QString& path,
                                  ScriptedReply reply) {
  Route& route = m_routes[routeKey(method, path)];
  route.handler = nullptr;
  route.queue.append(std::move(reply));
}

void FakeHttpServer::setHandler(const QByteArray& method, const QString& path, Handler handler) {
  Route& route = m_routes[routeKey(method, path)];
  route.queue.clear();
  route.handler = std::move(handler);
}

void FakeHttpServer::clearRoutes() { m_routes.clear(); }

QList<RecordedRequest> FakeHttpServer::requests(const QByteArray& method,
                                                const QString& path) const {
  QList<RecordedRequest> matching;
  for (const RecordedRequest& request : m_requests) {
    if (request.method == method.toUpper() && request.path == path) {
      matching.append(request);
    }
  }
  return matching;
}

void FakeHttpServer::onNewConnection() {
  while (QTcpSocket* socket = m_server.nextPendingConnection()) {
    m_connections.insert(socket, Connection{});
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
      m_connections.remove(socket);
      socket->deleteLater();
    });
  }
}

void FakeHttpServer::onReadyRead(QTcpSocket* socket) {
  auto it = m_connections.find(socket);
  if (it == m_connections.end()) {
    return;
  }
  QByteArray& buffer = it->buffer;
  buffer += socket->readAll();

  const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
  if (headerEnd < 0) {
    return;
  }
  const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
  const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
  if (requestLine.size() < 3) {
    write(socket, ScriptedReply::text(400, "malformed request line"));
    return;
  }

  RecordedRequest request;
  request.method = requestLine.at(0).toUpper();
  request.target = requestLine.at(1);
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines.at(i).trimmed();
    const qsizetype colon = line.indexOf(':');
    if (colon > 0) {
      request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
  }
  const qsizetype length = request.header("Content-Length").value_or("0").toLongLong();
  if (buffer.size() < headerEnd + 4 + length) {
    return;  // the body is still on its way
  }
  request.body = buffer.mid(headerEnd + 4, length);
  buffer.remove(0, headerEnd + 4 + length);

  const qsizetype mark = request.target.indexOf('?');
  const QByteArray rawPath = mark < 0 ? request.target : request.target.left(mark);
  request.query = mark < 0 ? QString() : QString::fromLatin1(request.target.mid(mark + 1));
  request.path = QString::fromUtf8(QByteArray::fromPercentEncoding(rawPath));

  m_requests.append(request);
  Q_EMIT requestReceived(request);
  answer(socket, request);
}

void FakeHttpServer::answer(QTcpSocket* socket, const RecordedRequest& request) {
  const ScriptedReply reply = replyFor(request);
  if (reply.delay.count() > 0) {
    QTimer::singleShot(reply.delay, socket, [socket, reply] { write(socket, reply); });
  } else {
    write(socket, reply);
  }
}

ScriptedReply FakeHttpServer::replyFor(const RecordedRequest& request) {
  auto it = m_routes.find(routeKey(request.method, request.path));
  if (it == m_routes.end()) {
    return ScriptedReply::text(
        404, "no scripted reply for " + request.method + ' ' + request.path.toUtf8());
  }
  if (it->handler) {
    return it->handler(request);
  }
  if (it->queue.isEmpty()) {
    return ScriptedReply::text(404, "script exhausted");
  }
  return it->queue.size() > 1 ? it->queue.takeFirst() : it->queue.first();
}

void FakeHttpServer::write(QTcpSocket* socket, const ScriptedReply& reply) {
  if (reply.dropConnection) {
    socket->abort();
    return;
  }
  QByteArray out =
      "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
  for (const auto& [name, value] : reply.headers) {
    out += name + ": " + value + "\r\n";
  }
  if (!findHeader(reply.headers, "Content-Length")) {
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
  }
  out += "Connection: close\r\n\r\n";
  out += reply.body;
  socket->write(out);
  socket->disconnectFromHost();
}
