// The "Update?" and "About..." buttons.
#include <QApplication>
#include <QUrl>

#include "app/about_form.h"
#include "app/main_window.h"
#include "app/update_check.h"

namespace app {

void TFMain::btUpdateClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const UpdateReply reply = FetchUpdateReply(QUrl(updateUrl));
    const UpdateVerdict verdict = JudgeUpdateReply(reply);
    ReportUpdate(verdict, VersionText(reply.body));
    QApplication::restoreOverrideCursor();
}

void TFMain::btAboutClick() {
    if (FAbout)
        FAbout->exec();
}

}  // namespace app
