#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>

namespace app {

// What the update server answered.
struct UpdateReply {
    // False when no answer came: no connection, no server, or the time ran out.
    bool answered = false;
    // At most the first 512 bytes of the body, as sent.
    QByteArray body;
};

// One uncached GET of the version file, waiting with the event loop
// running; at most `timeoutMs`. An HTTP error page counts as an answer.
UpdateReply FetchUpdateReply(const QUrl& url, int timeoutMs = 30000);

enum class UpdateVerdict {
    NoConnection,        // nothing came back
    Silent,              // an empty body: nothing to say
    NoUpdate,            // the text is our own version
    InformationLacking,  // 7 characters or more: not a version text
    NewVersion,          // any other text, older or newer
};

// The published version text: the body up to its first zero byte.
QString VersionText(const QByteArray& body);

// Compares the answer byte for byte with our own version; nothing is trimmed.
UpdateVerdict JudgeUpdateReply(const UpdateReply& reply);

// Shows the verdict's message box; on a new version asks whether to open
// the product page and opens it on Yes.
void ReportUpdate(UpdateVerdict verdict, const QString& versionText);

}  // namespace app
