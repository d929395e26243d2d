#pragma once

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/message_box.h"

class QComboBox;
class QMenu;

namespace platform {

// The dialog font's base units in pixels: the average character width and
// the character height.
struct BaseUnits {
    int x;
    int y;
};
BaseUnits DialogBaseUnits(const QFont& font);
// Dialog units to pixels, rounded as the platform's MulDiv rounds.
QRect MapDialogRect(const QRect& units, BaseUnits base);
// The font a template asks for; a family that is not installed becomes the
// system's sans-serif at the same size.
QFont TemplateFont(const DialogTemplate& tmpl);

QIcon MakeIcon(const IconResource& icon);

// The application's main window: the owner of dialogs and message boxes that
// are given no parent.
void SetMainWindow(QWidget* window);
QWidget* MainWindow();

// Runs `body`, and reports any error it raises in a message box (the icon
// for file, network and other errors is `icon`; memory exhaustion always
// gets its own box). Returns false when an error was reported.
bool RunReportingErrors(const std::function<void()>& body, MessageIcon icon,
                        const char* fallbackText);

// A drop-down list bound to a combo box control by the data exchange. Works on
// byte texts; an unbound list is empty and ignores changes.
class ComboBox {
public:
    void Attach(QComboBox* control) { control_ = control; }
    QComboBox* control() const { return control_; }
    int GetCount() const;
    int GetCurSel() const;  // -1 when nothing is selected
    void SetCurSel(int index);
    int AddString(std::string_view text);  // returns the new entry's index
    void ResetContent();
    std::string GetLBText(int index) const;

private:
    QComboBox* control_ = nullptr;
};

// Values of the system menu's own commands.
inline constexpr unsigned SC_MOVE = 0xF010;
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;
inline constexpr unsigned SC_RESTORE = 0xF120;

class Dialog;

// The window's system menu. Window managers keep their title-bar menus to
// themselves, so a dialog carries its own: the usual entries, acting through
// the window manager, and whatever the program appends. It opens on Alt+Space
// and on a right click on the dialog's free area. A chosen entry runs the
// dialog's OnSysCommand with the entry's value.
class SystemMenu {
public:
    explicit SystemMenu(Dialog& owner);
    ~SystemMenu();
    SystemMenu(const SystemMenu&) = delete;
    SystemMenu& operator=(const SystemMenu&) = delete;

    void AppendSeparator();
    void AppendItem(unsigned id, const std::string& text);
    QMenu* menu() const { return menu_; }

private:
    QMenu* menu_;
};

// One run of the data exchange: direction and dialog.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saveAndValidate) : dialog_(dialog), save_(saveAndValidate) {}
    bool saving() const { return save_; }
    Dialog& dialog() const { return dialog_; }

private:
    Dialog& dialog_;
    bool save_;
};

// Binds `combo` to the combo box control `id` (both directions; no data moves).
void DDX_Control(DataExchange& dx, int id, ComboBox& combo);
// Moves the byte text between `value` and the edit box `id`.
void DDX_Text(DataExchange& dx, int id, std::string& value);

// A modal dialog built from a template. Derived dialogs give their command
// table and their data exchange; a button click runs the command of its id
// through one dispatch that reports the platform's errors.
class Dialog : public QDialog {
    Q_OBJECT
public:
    explicit Dialog(const DialogTemplate* tmpl, QWidget* parent = nullptr);
    ~Dialog() override;

    // Builds the window and its controls and runs OnInitDialog, once.
    // Returns false when there is no template.
    bool Create();
    // Creates the dialog, shows it centred on the screen (or over its owner)
    // and runs it modally. Returns the value given to EndDialog, or -1 when
    // the dialog could not be created.
    int DoModal();
    void EndDialog(int result);

    // Runs the data exchange: controls to members when `saveAndValidate`,
    // members to controls otherwise. An error raised inside is reported with
    // the exclamation-mark icon and the caller goes on; returns false then.
    bool UpdateData(bool saveAndValidate = true);

    QWidget* GetDlgItem(int id) const;
    const DialogTemplate* dialogTemplate() const { return tmpl_; }
    BaseUnits baseUnits() const { return base_; }

    // Runs the command for control `id`, as a click on it does.
    void OnCommand(int id);

    // The window's system menu; nullptr when its template has none.
    SystemMenu* GetSystemMenu() const { return systemMenu_.get(); }
    void ShowSystemMenu(const QPoint& globalPos);
    // Runs a system command, reporting errors as a button command does.
    void SendSysCommand(unsigned id);

protected:
    struct CommandEntry {
        int id;
        void (Dialog::*handler)();
    };
    template <class D>
    static constexpr CommandEntry Command(int id, void (D::*handler)()) {
        return {id, static_cast<void (Dialog::*)()>(handler)};
    }
    virtual std::span<const CommandEntry> Commands() const { return {}; }

    // Called once the controls exist. The base runs an exchange out. Returning
    // true puts the focus on the first tab stop.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();
    // A system command. The default handling restores, moves, minimises or
    // closes the window, and ignores any other value.
    virtual void OnSysCommand(unsigned id);

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    void accept() override;
    void reject() override;

private:
    void CreateControls();
    void NameControlsForAccessibility();

    const DialogTemplate* tmpl_;
    BaseUnits base_{};
    bool created_ = false;
    std::vector<std::pair<int, QWidget*>> items_;
    std::unique_ptr<SystemMenu> systemMenu_;
};

}  // namespace platform
