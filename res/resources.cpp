#include "res/resources.h"

#include <array>

#include "platform/dialog_template.h"
#include "res/resource.h"

namespace res {

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::kNoId;
namespace s = platform;

// Icon 128: an envelope with a warning mark, 32 by 32 and 16 by 16, in colours
// of the 16-colour palette.
const char* const kAppIcon32[] = {
    "32 32 5 1",
    ". c None",
    "k c #000000",
    "w c #FFFFFF",
    "b c #808000",
    "r c #FF0000",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "..kkkwwwwwwwwwwwwwwwwwwwwwwkkk..",
    "..kwwkwwwwwwwwwwwwwwwwwwwwkwwk..",
    "..kwwwkkwwwwwwwwwwwwwwwwkkwwwk..",
    "..kwwwwwkwwwwwwwwwwwwwwkwwwwwk..",
    "..kwwwwwwkwwwwwwwwwwwwkwwwwwwk..",
    "..kwwwwwwwkkwwwwwwwwkkwwwwwwwk..",
    "..kwwwwwwwwwkwwwwwwkwwwwwwwwwk..",
    "..kwwwwwwwwwwkkwwkkwwwwwrwwwwk..",
    "..kwwwwwwwwwwwwkkwwwwrrrrrrrwk..",
    "..kwwwwwwwwwwwwwwwwwrrrrwwrrrk..",
    "..kwwwbwwwbwwwbwwwbrrrrrwwrrrr..",
    "..kwwbwwwbwwwbwwwbrrrrrrwwrrrrr.",
    "..kwbwwwbwwwbwwwbwrrrrrrwwrrrrr.",
    "..kbwwwbwwwbwwwbwwrrrrrrwwrrrrr.",
    "..kwwwbwwwbwwwbwwrrrrrrrwwrrrrrr",
    "..kwwbwwwbwwwbwwwbrrrrrrrrrrrrr.",
    "..kwbwwwbwwwbwwwbwrrrrrrwwrrrrr.",
    "..kbwwwbwwwbwwwbwwrrrrrrwwrrrrr.",
    "..kkkkkkkkkkkkkkkkkrrrrrrrrrrr..",
    "....................rrrrrrrrr...",
    ".....................rrrrrrr....",
    "........................r.......",
    "................................",
    "................................",
};

const char* const kAppIcon16[] = {
    "16 16 5 1",        ". c None",         "k c #000000",      "w c #FFFFFF",
    "b c #808000",      "r c #FF0000",      "................", "................",
    "................", ".kkkkkkkkkkkkkk.", ".kkkwwwwwwwwkkk.", ".kwwkwwwwwwkwwk.",
    ".kwwwkkwwkkwwwk.", ".kwwwwwkkwwwrwk.", ".kwwwwwwwwrrwrr.", ".kwbwwbwwrrrwrrr",
    ".kbwwbwwbrrrwrrr", ".kwwbwwbrrrrwrrr", ".kwbwwbwwrrrrrrr", ".kkkkkkkkrrrwrrr",
    "..........rrrrr.", "............r...",
};
constexpr std::array<const char* const*, 2> kAppIconImages = {kAppIcon32, kAppIcon16};
const platform::IconResource kAppIcon = {IDI_APP, kAppIconImages};

constexpr unsigned kEditStyle =
    s::kVScroll | s::kHScroll | s::kAutoHScroll | s::kSunkenEdge | s::kTabStop;
constexpr unsigned kTopButton = s::kTabStop | s::kRaisedEdge;

const ControlTemplate kTraceControls[] = {
    {ControlKind::kPushButton, IDC_OPEN, "Open", 10, 30, 91, 13, s::kTabStop | s::kDefaultButton},
    {ControlKind::kEdit, IDC_SOURCE_TEXT, "", 10, 45, 185, 166, kEditStyle},
    {ControlKind::kPushButton, IDC_UPDATE, "Update", 155, 216, 40, 13, s::kTabStop},
    {ControlKind::kComboBox, IDC_ROUTE, "", 63, 216, 88, 35, s::kVScroll | s::kTabStop},
    {ControlKind::kPushButton, IDC_CHECK_IP, "Check this IP", 10, 233, 185, 13, s::kTabStop},
    {ControlKind::kEdit, IDC_RESULTS_TEXT, "", 210, 30, 180, 199, kEditStyle | s::kReadOnly},
    {ControlKind::kPushButton, IDC_SEND_COMPLAINT, "Send complaint", 210, 233, 180, 13,
     s::kTabStop},
    {ControlKind::kPushButton, IDC_TUTORIAL, "Tutorial", 5, 2, 63, 17, kTopButton},
    {ControlKind::kPushButton, IDC_ABOUT, "About", 71, 2, 63, 17, kTopButton},
    {ControlKind::kPushButton, IDC_HELP_FILE, "Help", 138, 2, 63, 17, kTopButton},
    {ControlKind::kPushButton, IDC_WEBSITE, "Fenwold Software Website", 205, 2, 108, 17,
     kTopButton},
    {ControlKind::kPushButton, IDC_DONATIONWARE, "Donationware Policy", 317, 2, 78, 17, kTopButton},
    {ControlKind::kGroupBox, kNoId, "Source message", 5, 20, 195, 230, s::kCentre},
    {ControlKind::kStatic, kNoId, "Message route:", 11, 218, 51, 8, s::kGroup},
    {ControlKind::kGroupBox, kNoId, "Results", 205, 20, 190, 230, s::kCentre},
    {ControlKind::kPushButton, IDC_CLEAR_TEXT, "Clear text", 104, 30, 91, 13, s::kTabStop},
};

const DialogTemplate kTraceDialog = {IDD_TRACE_DIALOG,
                                     "Brindle 1.4B",
                                     401,
                                     255,
                                     "MS Sans Serif",
                                     8,
                                     s::kCaption | s::kSystemMenu | s::kMinimizeBox | s::kAppWindow,
                                     kTraceControls};

const ControlTemplate kAboutControls[] = {
    {ControlKind::kIcon, kNoId, "", 7, 7, 21, 20, 0, &kAppIcon},
    {ControlKind::kStatic, kNoId, "Brindle", 35, 7, 56, 8, s::kNoPrefix | s::kGroup},
    {ControlKind::kPushButton, platform::kIdOk, "OK", 106, 29, 119, 14,
     s::kDefaultButton | s::kTabStop | s::kGroup},
    {ControlKind::kStatic, kNoId, "Lead programming: Brindle team", 109, 7, 112, 11,
     s::kCentre | s::kGroup},
    {ControlKind::kStatic, kNoId, "Version 1.4 Beta", 33, 17, 57, 8, s::kGroup},
    {ControlKind::kStatic, kNoId, "Copyright (C) 2026 Fenwold Software", 5, 53, 219, 9,
     s::kCentre | s::kGroup},
    {ControlKind::kStatic, kNoId, "Special thanks to: our contributors", 109, 18, 112, 11,
     s::kCentre | s::kGroup},
    {ControlKind::kPushButton, IDC_ABOUT_DONATIONWARE, "Donationware...", 5, 29, 85, 14,
     s::kTabStop | s::kSunkenEdge},
    {ControlKind::kRule, kNoId, "", 3, 49, 224, 2, s::kSunkenEdge},
    {ControlKind::kRule, kNoId, "", 3, 63, 224, 2, s::kSunkenEdge},
};

const DialogTemplate kAboutDialog = {
    IDD_ABOUT_DIALOG, "About Brindle", 230, 70, "MS Sans Serif", 8, s::kCaption | s::kSystemMenu,
    kAboutControls};

const VersionRecord kVersion = {
    {1, 4, 0, 0},
    {1, 4, 0, 0},
    "application",
    "32-bit Windows",
    "1, 4, 0, 0",
    "1, 4, 0, 0",
    "Brindle",
    "Brindle",
    "Brindle.EXE",
    "Brindle Application",
    "Brindle",
    "Fenwold Software",
    "Copyright (C) 2026 Fenwold Software",
};

}  // namespace

const platform::DialogTemplate* FindDialogTemplate(int id) {
    switch (id) {
        case IDD_TRACE_DIALOG:
            return &kTraceDialog;
        case IDD_ABOUT_DIALOG:
            return &kAboutDialog;
        default:
            return nullptr;
    }
}

std::string LoadString(int id) {
    return id == IDS_ABOUT_MENU ? "&About Brindle..." : "";
}

const platform::IconResource* FindIcon(int id) {
    return id == IDI_APP ? &kAppIcon : nullptr;
}

const VersionRecord& Version() {
    return kVersion;
}

}  // namespace res
