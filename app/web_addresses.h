#pragma once
#include <QString>

namespace app {

// The program's version as the update check and the About box show it.
constexpr char kProgramVersion[] = "1.1.0";

// The published version text on the maker's web site.
QString UpdateUrl();
// The product's web page.
QString ProductPageUrl();

}  // namespace app
