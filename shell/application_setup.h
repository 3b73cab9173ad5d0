#pragma once

class QApplication;

namespace lovetest {

// What every start of the program does before its windows exist: the
// program's name and icon, Qt's own Chinese translations on a Chinese
// system, and fonts for the Windows faces the windows name
// ("宋体", "MS Sans Serif"), mapped to an installed Chinese font so that
// Chinese text shows everywhere.
void setUpApplication(QApplication &app);

} // namespace lovetest
