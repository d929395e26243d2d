#include "platform/busy_cursor.h"

#include <QApplication>
#include <QCursor>

namespace platform {

namespace {

int g_count = 0;
// Whether the first show pushed the wait cursor onto the application's
// override stack; the hide to 0 pops it, bringing back the shape below.
bool g_pushed = false;

}  // namespace

void ShowBusyCursor() {
    ++g_count;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
    if (!g_pushed) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        g_pushed = true;
    } else {
        QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

void HideBusyCursor() {
    if (g_count == 0) return;
    --g_count;
    if (g_count == 0 && g_pushed) {
        g_pushed = false;
        if (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
    }
}

int BusyCursorCount() {
    return g_count;
}

}  // namespace platform
