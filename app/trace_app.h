#pragma once

// The application object: it runs the main dialog and the program ends when
// that dialog closes.
#include "platform/help.h"

class CTraceApp : public platform::Application {
public:
    // The start routine. Returns false: there is nothing to run after the
    // main dialog.
    bool InitInstance();
};

extern CTraceApp theApp;
