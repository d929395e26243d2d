#pragma once

#include <QApplication>
#include <cstdlib>

// The one application object that a fuzz target with widgets needs, on the
// offscreen platform unless the caller chose another. libFuzzer's own
// arguments are kept from Qt.
inline void StartOffscreenApplication() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "brindle-fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}
