#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <functional>
#include <new>
#include <stdexcept>

#include "platform/dialog.h"
#include "platform/errors.h"
#include "tests/support/modal_watcher.h"

namespace {

using platform::ControlKind;
using testsupport::ModalWatcher;

constexpr int kRun = 100;
constexpr int kText = 101;

const platform::ControlTemplate kControls[] = {
    {ControlKind::kPushButton, kRun, "Run", 5, 5, 50, 14, platform::kTabStop},
    {ControlKind::kEdit, kText, "", 5, 25, 50, 30, platform::kTabStop},
};
const platform::DialogTemplate kTemplate = {900, "Dispatch",         100,      60, "MS Sans Serif",
                                            8,   platform::kCaption, kControls};

// A dialog whose one command and whose exchange run whatever the test says.
class ProbeDialog : public platform::Dialog {
public:
    ProbeDialog() : platform::Dialog(&kTemplate) { Create(); }
    std::function<void()> command;
    std::function<void()> exchange;
    bool afterExchange = false;

    void Run() { qobject_cast<QPushButton*>(GetDlgItem(kRun))->click(); }

protected:
    std::span<const CommandEntry> Commands() const override {
        static const CommandEntry kCommands[] = {Command(kRun, &ProbeDialog::OnRun)};
        return kCommands;
    }
    void DoDataExchange(platform::DataExchange&) override {
        if (exchange) exchange();
    }
    void OnRun() {
        command();
        UpdateData(true);
        afterExchange = true;
    }
};

struct DispatchCase {
    const char* name;
    std::function<void()> raise;
    const char* text;
    int icon;
};

TEST(Dispatch, ReportsEachKindOfErrorAndTheDialogGoesOn) {
    const std::vector<DispatchCase> cases = {
        {"out of memory", [] { throw std::bad_alloc(); }, "Out of memory.", QMessageBox::Warning},
        {"own text", [] { throw std::runtime_error("Something broke."); }, "Something broke.",
         QMessageBox::Critical},
        {"no text", [] { throw std::runtime_error(""); }, "Internal application error.",
         QMessageBox::Critical},
        {"not an exception class", [] { throw 42; }, "Internal application error.",
         QMessageBox::Critical},
        {"file error", [] { throw platform::FileError(platform::kDiskFull, "/tmp/x y.eml"); },
         "Disk full while accessing /tmp/x y.eml.", QMessageBox::Critical},
        {"unnamed file", [] { throw platform::FileError(platform::kFileNotFound, ""); },
         "an unnamed file was not found.", QMessageBox::Critical},
        {"network error", [] { throw platform::NetworkError(7, "Could not connect to server"); },
         "Could not connect to server", QMessageBox::Critical},
        {"network error without text", [] { throw platform::NetworkError(99, ""); },
         "Internal application error.", QMessageBox::Critical},
        {"long text", [] { throw std::runtime_error(std::string(600, 'x')); }, nullptr,
         QMessageBox::Critical},
    };
    for (const DispatchCase& c : cases) {
        ProbeDialog dlg;
        dlg.command = c.raise;
        ModalWatcher watcher;
        dlg.Run();
        ASSERT_EQ(watcher.seen().size(), 1u) << c.name;
        const auto& seen = watcher.seen()[0];
        EXPECT_EQ(seen.text, c.text ? QString::fromLatin1(c.text) : QString(511, u'x')) << c.name;
        EXPECT_EQ(seen.icon, c.icon) << c.name;
        EXPECT_FALSE(dlg.afterExchange) << c.name << ": the command ends where it failed";
        dlg.command = [] {};
        dlg.Run();
        EXPECT_TRUE(dlg.afterExchange) << c.name << ": the dialog takes the next command";
    }
}

TEST(Dispatch, AnErrorInsideTheExchangeIsReportedWithTheExclamationMarkAndTheCommandGoesOn) {
    ProbeDialog dlg;
    dlg.command = [] {};
    dlg.exchange = [] { throw std::runtime_error("Exchange failed."); };
    ModalWatcher watcher;
    dlg.Run();
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].text, "Exchange failed.");
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(dlg.afterExchange);
}

}  // namespace
