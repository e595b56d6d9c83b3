#include "app/web_addresses.h"

// The maker's host is set when the program is built.
#ifndef CLARIVANE_WEB_HOST
#define CLARIVANE_WEB_HOST "www.clarivane.example"
#endif

namespace app {

QString UpdateUrl() { return QStringLiteral("http://" CLARIVANE_WEB_HOST "/software/clarivaneupdate.txt"); }

QString ProductPageUrl() { return QStringLiteral("http://" CLARIVANE_WEB_HOST "/clarivane/"); }

}  // namespace app
