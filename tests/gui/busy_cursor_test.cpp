#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>

#include <stdexcept>

#include "platform/busy_cursor.h"

namespace {

// The pointer shape the application shows over its windows, or -1 for none
// set by the program.
int Shape() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? static_cast<int>(cursor->shape()) : -1;
}

TEST(BusyCursor, NestsAndBringsBackTheShapeInUseBefore) {
    for (const int before : {-1, static_cast<int>(Qt::CrossCursor)}) {
        if (before >= 0) QApplication::setOverrideCursor(static_cast<Qt::CursorShape>(before));
        platform::ShowBusyCursor();
        platform::ShowBusyCursor();
        EXPECT_EQ(platform::BusyCursorCount(), 2);
        EXPECT_EQ(Shape(), Qt::WaitCursor);
        platform::HideBusyCursor();
        EXPECT_EQ(Shape(), Qt::WaitCursor) << "one show is still unmatched";
        platform::HideBusyCursor();
        EXPECT_EQ(platform::BusyCursorCount(), 0);
        EXPECT_EQ(Shape(), before);
        if (before >= 0) QApplication::restoreOverrideCursor();
    }
}

TEST(BusyCursor, ExtraHidesAreIgnored) {
    platform::HideBusyCursor();
    EXPECT_EQ(platform::BusyCursorCount(), 0);
    platform::ShowBusyCursor();
    EXPECT_EQ(Shape(), Qt::WaitCursor);
    platform::HideBusyCursor();
    platform::HideBusyCursor();
    EXPECT_EQ(platform::BusyCursorCount(), 0);
    EXPECT_EQ(Shape(), -1);
}

TEST(BusyCursor, ScopedShowIsHiddenWhenAnErrorLeavesTheScope) {
    try {
        platform::BusyCursor busy;
        EXPECT_EQ(Shape(), Qt::WaitCursor);
        throw std::runtime_error("failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(platform::BusyCursorCount(), 0);
    EXPECT_EQ(Shape(), -1);
}

}  // namespace
