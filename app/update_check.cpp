#include "app/update_check.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "app/web_addresses.h"
#include "platform/message_box.h"

namespace app {

namespace {

constexpr qint64 kReadLimit = 512;
constexpr qsizetype kLongestVersionText = 6;
const char* const kCaption = "Update check";

}  // namespace

UpdateReply FetchUpdateReply(const QUrl& url, int timeoutMs) {
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, "Clarivane");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    QNetworkReply* reply = network.get(request);

    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    limit.start(timeoutMs);
    if (!reply->isFinished())
        wait.exec(QEventLoop::ExcludeUserInputEvents);

    UpdateReply result;
    // A status code means the server answered, even with an error page.
    const bool finished = reply->isFinished();
    if (finished && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        result.answered = true;
        result.body = reply->read(kReadLimit);
    }
    if (!finished)
        reply->abort();
    delete reply;
    return result;
}

QString VersionText(const QByteArray& body) {
    const qsizetype end = body.indexOf('\0');
    return QString::fromLatin1(end < 0 ? body : body.left(end));
}

UpdateVerdict JudgeUpdateReply(const UpdateReply& reply) {
    if (!reply.answered)
        return UpdateVerdict::NoConnection;
    if (reply.body.isEmpty())
        return UpdateVerdict::Silent;
    const QString text = VersionText(reply.body);
    if (text == kProgramVersion)
        return UpdateVerdict::NoUpdate;
    if (text.size() > kLongestVersionText)
        return UpdateVerdict::InformationLacking;
    return UpdateVerdict::NewVersion;
}

void ReportUpdate(UpdateVerdict verdict, const QString& versionText) {
    using namespace platform;
    switch (verdict) {
        case UpdateVerdict::NoConnection:
            MessageBox("Cannot check for updates...\n\nYou might be disconnected from the Internet or the update "
                       "server might be down.\n\nPlease try again later.",
                       kCaption, MB_ICONINFORMATION);
            return;
        case UpdateVerdict::Silent: return;
        case UpdateVerdict::NoUpdate:
            MessageBox("No update of Clarivane is available.\n\nYou are using the latest version.", kCaption,
                       MB_ICONINFORMATION);
            return;
        case UpdateVerdict::InformationLacking:
            MessageBox("Cannot check for updates...\n\nThe right information seems to be lacking on the update "
                       "server.\n\nPlease try again later.",
                       kCaption, MB_ICONINFORMATION);
            return;
        case UpdateVerdict::NewVersion: {
            const std::string question = "A new version (" + versionText.toStdString() +
                                         ") of Clarivane is available.\n\nDo you want to download it now?";
            if (MessageBox(question, kCaption, MB_YESNO | MB_ICONINFORMATION) == IDYES)
                QDesktopServices::openUrl(QUrl(ProductPageUrl()));
            return;
        }
    }
}

}  // namespace app
