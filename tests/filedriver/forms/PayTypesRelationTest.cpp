#include "PayTypesRelation.h"

#include <QEvent>

#include "DialogTestSupport.h"
#include "FormText.h"
#include "SettingsUnit.h"

namespace {

class PayTypesTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        Settings().PayTypeMap[2] = {3, 5};
        Settings().PayTypeMap[5] = {6, 1};
        dialog_ = std::make_unique<TPayTypeRelations>(lng_);
    }
    void Type(int PayType, const std::string& Value) {
        TPayTypesModel& values = dialog_->Values();
        values.setData(values.index(PayType - 1, 1), QString::fromStdString(Value));
    }

    std::unique_ptr<TPayTypeRelations> dialog_;
};

TEST_F(PayTypesTest, ShowsThePairsInUse) {
    const TPayTypesModel& values = dialog_->Values();
    ASSERT_EQ(values.rowCount(), 11);
    EXPECT_EQ(values.data(values.index(10, 0)).toString(), "11");
    for (int row = 0; row < 11; ++row) {
        EXPECT_EQ(values.Value(row), row == 2 ? "5" : row == 5 ? "1" : "") << row;
    }
    EXPECT_FALSE(values.flags(values.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(values.flags(values.index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(PayTypesTest, EachValueIsCheckedAsItIsLeft) {
    const TLngMessages& m = LngMessages();
    const struct {
        int payType;
        std::string value;
        std::string message;  // empty: accepted
        std::string kept;
    } rows[] = {
        {3, "12", m.S_InvalidDigit + " \"12\"", ""},
        {4, "two", m.S_InvalidValue + " \"two\"", ""},
        {4, "-1", m.S_InvalidValue + " \"-1\"", ""},
        {4, "2.5", m.S_InvalidValue + " \"2.5\"", ""},
        {1, "2", m.S_PayType1CantChange, ""},
        {1, "0", m.S_PayType1CantChange, ""},
        {1, "99", m.S_InvalidDigit + " \"99\"", ""},
        {3, "0", "", "0"},
        {3, "11", "", "11"},
        {6, "", "", ""},
        {6, "  ", "", ""},
        {1, "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.payType) + "=" + row.value);
        boxes_.clear();
        Type(row.payType, row.value);
        EXPECT_EQ(dialog_->Values().Value(row.payType - 1), row.kept);
        if (row.message.empty()) {
            EXPECT_TRUE(boxes_.empty());
        } else {
            ASSERT_EQ(boxes_.size(), 1u);
            EXPECT_EQ(boxes_[0].Type, TMsgDlgType::mtError);
            EXPECT_EQ(boxes_[0].Text, m.S_Error + "\r" + row.message);
        }
    }
}

TEST_F(PayTypesTest, OkSetsNumberedPairsAndLeavesTheOthers) {
    Type(4, "2");
    Type(3, "0");
    Type(6, "");
    QEvent activate(QEvent::WindowActivate);  // as when a message box hands the focus back
    QApplication::sendEvent(dialog_.get(), &activate);
    EXPECT_EQ(dialog_->Values().Value(3), "2");

    dialog_->StorePairs();
    const auto& map = Settings().PayTypeMap;
    EXPECT_EQ(map[3].FromType, 4);
    EXPECT_EQ(map[3].ToType, 2);
    EXPECT_EQ(map[2].ToType, 5);  // 0 leaves the pair as it was
    EXPECT_EQ(map[5].ToType, 1);  // and so does a cleared value
    EXPECT_EQ(map[0].FromType, 0);

    const std::string ini = Path("Ostrelin.ini");
    SaveSettings(ini);
    EXPECT_EQ(platform::TIniFile(ini).ReadString("PAYTYPES", "PayNo_4", ""), "2");
}

TEST_F(PayTypesTest, TheGridTakesNoColumnKeys) {
    const std::vector<std::string> keys = Keys("PayTypeRelations");
    for (const char* key : {"PayTypeRelations", "Label1", "btnOK", "btnCancel"}) {
        EXPECT_TRUE(Contains(keys, key)) << key;
    }
    EXPECT_FALSE(Contains(keys, "PayTypesEdit.Col0"));
    const TLngMessages& m = LngMessages();
    EXPECT_EQ(dialog_->Values().headerData(1, Qt::Horizontal).toString(),
              FromAnsi(m.S_PayTypeReplace));
}

}  // namespace
