#pragma once

#include <span>

namespace platform {

// Dialog templates as data, laid out in dialog units: a horizontal unit is a
// quarter of the dialog font's average character width, a vertical unit an
// eighth of its height.

enum class ControlKind { kPushButton, kEdit, kComboBox, kGroupBox, kStatic, kIcon, kRule };

// Control styles that change behaviour or look.
enum ControlStyle : unsigned {
    kTabStop = 1u << 0,
    kGroup = 1u << 1,
    kDefaultButton = 1u << 2,
    kReadOnly = 1u << 3,
    kWantReturn = 1u << 4,  // a multi-line edit that takes Enter as a line break
    kVScroll = 1u << 5,
    kHScroll = 1u << 6,
    kAutoHScroll = 1u << 7,  // lines are not wrapped
    kSunkenEdge = 1u << 8,
    kRaisedEdge = 1u << 9,
    kCentre = 1u << 10,
    kNoPrefix = 1u << 11,  // ampersands are shown as typed
    kSort = 1u << 12,
};

// Window styles of a dialog.
enum DialogStyle : unsigned {
    kCaption = 1u << 0,
    kSystemMenu = 1u << 1,
    kMinimizeBox = 1u << 2,
    kMaximizeBox = 1u << 3,
    kAppWindow = 1u << 4,  // has a taskbar entry of its own
};

inline constexpr int kNoId = -1;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// An icon resource: its number and its images, each in XPM form.
struct IconResource {
    int id;
    std::span<const char* const* const> images;
};

struct ControlTemplate {
    ControlKind kind;
    int id;
    const char* caption;
    int x, y, cx, cy;
    unsigned style;
    const IconResource* icon = nullptr;  // for ControlKind::kIcon
};

struct DialogTemplate {
    int id;
    const char* caption;
    int cx, cy;  // size of the client area
    const char* fontName;
    int pointSize;
    unsigned style;
    std::span<const ControlTemplate> controls;  // creation order = tab order
};

}  // namespace platform
