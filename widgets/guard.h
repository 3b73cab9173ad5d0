#pragma once
#include <exception>
#include <utility>

#include <QString>

#include "widgets/dialogs.h"

class QWidget;

namespace lovetest {

// Runs one user command; an error that escapes it is shown in the error box,
// so no exception ever crosses the Qt event loop. Returns false on error.
template <typename Command>
bool guarded(QWidget *parent, Command &&command) noexcept
{
    try {
        std::forward<Command>(command)();
        return true;
    } catch (const std::exception &e) {
        try {
            Dialogs::instance().showError(parent, QString::fromUtf8(e.what()));
        } catch (...) {}
    } catch (...) {
        try {
            Dialogs::instance().showError(parent, QStringLiteral("Unknown error"));
        } catch (...) {}
    }
    return false;
}

} // namespace lovetest
