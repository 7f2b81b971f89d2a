#include "support/loopback_server.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>

namespace lumora::test {
namespace {

/// Sends raw bytes and returns all that comes back before the server closes (or `waitMs` of silence).
QByteArray exchange(quint16 port, const QByteArray& request, int waitMs = 2000) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(waitMs)) return "no connection";
    socket.write(request);
    socket.waitForBytesWritten(waitMs);
    QByteArray answer;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(waitMs))
        answer += socket.readAll();
    return answer + socket.readAll();
}

TEST(LoopbackServer, DefaultAnswerIsAnEmpty404ThatClosesTheConnection) {
    LoopbackServer server;
    EXPECT_EQ(server.baseUrl().toString(), QStringLiteral("http://127.0.0.1:%1/adzan/").arg(server.port()));
    const QByteArray answer = exchange(server.port(), "GET /adzan/ HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 404 ")) << answer.constData();
    EXPECT_TRUE(answer.contains("\r\nContent-Length: 0\r\n")) << answer.constData();
    EXPECT_TRUE(answer.contains("\r\nConnection: close\r\n")) << answer.constData();
    EXPECT_TRUE(answer.endsWith("\r\n\r\n")) << answer.constData();
}

TEST(LoopbackServer, AnswersFromTheHandlerAndRecordsEveryRequestInOrder) {
    LoopbackServer server;
    server.setHandler([](const LoopbackServer::Request& r) {
        return LoopbackServer::Reply{
            .status = 500, .body = "for " + r.target, .contentType = "application/json"};
    });
    const QByteArray answer =
        exchange(server.port(),
                 "GET /adzan/?city=a&month=2024-05 HTTP/1.1\r\nuser-agent: UA 1\r\nAccept: */*\r\n\r\n");
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 500 ")) << answer.constData();
    EXPECT_TRUE(answer.contains("\r\nContent-Type: application/json\r\n")) << answer.constData();
    EXPECT_TRUE(answer.endsWith("\r\n\r\nfor /adzan/?city=a&month=2024-05")) << answer.constData();
    exchange(server.port(), "GET /second HTTP/1.1\r\n\r\n");

    const QList<LoopbackServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/adzan/?city=a&month=2024-05");
    EXPECT_EQ(requests[0].header("User-Agent"), "UA 1");
    EXPECT_EQ(requests[0].header("ACCEPT"), "*/*");
    EXPECT_EQ(requests[0].header("Cookie"), "");
    EXPECT_EQ(requests[1].target, "/second");
    server.clearRequests();
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST(LoopbackServer, NeverAnswersWhenToldAndStillRecordsTheRequest) {
    auto server = std::make_unique<LoopbackServer>();
    server->setHandler([](const LoopbackServer::Request&) {
        LoopbackServer::Reply reply;
        reply.never = true;
        return reply;
    });
    EXPECT_EQ(exchange(server->port(), "GET /adzan/ HTTP/1.1\r\n\r\n", 300), "");
    EXPECT_EQ(server->requests().size(), 1);
    server.reset(); // must not hang on the connection left open
}

// Qt's own client, as the product code uses it: a 404 body is readable and the body arrives whole.
TEST(LoopbackServer, ServesQtNetworkClientsWhileTheTestWaits) {
    LoopbackServer server;
    const QByteArray big(300 * 1024, 'x');
    server.setHandler(
        [&](const LoopbackServer::Request&) { return LoopbackServer::Reply{.status = 404, .body = big}; });
    QNetworkAccessManager nam;
    QNetworkRequest request(server.baseUrl().resolved(QUrl("?city=jakarta")));
    request.setRawHeader("User-Agent", "test agent");
    std::unique_ptr<QNetworkReply> reply(nam.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
    EXPECT_EQ(reply->readAll(), big);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, "/adzan/?city=jakarta");
    EXPECT_EQ(server.requests()[0].header("user-agent"), "test agent");
}

} // namespace
} // namespace lumora::test
