#include "uSelectDate.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "DialogTestSupport.h"

namespace {

using SelectPeriodTest = DialogTest;

TEST_F(SelectPeriodTest, ConfirmedUnchangedGivesBlockOneAndTodayTwice) {
    const TDateTime before = Now();
    TReportPeriod period;
    period.ByBlocks = false;
    AnswerNextModal<TfrmSelectPeriod>([](TfrmSelectPeriod& dialog) { dialog.accept(); });
    ASSERT_TRUE(SelectReportPeriod(period, nullptr, lng_));
    const TDateTime after = Now();
    EXPECT_TRUE(period.ByBlocks);
    EXPECT_FALSE(period.Detailed);
    EXPECT_EQ(period.FirstBlock, 1);
    EXPECT_EQ(period.LastBlock, 1);
    for (TDateTime date : {period.StartDate, period.EndDate}) {
        // The pickers choose days: the day the dialog was created on.
        EXPECT_TRUE(date == static_cast<int>(before) || date == static_cast<int>(after)) << date;
    }

    AnswerNextModal<TfrmSelectPeriod>([](TfrmSelectPeriod& dialog) { dialog.reject(); });
    EXPECT_FALSE(SelectReportPeriod(period, nullptr, lng_));
}

TEST_F(SelectPeriodTest, EachChoiceEnablesItsOwnRange) {
    TfrmSelectPeriod dialog(lng_);
    EXPECT_TRUE(Child<QSpinBox>(dialog, "spBlock1")->isEnabled());
    EXPECT_FALSE(Child<QDateTimeEdit>(dialog, "dtBegin")->isEnabled());
    EXPECT_EQ(Child<QSpinBox>(dialog, "spBlock2")->maximum(), 10);

    Child<QRadioButton>(dialog, "rbDates")->click();
    EXPECT_FALSE(Child<QRadioButton>(dialog, "rbBlock")->isChecked());
    EXPECT_FALSE(Child<QSpinBox>(dialog, "spBlock2")->isEnabled());
    EXPECT_TRUE(Child<QDateTimeEdit>(dialog, "dtEnd")->isEnabled());
    Child<QDateTimeEdit>(dialog, "dtBegin")->setDate(QDate(2026, 3, 1));
    Child<QCheckBox>(dialog, "chkPrintDetail")->setChecked(true);
    const TReportPeriod period = dialog.Period();
    EXPECT_FALSE(period.ByBlocks);
    EXPECT_TRUE(period.Detailed);
    TDateTime march1 = 0;
    ASSERT_TRUE(TryEncodeDateTime({2026, 3, 1, 0, 0, 0, 0}, march1));
    EXPECT_EQ(static_cast<int>(period.StartDate), static_cast<int>(march1));

    Child<QRadioButton>(dialog, "rbBlock")->click();
    EXPECT_TRUE(Child<QSpinBox>(dialog, "spBlock1")->isEnabled());
    EXPECT_FALSE(Child<QDateTimeEdit>(dialog, "dtEnd")->isEnabled());

    const std::vector<std::string> keys = Keys("frmSelectPeriod");
    for (const char* key : {"frmSelectPeriod", "Label1", "rbBlock", "rbDates", "GroupBox1",
                            "GroupBox2", "chkPrintDetail", "btnOK", "btnCancel"}) {
        EXPECT_TRUE(Contains(keys, key)) << key;
    }
}

}  // namespace
