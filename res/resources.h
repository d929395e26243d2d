#pragma once

#include <string>

#include "platform/dialog_template.h"

namespace res {

// The dialog template with this number, or nullptr when there is none.
const platform::DialogTemplate* FindDialogTemplate(int id);

// The string with this number; empty when there is none.
std::string LoadString(int id);

// The icon with this number, or nullptr when there is none.
const platform::IconResource* FindIcon(int id);

// The program's version record.
struct VersionRecord {
    int fileVersion[4];
    int productVersion[4];
    const char* fileType;
    const char* operatingSystem;
    const char* fileVersionText;
    const char* productVersionText;
    const char* fileDescription;
    const char* internalName;
    const char* originalFilename;
    const char* productName;
    const char* legalTrademarks;
    const char* companyName;
    const char* legalCopyright;
};
const VersionRecord& Version();

}  // namespace res
