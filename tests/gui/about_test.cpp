#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/about_dlg.h"
#include "app/launches.h"
#include "app/trace_app.h"
#include "platform/app_name.h"
#include "platform/help.h"
#include "res/resources.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/trace_dlg_access.h"

namespace {

using testsupport::ModalWatcher;
using testsupport::TestTraceDlg;

class AboutTest : public ::testing::Test {
protected:
    AboutTest() { platform::SetMainWindow(&dlg); }
    ~AboutTest() override { platform::SetMainWindow(nullptr); }
    TestTraceDlg dlg;
};

QStringList MenuTexts(const platform::SystemMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->menu()->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

// Presses a button of the About box once it is the active modal window.
ModalWatcher::Answer Press(int id) {
    return [id](QWidget* modal) {
        auto* about = qobject_cast<platform::Dialog*>(modal);
        ASSERT_NE(about, nullptr);
        qobject_cast<QPushButton*>(about->GetDlgItem(id))->click();
    };
}

ModalWatcher::Answer Key(Qt::Key key) {
    return [key](QWidget* modal) { QTest::keyClick(modal, key); };
}

TEST_F(AboutTest, TheButtonAndTheSystemMenuOpenTheSameBox) {
    ModalWatcher watcher;
    dlg.click(IDC_ABOUT);
    QAction* entry = dlg.GetSystemMenu()->menu()->actions().back();
    ASSERT_EQ(entry->data().toUInt(), static_cast<unsigned>(IDM_ABOUT));
    entry->trigger();
    ASSERT_EQ(watcher.seen().size(), 2u);
    for (const auto& seen : watcher.seen()) {
        EXPECT_EQ(seen.className, "CAboutDlg");
        EXPECT_EQ(seen.caption, "About Brindle");
    }
}

TEST_F(AboutTest, SystemCommandsWithTheAboutValueOpenItAndOthersDoNot) {
    for (unsigned id : {16u, 31u, 15u, 32u}) {
        ModalWatcher watcher;
        dlg.SendSysCommand(id);
        EXPECT_EQ(watcher.seen().size(), (id & 0xFFF0u) == 16u ? 1u : 0u) << id;
        EXPECT_TRUE(dlg.isVisible()) << id;
    }
}

TEST_F(AboutTest, TheSystemMenuGetsTheAboutEntryOnlyFromANonEmptyString) {
    const QStringList standard = {"&Restore", "&Move", "Mi&nimize", "-", "&Close"};
    EXPECT_EQ(MenuTexts(dlg.GetSystemMenu()), standard + QStringList({"-", "&About Brindle..."}));

    CAboutDlg plain;
    plain.Create();
    EXPECT_EQ(MenuTexts(plain.GetSystemMenu()), QStringList({"&Move", "-", "&Close"}));
    AppendAboutEntry(plain.GetSystemMenu(), "");
    EXPECT_EQ(MenuTexts(plain.GetSystemMenu()), QStringList({"&Move", "-", "&Close"}));
}

TEST_F(AboutTest, TheSystemMenuOpensOnAltSpaceAndOnARightClickOffTheControls) {
    QMenu* menu = dlg.GetSystemMenu()->menu();
    const QPoint freeArea =
        platform::MapDialogRect(QRect(200, 252, 1, 1), dlg.baseUnits()).topLeft();
    const QPoint insideGroupBox =
        platform::MapDialogRect(QRect(7, 225, 1, 1), dlg.baseUnits()).topLeft();
    for (const QPoint& at : {freeArea, insideGroupBox}) {
        QTest::mouseClick(&dlg, Qt::RightButton, {}, at);
        EXPECT_TRUE(menu->isVisible());
        menu->hide();
    }
    QTest::mouseClick(dlg.button(IDC_UPDATE), Qt::RightButton);
    EXPECT_FALSE(menu->isVisible()) << "not on a control";

    dlg.edit(IDC_SOURCE_TEXT)->setFocus();
    QTest::keyClick(dlg.edit(IDC_SOURCE_TEXT), Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(AboutTest, OkEnterEscapeAndTheCloseBoxCloseTheBox) {
    const std::vector<ModalWatcher::Answer> ways = {Press(platform::kIdOk), Key(Qt::Key_Return),
                                                    Key(Qt::Key_Escape),
                                                    [](QWidget* modal) { modal->close(); }};
    for (const auto& way : ways) {
        ModalWatcher watcher;
        watcher.Then(way);
        dlg.click(IDC_ABOUT);  // returns only once the box has closed
        EXPECT_EQ(watcher.seen().size(), 1u);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(AboutTest, IsLaidOutAsItsTemplateSays) {
    CAboutDlg about;
    about.Create();
    const platform::DialogTemplate* tmpl = res::FindDialogTemplate(IDD_ABOUT_DIALOG);
    EXPECT_EQ(about.size(),
              platform::MapDialogRect(QRect(0, 0, 230, 70), about.baseUnits()).size());
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    for (const char* text : {"Brindle", "Version 1.4 Beta"})
        EXPECT_TRUE(texts.contains(text)) << text;
    EXPECT_EQ(about.focusWidget(), about.GetDlgItem(platform::kIdOk));
    EXPECT_EQ(tmpl->controls.size(), 10u);
}

TEST_F(AboutTest, F1AsksForTheTopicOfTheDialogThatHoldsTheFocus) {
    CTraceApp app;
    std::vector<std::pair<std::string, unsigned long>> requests;
    platform::ScopedHelpEngine engine(
        [&](const std::string& file, unsigned command, unsigned long data) {
            EXPECT_EQ(command, platform::HELP_CONTEXT);
            requests.emplace_back(file, data);
            return true;
        });
    QTest::keyClick(dlg.GetDlgItem(IDC_SOURCE_TEXT), Qt::Key_F1);
    QTest::keyClick(dlg.GetDlgItem(IDC_SOURCE_TEXT), Qt::Key_F1, Qt::ShiftModifier);

    ModalWatcher watcher;
    watcher.Then([](QWidget* modal) {
        QTest::keyClick(modal, Qt::Key_F1);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    dlg.click(IDC_ABOUT);

    const std::string helpFile = platform::ModulePath() + ".HLP";
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::make_pair(helpFile, 0x20066ul));
    EXPECT_EQ(requests[1], std::make_pair(helpFile, 0x20064ul));
}

TEST_F(AboutTest, F1WithoutAHelpFileSaysSo) {
    CTraceApp app;
    ModalWatcher watcher;
    QTest::keyClick(dlg.GetDlgItem(IDC_OPEN), Qt::Key_F1);
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].text, "Failed to launch help.");
    EXPECT_EQ(watcher.seen()[0].caption, "Brindle");
}

}  // namespace
