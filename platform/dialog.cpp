#include "platform/dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStringList>
#include <QWindow>
#include <new>

#include "platform/codepage.h"
#include "platform/edit_box.h"
#include "platform/errors.h"
#include "platform/help.h"

namespace platform {

namespace {

int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

QString Caption(const char* text) {
    return QString::fromLatin1(text ? text : "");
}

// A caption as a screen reader should say it: without the mnemonic marks.
QString SpokenCaption(const ControlTemplate& c) {
    QString text = Caption(c.caption);
    if (!(c.style & kNoPrefix) && c.kind != ControlKind::kGroupBox) {
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        text.remove(u'&');
        text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    }
    return text;
}

void ReportCurrentError(MessageIcon icon, const char* fallbackText) {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        MessageBox("Out of memory.", MessageIcon::kExclamation, true);
    } catch (const FileError& e) {
        MessageBox(FileErrorText(e.cause(), e.path()), icon);
    } catch (const NetworkError& e) {
        MessageBox(e.text().empty() ? std::string("Internal application error.") : e.text(), icon);
    } catch (const std::exception& e) {
        const char* what = e.what();
        MessageBox(what != nullptr && *what != '\0' ? what : fallbackText, icon);
    } catch (...) {
        MessageBox(fallbackText, icon);
    }
}

}  // namespace

BaseUnits DialogBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, fm.height()};
}

