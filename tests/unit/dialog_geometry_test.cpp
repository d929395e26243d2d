#include <gtest/gtest.h>

#include "app/trace_dlg.h"
#include "platform/dialog.h"

namespace {

TEST(MapDialogRect, ScalesByBaseUnitsWithRounding) {
    const platform::BaseUnits base{6, 13};
    EXPECT_EQ(platform::MapDialogRect(QRect(0, 0, 401, 255), base), QRect(0, 0, 602, 414));
    // Edges are mapped, so neighbours never overlap or leave gaps.
    EXPECT_EQ(platform::MapDialogRect(QRect(10, 30, 91, 13), base), QRect(15, 49, 137, 21));
    EXPECT_EQ(platform::MapDialogRect(QRect(1, 1, 1, 1), platform::BaseUnits{7, 15}),
              QRect(2, 2, 2, 2));
}

TEST(MinimizedIconOrigin, CentresAndTruncatesTowardZero) {
    EXPECT_EQ(MinimizedIconOrigin(36, 36, 32, 32), QPoint(2, 2));
    EXPECT_EQ(MinimizedIconOrigin(30, 30, 32, 32), QPoint(0, 0));
    EXPECT_EQ(MinimizedIconOrigin(20, 40, 32, 32), QPoint(-5, 4));
}

}  // namespace
