#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "res/resources.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/trace_dlg_access.h"

namespace {

using testsupport::ModalWatcher;
using testsupport::TestTraceDlg;

const std::string kThreeHops =
    "Received: from c.example [203.0.113.3]\r\n"
    "Received: from b.example [198.51.100.2]\r\n"
    "Received: from a.example [192.0.2.1]\r\n"
    "\r\nHello\r\n";

// Note: the hop nearest the sender is the last one in the text.
const std::string kThreeHopsInOrder =
    "Received: from a [192.0.2.1]\r\nReceived: from b [198.51.100.2]\r\n"
    "Received: from c [203.0.113.3]\r\n";

void PasteIntoSource(TestTraceDlg& dlg, const QString& text) {
    dlg.edit(IDC_SOURCE_TEXT)->setFocus();
    dlg.edit(IDC_SOURCE_TEXT)->selectAll();
    dlg.edit(IDC_SOURCE_TEXT)->insertPlainText(text);
}

TEST(MainDialog, StartsEmptyWithEveryControlInPlaceAndTheFocusOnOpen) {
    TestTraceDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Brindle 1.4B");
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize()) << "fixed size";

    const platform::DialogTemplate* tmpl = res::FindDialogTemplate(IDD_TRACE_DIALOG);
    ASSERT_EQ(tmpl->controls.size(), 16u);
    QWidget* previous = nullptr;
    for (const platform::ControlTemplate& c : tmpl->controls) {
        const QString name = QString::fromLatin1(c.caption);
        QWidget* w = nullptr;
        for (QWidget* child : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->objectName().endsWith(QStringLiteral("_%1").arg(c.id)) &&
                child->accessibleName() == (name.isEmpty() ? child->accessibleName() : name)) {
                w = child;
            }
        }
        ASSERT_NE(w, nullptr) << c.caption;
        EXPECT_TRUE(w->isVisible() && w->isEnabled()) << c.caption;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << c.caption;
        const QRect expected =
            platform::MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), dlg.baseUnits());
        EXPECT_EQ(w->pos(), expected.topLeft()) << c.caption;
        EXPECT_EQ(w->width(), expected.width()) << c.caption;
        if (c.style & platform::kTabStop) {
            if (previous != nullptr) {
                QWidget* next = previous->nextInFocusChain();
                while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
                EXPECT_EQ(next, w) << c.caption;
            }
            previous = w;
        }
    }
    EXPECT_EQ(dlg.combo()->accessibleName(), "Message route:");
    EXPECT_EQ(dlg.edit(IDC_SOURCE_TEXT)->accessibleName(), "Source message");
    EXPECT_EQ(dlg.edit(IDC_RESULTS_TEXT)->accessibleName(), "Results");
    EXPECT_TRUE(dlg.edit(IDC_RESULTS_TEXT)->isReadOnly());

    EXPECT_EQ(dlg.focusWidget(), dlg.button(IDC_OPEN));
    EXPECT_TRUE(dlg.button(IDC_OPEN)->isDefault());
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_strSource, "");
    EXPECT_EQ(dlg.m_strResults, "");
    EXPECT_EQ(dlg.combo()->count(), 0);
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_EQ(dlg.OnQueryDragIcon().cacheKey(), dlg.m_hIcon.cacheKey());
}

TEST(MainDialog, UpdateListsTheRouteNearestHopFirst) {
    TestTraceDlg dlg;
    dlg.m_strContact = "@old.example";
    dlg.m_strResults = "old results";
    dlg.UpdateData(false);
    PasteIntoSource(dlg, QString::fromLatin1(kThreeHopsInOrder.c_str()));
    dlg.click(IDC_UPDATE);

    EXPECT_EQ(dlg.entries(),
              QStringList({"[1] - [203.0.113.3]", "[2] - [198.51.100.2]", "[3] - [192.0.2.1]"}));
    EXPECT_EQ(dlg.combo()->currentIndex(), 0);
    EXPECT_EQ(dlg.m_routes[0], "203.0.113.3");
    EXPECT_EQ(dlg.m_routes[1], "198.51.100.2");
    EXPECT_EQ(dlg.m_routes[2], "192.0.2.1");
    EXPECT_EQ(dlg.m_strContact, "");
    EXPECT_EQ(dlg.m_strResults, "");
    EXPECT_EQ(dlg.edit(IDC_RESULTS_TEXT)->toPlainText(), "");
    EXPECT_EQ(dlg.m_strSource, kThreeHopsInOrder);

    // A new message pasted in replaces the route entirely.
    PasteIntoSource(dlg, "Received: from x [10.1.2.3]\r\n");
    dlg.click(IDC_UPDATE);
    EXPECT_EQ(dlg.entries(), QStringList({"[1] - [10.1.2.3]"}));
    EXPECT_EQ(dlg.combo()->currentIndex(), 0);
}

TEST(MainDialog, MoreThanTwentyAddressesListTheFirstTwentyFound) {
    TestTraceDlg dlg;
    QString text;
    for (int i = 1; i <= 23; ++i) text += QStringLiteral("[10.0.0.%1]\r\n").arg(i);
    PasteIntoSource(dlg, text);
    dlg.click(IDC_UPDATE);
    ASSERT_EQ(dlg.combo()->count(), 20);
    EXPECT_EQ(dlg.entries().front(), "[1] - [10.0.0.20]");
    EXPECT_EQ(dlg.entries().back(), "[20] - [10.0.0.1]");
    EXPECT_EQ(dlg.m_routes[19], "10.0.0.1");
}