QRect MapDialogRect(const QRect& units, BaseUnits base) {
    const int left = MulDiv(units.x(), base.x, 4);
    const int top = MulDiv(units.y(), base.y, 8);
    const int right = MulDiv(units.x() + units.width(), base.x, 4);
    const int bottom = MulDiv(units.y() + units.height(), base.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

QFont TemplateFont(const DialogTemplate& tmpl) {
    const QString family = Caption(tmpl.fontName);
    QFont font(family, tmpl.pointSize);
    if (!QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
        font = QFont(QStringLiteral("Sans Serif"), tmpl.pointSize);
        font.setStyleHint(QFont::SansSerif);
    }
    return font;
}

QIcon MakeIcon(const IconResource& icon) {
    QIcon result;
    for (const char* const* xpm : icon.images) result.addPixmap(QPixmap(xpm));
    return result;
}

bool RunReportingErrors(const std::function<void()>& body, MessageIcon icon,
                        const char* fallbackText) {
    try {
        body();
        return true;
    } catch (...) {
        ReportCurrentError(icon, fallbackText);
        return false;
    }
}

namespace {
QWidget* g_mainWindow = nullptr;
}

void SetMainWindow(QWidget* window) {
    g_mainWindow = window;
}

QWidget* MainWindow() {
    return g_mainWindow;
}

// ---- ComboBox ---------------------------------------------------------------

int ComboBox::GetCount() const {
    return control_ ? control_->count() : 0;
}

int ComboBox::GetCurSel() const {
    return control_ ? control_->currentIndex() : -1;
}

void ComboBox::SetCurSel(int index) {
    if (control_) control_->setCurrentIndex(index);
}

int ComboBox::AddString(std::string_view text) {
    if (!control_) return -1;
    control_->addItem(BytesToQString(text));
    return control_->count() - 1;
}

void ComboBox::ResetContent() {
    if (control_) control_->clear();
}

std::string ComboBox::GetLBText(int index) const {
    if (!control_ || index < 0 || index >= control_->count()) return {};
    return QStringToBytes(control_->itemText(index));
}

// ---- SystemMenu -------------------------------------------------------------

SystemMenu::SystemMenu(Dialog& owner) : menu_(new QMenu(&owner)) {
    const bool minimizable = owner.windowFlags() & Qt::WindowMinimizeButtonHint;
    auto add = [&](const char* text, unsigned id) {
        QAction* action = menu_->addAction(QString::fromLatin1(text));
        action->setData(id);
        return action;
    };
    QAction* restore = minimizable ? add("&Restore", SC_RESTORE) : nullptr;
    QAction* move = add("&Move", SC_MOVE);
    QAction* minimize = minimizable ? add("Mi&nimize", SC_MINIMIZE) : nullptr;
    menu_->addSeparator();
    add("&Close", SC_CLOSE)->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    QObject::connect(menu_, &QMenu::aboutToShow, menu_, [&owner, restore, move, minimize] {
        const bool minimized = owner.isMinimized();
        if (restore) restore->setEnabled(minimized);
        move->setEnabled(!minimized);
        if (minimize) minimize->setEnabled(!minimized);
    });
    QObject::connect(menu_, &QMenu::triggered, menu_,
                     [&owner](QAction* action) { owner.SendSysCommand(action->data().toUInt()); });
}

SystemMenu::~SystemMenu() = default;

void SystemMenu::AppendSeparator() {
    menu_->addSeparator();
}

void SystemMenu::AppendItem(unsigned id, const std::string& text) {
    menu_->addAction(BytesToQString(text))->setData(id);
}

// ---- Data exchange ------------------------------------------------------------

void DDX_Control(DataExchange& dx, int id, ComboBox& combo) {
    if (combo.control() == nullptr)
        combo.Attach(qobject_cast<QComboBox*>(dx.dialog().GetDlgItem(id)));
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
    auto* edit = qobject_cast<EditBox*>(dx.dialog().GetDlgItem(id));
    if (edit == nullptr) return;
    if (dx.saving()) {
        value = edit->GetBytes();
    } else {
        edit->SetBytes(value);
    }
}

// ---- Dialog -------------------------------------------------------------------

Dialog::Dialog(const DialogTemplate* tmpl, QWidget* parent) : QDialog(parent), tmpl_(tmpl) {}

Dialog::~Dialog() = default;

bool Dialog::Create() {
    if (created_) return true;
    if (tmpl_ == nullptr) return false;
    created_ = true;

    Qt::WindowFlags flags = (tmpl_->style & kAppWindow) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if (tmpl_->style & kCaption) flags |= Qt::WindowTitleHint;
    if (tmpl_->style & kSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl_->style & kMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    if (tmpl_->style & kMaximizeBox) flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    setWindowTitle(Caption(tmpl_->caption));
    setFont(TemplateFont(*tmpl_));
    base_ = DialogBaseUnits(font());
    setFixedSize(MapDialogRect(QRect(0, 0, tmpl_->cx, tmpl_->cy), base_).size());

    CreateControls();
    NameControlsForAccessibility();
    if (tmpl_->style & kSystemMenu) {
        systemMenu_ = std::make_unique<SystemMenu>(*this);
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
        connect(shortcut, &QShortcut::activated, this,
                [this] { ShowSystemMenu(mapToGlobal(QPoint(0, 0))); });
    }
    if (OnInitDialog()) {
        for (const auto& [id, widget] : items_) {
            if (widget->focusPolicy() & Qt::TabFocus) {
                widget->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
    return true;
}

void Dialog::CreateControls() {
    QWidget* previousTabStop = nullptr;
    std::vector<QWidget*> groupBoxes;
    for (const ControlTemplate& c : tmpl_->controls) {
        QWidget* widget = nullptr;
        switch (c.kind) {
            case ControlKind::kPushButton: {
                auto* button = new QPushButton(Caption(c.caption), this);
                button->setAutoDefault(true);
                button->setDefault(c.style & kDefaultButton);
                const int id = c.id;
                connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
                widget = button;
                break;
            }
            case ControlKind::kEdit: {
                auto* edit = new EditBox(c.style & kWantReturn, this);
                edit->setReadOnly(c.style & kReadOnly);
                edit->setVerticalScrollBarPolicy((c.style & kVScroll) ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
                edit->setHorizontalScrollBarPolicy((c.style & kHScroll) ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAlwaysOff);
                edit->setLineWrapMode((c.style & kAutoHScroll) ? QPlainTextEdit::NoWrap
                                                               : QPlainTextEdit::WidgetWidth);
                widget = edit;
                break;
            }
            case ControlKind::kComboBox: {
                auto* combo = new QComboBox(this);
                combo->setEditable(false);
                widget = combo;
                break;
            }
            case ControlKind::kGroupBox: {
                auto* group = new QGroupBox(Caption(c.caption), this);
                group->setAlignment((c.style & kCentre) ? Qt::AlignHCenter : Qt::AlignLeft);
                // A group box only frames the controls around it: clicks go
                // through it to the dialog.
                group->setAttribute(Qt::WA_TransparentForMouseEvents);
                groupBoxes.push_back(group);
                widget = group;
                break;
            }
            case ControlKind::kStatic: {
                auto* label = new QLabel(Caption(c.caption), this);
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(((c.style & kCentre) ? Qt::AlignHCenter : Qt::AlignLeft) |
                                    Qt::AlignTop);
                widget = label;
                break;
            }
            case ControlKind::kIcon: {
                auto* label = new QLabel(this);
                if (c.icon != nullptr) label->setPixmap(MakeIcon(*c.icon).pixmap(32, 32));
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case ControlKind::kRule: {
                auto* frame = new QFrame(this);
                frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                widget = frame;
                break;
            }
        }
        widget->setObjectName(QStringLiteral("control%1_%2").arg(items_.size() + 1).arg(c.id));
        QRect rect = MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), base_);
        if (c.kind == ControlKind::kComboBox) {
            // The template's height includes the dropped-down list.
            auto* combo = static_cast<QComboBox*>(widget);
            const int closed = std::min(rect.height(), combo->sizeHint().height());
            const int itemHeight = std::max(1, combo->fontMetrics().height() + 2);
            combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / itemHeight));
            rect.setHeight(closed);
        }
        if (c.kind == ControlKind::kIcon) {
            rect.setSize(QSize(32, 32));  // an icon is shown at its own size
        }
        widget->setGeometry(rect);
        if (c.style & kTabStop) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop != nullptr) QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        items_.emplace_back(c.id, widget);
    }
    // Group boxes are drawn beneath the controls they frame.
    for (QWidget* group : groupBoxes) group->lower();
}

void Dialog::NameControlsForAccessibility() {
    const auto& controls = tmpl_->controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& c = controls[i];
        QWidget* widget = items_[i].second;
        QString name = SpokenCaption(c);
        if (name.isEmpty() && (c.kind == ControlKind::kEdit || c.kind == ControlKind::kComboBox)) {
            // A control without a caption is named by its label: a static text
            // on its row that ends just left of it, else the group box around it.
            constexpr int kLabelGap = 8;
            const QRect self(c.x, c.y, c.cx, c.kind == ControlKind::kComboBox ? 14 : c.cy);
            int best = -1;
            for (size_t j = 0; j < controls.size(); ++j) {
                const ControlTemplate& l = controls[j];
                if (l.kind != ControlKind::kStatic || l.x + l.cx > c.x) continue;
                if (c.x - (l.x + l.cx) > kLabelGap) continue;
                if (l.y + l.cy <= self.top() || l.y > self.bottom()) continue;
                if (best < 0 || l.x > controls[static_cast<size_t>(best)].x)
                    best = static_cast<int>(j);
            }
            if (best < 0) {
                long long bestArea = 0;
                for (size_t j = 0; j < controls.size(); ++j) {
                    const ControlTemplate& g = controls[j];
                    if (g.kind != ControlKind::kGroupBox) continue;
                    const QRect frame(g.x, g.y, g.cx, g.cy);
                    const long long area = static_cast<long long>(g.cx) * g.cy;
                    if (frame.contains(self) && (best < 0 || area < bestArea)) {
                        best = static_cast<int>(j);
                        bestArea = area;
                    }
                }
            }
            if (best >= 0) name = SpokenCaption(controls[static_cast<size_t>(best)]);
        }
        if (name.isEmpty() && c.kind == ControlKind::kIcon) name = windowTitle();
        if (name.isEmpty() && c.kind == ControlKind::kRule) name = QStringLiteral("Separator");
        widget->setAccessibleName(name);
    }
}

int Dialog::DoModal() {
    if (!Create()) return -1;
    QWidget* owner = parentWidget();
    if (owner == nullptr) {
        // A dialog without a parent belongs to the application's main window.
        owner = MainWindow();
        if (owner != nullptr && owner != this) {
            setParent(owner, windowFlags());
        }
    }
    QRect area;
    if (parentWidget() != nullptr && !parentWidget()->isMinimized()) {
        area = parentWidget()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
    return exec();
}

void Dialog::EndDialog(int result) {
    done(result);
}

bool Dialog::UpdateData(bool saveAndValidate) {
    return RunReportingErrors(
        [&] {
            DataExchange dx(*this, saveAndValidate);
            DoDataExchange(dx);
        },
        MessageIcon::kExclamation, "Internal application error.");
}

QWidget* Dialog::GetDlgItem(int id) const {
    for (const auto& [itemId, widget] : items_) {
        if (itemId == id) return widget;
    }
    return nullptr;
}

void Dialog::OnCommand(int id) {
    if (id == kIdOk || id == kIdCancel) {
        RunReportingErrors([&] { id == kIdOk ? OnOK() : OnCancel(); }, MessageIcon::kStop,
                           "Internal application error.");
        return;
    }
    for (const CommandEntry& entry : Commands()) {
        if (entry.id == id) {
            RunReportingErrors([&] { (this->*entry.handler)(); }, MessageIcon::kStop,
                               "Internal application error.");
            return;
        }
    }
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(kIdOk);
}

void Dialog::OnCancel() {
    EndDialog(kIdCancel);
}

void Dialog::ShowSystemMenu(const QPoint& globalPos) {
    if (systemMenu_) systemMenu_->menu()->popup(globalPos);
}

void Dialog::SendSysCommand(unsigned id) {
    RunReportingErrors([&] { OnSysCommand(id); }, MessageIcon::kStop,
                       "Internal application error.");
}

void Dialog::OnSysCommand(unsigned id) {
    switch (id & 0xFFF0u) {
        case SC_RESTORE:
            showNormal();
            break;
        case SC_MINIMIZE:
            showMinimized();
            break;
        case SC_CLOSE:
            close();
            break;
        case SC_MOVE:
            if (QWindow* window = windowHandle()) window->startSystemMove();
            break;
        default:
            break;
    }
}

void Dialog::keyPressEvent(QKeyEvent* event) {
    constexpr auto kChordKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (event->key() == Qt::Key_F1 && !(event->modifiers() & kChordKeys)) {
        // The help command goes to the application object, for this dialog's topic.
        if (Application* app = Application::Instance()) {
            const unsigned long topic =
                0x20000ul + static_cast<unsigned long>(tmpl_ ? tmpl_->id : 0);
            RunReportingErrors([&] { app->OnHelp(topic); }, MessageIcon::kStop, "Command failed.");
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void Dialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && systemMenu_ &&
        childAt(event->position().toPoint()) == nullptr) {
        ShowSystemMenu(event->globalPosition().toPoint());
        return;
    }
    QDialog::mousePressEvent(event);
}

void Dialog::accept() {
    OnCommand(kIdOk);
}

void Dialog::reject() {
    OnCommand(kIdCancel);
}

}  // namespace platform
