#pragma once

class QCoreApplication;

namespace lovetest {

// A session that logs out or a terminal that closes asks the program to end
// with SIGTERM, SIGHUP or SIGINT. These end the event loop instead, so the
// windows close and the database is closed as by the quit command: the file
// is left whole and on its own, without the engine's side files.
void quitOnTerminationSignals(QCoreApplication &app);

} // namespace lovetest
