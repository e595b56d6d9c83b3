#pragma once
#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>

// A one-file web server on the loopback interface: every GET gets the same
// status and body. With `answers` off it reads requests and never replies.
class LocalHttpServer : public QObject {
public:
    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { Accept(); });
    }

    QString UrlOf(const QString& path) const {
        return QString("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }

    int status = 200;
    QByteArray body;
    bool answers = true;
    QList<QByteArray> requests;

private:
    void Accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                pending_ += socket->readAll();
                if (!pending_.contains("\r\n\r\n"))
                    return;
                requests.append(pending_);
                pending_.clear();
                if (!answers)
                    return;
                socket->write("HTTP/1.1 " + QByteArray::number(status) + " Reply\r\nContent-Type: text/plain\r\n" +
                              "Content-Length: " + QByteArray::number(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        }
    }

    QTcpServer server_;
    QByteArray pending_;
};
