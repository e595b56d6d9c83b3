#include <QtTest>

#include "app/update_check.h"
#include "app/web_addresses.h"
#include "app_test_main.h"
#include "local_http_server.h"
#include "message_log.h"
#include "url_catcher.h"

using namespace app;

// A server's reply, the user's answer to the question (0: no question) and what the user sees.
struct Reply {
    int status = 200;
    QByteArray body;
    int answer = 0;
    QString message;
    bool opensPage = false;
};

class UpdateCheckTest : public QObject {
    Q_OBJECT

private slots:
    void eachServerAnswerGetsItsMessage_data() {
        QTest::addColumn<Reply>("r");
        const QString lacking = "Cannot check for updates...\n\nThe right information seems to be lacking on the "
                                "update server.\n\nPlease try again later.";
        const QString latest = "No update of Clarivane is available.\n\nYou are using the latest version.";
        auto question = [](const QString& text) {
            return "A new version (" + text + ") of Clarivane is available.\n\nDo you want to download it now?";
        };
        const int no = platform::IDNO;
        QTest::newRow("own version") << Reply{200, "1.1.0", 0, latest};
        QTest::newRow("own version and line feed") << Reply{200, "1.1.0\n", no, question("1.1.0\n")};
        QTest::newRow("own version and CR LF") << Reply{200, "1.1.0\r\n", 0, lacking};
        QTest::newRow("newer, declined") << Reply{200, "1.2.0", no, question("1.2.0")};
        QTest::newRow("newer, accepted") << Reply{200, "1.2.0", platform::IDYES, question("1.2.0"), true};
        QTest::newRow("older is offered too") << Reply{200, "1.0", no, question("1.0")};
        QTest::newRow("six characters") << Reply{200, "1.10.1", no, question("1.10.1")};
        QTest::newRow("seven characters") << Reply{200, "1.10.10", 0, lacking};
        QTest::newRow("text ends at a zero byte")
            << Reply{200, QByteArray("1.3\0garbage-after", 17), no, question("1.3")};
        QTest::newRow("error page") << Reply{404, "<html><body>Not Found</body></html>", 0, lacking};
        QTest::newRow("empty body") << Reply{200, QByteArray(), 0, QString()};
    }

    void eachServerAnswerGetsItsMessage() {
        QFETCH(Reply, r);
        LocalHttpServer server;
        server.status = r.status;
        server.body = r.body;
        MessageLog log;
        if (r.answer)
            log.answers.push_back(r.answer);
        catcher_.opened.clear();

        const UpdateReply reply = FetchUpdateReply(QUrl(server.UrlOf("/software/clarivaneupdate.txt")));
        ReportUpdate(JudgeUpdateReply(reply), VersionText(reply.body));

        QCOMPARE(server.requests.size(), 1);
        QVERIFY(server.requests.first().startsWith("GET /software/clarivaneupdate.txt "));
        QVERIFY(server.requests.first().contains("User-Agent: Clarivane\r\n"));
        QVERIFY(server.requests.first().toLower().contains("cache-control: no-cache"));
        if (r.message.isEmpty()) {
            QCOMPARE(log.messages.size(), size_t(0));
        } else {
            QCOMPARE(log.messages.size(), size_t(1));
            QCOMPARE(QString::fromStdString(log.messages[0].text), r.message);
            QCOMPARE(log.messages[0].caption, std::string("Update check"));
            const unsigned buttons = r.answer ? platform::MB_YESNO : platform::MB_OK;
            QCOMPARE(log.messages[0].flags, buttons | platform::MB_ICONINFORMATION);
        }
        QCOMPARE(catcher_.opened, r.opensPage ? QList<QUrl>{QUrl(ProductPageUrl())} : QList<QUrl>{});
    }

    void noServerOrNoAnswerMeansNoConnection_data() {
        QTest::addColumn<bool>("serverListens");
        QTest::newRow("nothing listens") << false;
        QTest::newRow("server never answers") << true;
    }

    void noServerOrNoAnswerMeansNoConnection() {
        QFETCH(bool, serverListens);
        QString url;
        std::unique_ptr<LocalHttpServer> server;
        if (serverListens) {
            server = std::make_unique<LocalHttpServer>();
            server->answers = false;
            url = server->UrlOf("/software/clarivaneupdate.txt");
        } else {
            // A port that was free a moment ago and is closed now.
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            url = QString("http://127.0.0.1:%1/software/clarivaneupdate.txt").arg(probe.serverPort());
        }
        MessageLog log;
        const UpdateReply reply = FetchUpdateReply(QUrl(url), 500);
        QVERIFY(!reply.answered);
        ReportUpdate(JudgeUpdateReply(reply), VersionText(reply.body));
        QCOMPARE(log.messages.size(), size_t(1));
        QVERIFY(log.messages[0].text.rfind("Cannot check for updates...\n\nYou might be disconnected", 0) == 0);
    }

    void readsAtMostTheFirst512Bytes() {
        LocalHttpServer server;
        server.body = QByteArray(700, 'x');
        const UpdateReply reply = FetchUpdateReply(QUrl(server.UrlOf("/v.txt")));
        QVERIFY(reply.answered);
        QCOMPARE(reply.body.size(), 512);
    }

private:
    UrlCatcher catcher_;
};

CLARIVANE_APP_TEST_MAIN(UpdateCheckTest)
#include "update_check_test.moc"
