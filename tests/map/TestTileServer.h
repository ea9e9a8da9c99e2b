#pragma once

// A tile server of the test's own on the loopback address: HTTP/1.1, one answer per
// connection, every request recorded. It can be stopped and started again on its port.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>

struct TileServerRequest {
    QByteArray Path;
    QMap<QByteArray, QByteArray> Headers; // names in lower case
};

struct TileServerAnswer {
    int Status = 200;
    QList<QPair<QByteArray, QByteArray>> Headers;
    QByteArray Body;
};

class TestTileServer {
public:
    std::function<TileServerAnswer(const TileServerRequest&)> Answer;
    QList<TileServerRequest> Requests;

    // Listens on port (0: any free one); false when it cannot.
    bool Start(quint16 port = 0) {
        m_server = std::make_unique<QTcpServer>();
        QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                Serve(socket);
            }
        });
        return m_server->listen(QHostAddress::LocalHost, port);
    }
    // Stops listening and drops every open connection: the server is out of reach.
    void Stop() {
        m_server.reset();
    }
    quint16 Port() const { return m_port = m_server ? m_server->serverPort() : m_port; }
    QString Template() const {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(Port());
    }

private:
    void Serve(QTcpSocket* socket) {
        auto* received = new QByteArray;
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, received] {
            delete received;
            socket->deleteLater();
        });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            *received += socket->readAll();
            const qsizetype end = received->indexOf("\r\n\r\n");
            if (end < 0) {
                return;
            }
            const QList<QByteArray> lines = received->left(end).split('\n');
            TileServerRequest request;
            request.Path = lines.value(0).split(' ').value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                request.Headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
            }
            received->clear();
            Requests << request;
            const TileServerAnswer answer = Answer ? Answer(request) : TileServerAnswer{404};
            QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.Status) + " X\r\n";
            for (const auto& [name, value] : answer.Headers) {
                out += name + ": " + value + "\r\n";
            }
            out += "Content-Length: " + QByteArray::number(answer.Body.size()) +
                   "\r\nConnection: close\r\n\r\n" + answer.Body;
            socket->write(out);
            socket->disconnectFromHost();
        });
    }

    std::unique_ptr<QTcpServer> m_server;
    mutable quint16 m_port = 0;
};
