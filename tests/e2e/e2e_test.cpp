// End-to-end flows on the real tessaline.exe, driven from this separate process.

#include "e2e/Driver.h"
#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

namespace
{
TEST(EndToEnd, StartsEmptyWithApplyAndRemoveDisabledAndClosesCleanly)
{
    Driver app;
    EXPECT_EQ(app.Text(app.Main()), L"Tessaline");
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), L"");
    EXPECT_EQ(app.Text(app.Control(frmMain::txtIcon)), L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
    EXPECT_FALSE(app.Enabled(frmMain::cmdRemove));
    EXPECT_TRUE(app.Enabled(frmMain::cmdFolder));
    EXPECT_TRUE(app.Enabled(frmMain::cmdIcon));
    EXPECT_EQ(app.Close(), 0u);
}

TEST(EndToEnd, ApplyIsEnabledExactlyWhenBothBoxesHoldText)
{
    Driver app;
    app.Type(frmMain::txtFolder, L"C:\\x");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
    app.Type(frmMain::txtIcon, L" ");
    EXPECT_TRUE(app.Enabled(frmMain::cmdApply)) << "a blank counts as text";
    app.SetText(frmMain::txtFolder, L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
    app.SetText(frmMain::txtFolder, L"C:\\Photos");
    EXPECT_TRUE(app.Enabled(frmMain::cmdApply));
    EXPECT_FALSE(app.Enabled(frmMain::cmdRemove)) << "typing never enables Remove";
    EXPECT_EQ(app.Close(), 0u);
}
} // namespace