TEST(MainDialog, UpdateWithoutAnAddressShowsTheMessageAndEmptiesTheList) {
    TestTraceDlg dlg;
    PasteIntoSource(dlg, QString::fromLatin1(kThreeHops.c_str()));
    dlg.click(IDC_UPDATE);
    ASSERT_EQ(dlg.combo()->count(), 3);

    for (const QString& text : {QStringLiteral("no address [1.2.3] here"), QString()}) {
        ModalWatcher watcher;
        PasteIntoSource(dlg, text);
        dlg.click(IDC_UPDATE);
        ASSERT_EQ(watcher.seen().size(), 1u);
        EXPECT_EQ(watcher.seen()[0].caption, "Brindle");
        EXPECT_EQ(watcher.seen()[0].text, "No information about message sender");
        EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Warning);
        EXPECT_EQ(dlg.combo()->count(), 0);
        EXPECT_EQ(dlg.edit(IDC_SOURCE_TEXT)->toPlainText(), text) << "the source text stands";
    }
}

TEST(MainDialog, ClearTextEmptiesBothBoxesAndTheListButKeepsTheSlots) {
    TestTraceDlg dlg;
    PasteIntoSource(dlg, QString::fromLatin1(kThreeHops.c_str()));
    dlg.click(IDC_UPDATE);
    dlg.m_strResults = "results";
    dlg.m_strContact = "@example.net";
    dlg.UpdateData(false);

    ModalWatcher watcher;
    dlg.click(IDC_CLEAR_TEXT);
    EXPECT_TRUE(watcher.seen().empty());
    EXPECT_EQ(dlg.edit(IDC_SOURCE_TEXT)->toPlainText(), "");
    EXPECT_EQ(dlg.edit(IDC_RESULTS_TEXT)->toPlainText(), "");
    EXPECT_EQ(dlg.combo()->count(), 0);
    EXPECT_EQ(dlg.m_strContact, "");
    EXPECT_EQ(dlg.m_routes[0], "192.0.2.1") << "slots are left as they were";
}

TEST(MainDialog, ExchangeGivesBackEveryByteAndLineBreakUnchanged) {
    TestTraceDlg dlg;
    std::string text;
    for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
    text += "\r\nCR LF\nbare LF\rbare CR\r\n\n\r\r\n\xA0\x81\x8D\x8F\x90\x9D\tend";
    dlg.m_strSource = text;
    dlg.m_strResults = text + "\r\n";
    dlg.UpdateData(false);
    dlg.m_strSource.clear();
    dlg.m_strResults.clear();
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_strSource, text);
    EXPECT_EQ(dlg.m_strResults, text + "\r\n");
}

TEST(MainDialog, EnterInTheSourceBoxRunsOpenInsteadOfBreakingTheLine) {
    TestTraceDlg dlg;
    ModalWatcher watcher;  // cancels Open's file dialogs and closes Update's message
    QSignalSpy openClicks(dlg.button(IDC_OPEN), &QPushButton::clicked);
    QSignalSpy updateClicks(dlg.button(IDC_UPDATE), &QPushButton::clicked);
    QPlainTextEdit* source = dlg.edit(IDC_SOURCE_TEXT);
    source->setFocus();
    QTest::keyClicks(source, "abc");
    QTest::keyClick(source, Qt::Key_Return);
    QTest::keyClick(source, Qt::Key_Enter);
    EXPECT_EQ(openClicks.count(), 2);
    EXPECT_EQ(source->toPlainText(), "abc");

    // Enter on another push button presses that button instead.
    dlg.button(IDC_UPDATE)->setFocus();
    QTest::keyClick(dlg.button(IDC_UPDATE), Qt::Key_Return);
    EXPECT_EQ(updateClicks.count(), 1);
    EXPECT_EQ(openClicks.count(), 2);

    // Enter on the closed route list runs Open too.
    dlg.combo()->setFocus();
    QTest::keyClick(dlg.combo(), Qt::Key_Return);
    EXPECT_EQ(openClicks.count(), 3);

    // Tab leaves the source box rather than inserting a tab.
    source->setFocus();
    QTest::keyClick(source, Qt::Key_Tab);
    EXPECT_EQ(source->toPlainText(), "abc");
    EXPECT_NE(QApplication::focusWidget(), source);
}

TEST(MainDialog, EscapeEndsTheModalRunEvenWithUnusedText) {
    CTraceDlg dlg;
    platform::SetMainWindow(&dlg);
    QTimer::singleShot(0, &dlg, [&] {
        auto* source = qobject_cast<QPlainTextEdit*>(dlg.GetDlgItem(IDC_SOURCE_TEXT));
        source->setFocus();
        QTest::keyClicks(source, "typed and never used");
        QTest::keyClick(source, Qt::Key_Escape);
    });
    EXPECT_EQ(dlg.DoModal(), platform::kIdCancel);
    platform::SetMainWindow(nullptr);
}

TEST(MainDialog, TheCloseBoxEndsTheModalRun) {
    CTraceDlg dlg;
    QTimer::singleShot(0, &dlg, [&] { dlg.close(); });
    EXPECT_EQ(dlg.DoModal(), platform::kIdCancel);
}

}  // namespace
