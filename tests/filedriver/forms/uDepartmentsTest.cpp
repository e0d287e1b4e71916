#include "uDepartments.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <array>

#include "DialogTestSupport.h"
#include "FormText.h"
#include "uEditDepartment.h"

namespace {

TDepartmentTable Records() {
    TDepartmentTable records;
    for (int n = 1; n <= DepartmentCount; ++n) {
        records[n - 1] = {n, "Dep" + std::to_string(n), "", n % 3 + 1, "1", false};
    }
    return records;
}

class DepartmentsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        records_ = Records();
        records_[4].DepName = "A name of 25 characters!!";
        dialog_ = std::make_unique<TfrmDepartmets>(lng_);
        dialog_->LoadRecords(records_);
        dialog_->show();
    }
    std::vector<int32_t> Noms() {
        std::vector<int32_t> noms;
        for (int i = 0; i < dialog_->mData().RowCount(); ++i) {
            noms.push_back(dialog_->mData().Row(i).Nom);
        }
        return noms;
    }
    QHeaderView& Titles() {
        return *Child<QTableView>(*dialog_, "grdDepartments")->horizontalHeader();
    }

    TDepartmentTable records_;
    std::unique_ptr<TfrmDepartmets> dialog_;
};

std::vector<int32_t> Range(int32_t From, int32_t To) {
    std::vector<int32_t> range;
    const int32_t step = From <= To ? 1 : -1;
    for (int32_t n = From; n != To + step; n += step) {
        range.push_back(n);
    }
    return range;
}

TEST_F(DepartmentsTest, ShowsTheRowsInNumberOrderWithTheirTitles) {
    EXPECT_EQ(Noms(), Range(1, 99));
    EXPECT_EQ(dialog_->CurrentRow(), 0);
    EXPECT_EQ(Titles().sortIndicatorSection(), TDepartmentsModel::fNom);
    EXPECT_EQ(Titles().sortIndicatorOrder(), Qt::AscendingOrder);
    const TLngMessages& m = LngMessages();
    const std::string titles[] = {m.S_DepNom, m.S_DepName, m.S_DeDescr, m.S_DepTaxGrp,
                                  m.S_Programmed};
    for (int field = 0; field < TDepartmentsModel::FieldCount; ++field) {
        EXPECT_EQ(ToAnsi(dialog_->mData().headerData(field, Qt::Horizontal).toString()),
                  titles[field]);
    }
    EXPECT_EQ(dialog_->mData().Row(4).DepName, "A name of 25 charact");
    // Translated before the grid had columns: no column keys.
    const std::vector<std::string> keys = Keys("frmDepartmets");
    EXPECT_TRUE(Contains(keys, "frmDepartmets") && Contains(keys, "MnEditDepartment"));
    EXPECT_FALSE(Contains(keys, "grdDepartments.Col0"));
}

// Which way the sort marker of a column title points, as the title is drawn at the right end
// of its section: "up" when its first row of ink is narrower than its last.
std::string MarkerDirection(QHeaderView& Titles, int Column) {
    const QImage drawn = Titles.grab().toImage();
    const int right = Titles.sectionViewportPosition(Column) + Titles.sectionSize(Column) - 1;
    std::vector<int> inkRows;
    for (int y = 0; y < drawn.height(); ++y) {
        int ink = 0;
        for (int x = right - 16; x < right - 2; ++x) {
            ink += drawn.pixelColor(x, y).lightness() < 160 ? 1 : 0;
        }
        if (ink > 0) {
            inkRows.push_back(ink);
        }
    }
    if (inkRows.size() < 2 || inkRows.front() == inkRows.back()) {
        return "none";
    }
    return inkRows.front() < inkRows.back() ? "up" : "down";
}

TEST_F(DepartmentsTest, TheMarkerPointsUpForAscendingOrder) {
    QHeaderView& titles = Titles();
    EXPECT_EQ(MarkerDirection(titles, TDepartmentsModel::fNom), "up");
    EXPECT_EQ(MarkerDirection(titles, TDepartmentsModel::fDepName), "none");
    dialog_->TitleClick(TDepartmentsModel::fNom);
    EXPECT_EQ(MarkerDirection(titles, TDepartmentsModel::fNom), "down");
    dialog_->TitleClick(TDepartmentsModel::fTaxGrpNo);
    EXPECT_EQ(MarkerDirection(titles, TDepartmentsModel::fTaxGrpNo), "up");
    EXPECT_EQ(MarkerDirection(titles, TDepartmentsModel::fNom), "none");
}

TEST_F(DepartmentsTest, EveryTitleClickTurnsTheOneSharedDirection) {
    dialog_->SetCurrentRow(6);
    dialog_->TitleClick(TDepartmentsModel::fNom);
    EXPECT_EQ(Noms(), Range(99, 1));
    EXPECT_EQ(Titles().sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(dialog_->mData().Row(dialog_->CurrentRow()).Nom, 7);

    dialog_->TitleClick(TDepartmentsModel::fNom);
    EXPECT_EQ(Noms(), Range(1, 99));
    EXPECT_EQ(Titles().sortIndicatorOrder(), Qt::AscendingOrder);

    // Another column takes the flag as the last click left it: descending now.
    dialog_->TitleClick(TDepartmentsModel::fTaxGrpNo);
    EXPECT_FALSE(dialog_->SortAscending());
    EXPECT_STREQ(dialog_->SortFieldName(), "TaxGrpNo");
    EXPECT_EQ(Titles().sortIndicatorSection(), TDepartmentsModel::fTaxGrpNo);
    EXPECT_EQ(dialog_->mData().Row(0).TaxGrpNo, 3);
    EXPECT_EQ(dialog_->mData().Row(0).Nom, 2);  // equal groups keep their order
    EXPECT_EQ(dialog_->mData().Row(dialog_->CurrentRow()).Nom, 7);

    // Texts sort by their bytes: upper case before lower case.
    TDepartmentRow lower = dialog_->mData().Row(0);
    lower.DepName = "a";
    dialog_->mData().SetRow(0, lower);
    dialog_->TitleClick(TDepartmentsModel::fDepName);
    EXPECT_EQ(dialog_->mData().Row(0).DepName, "A name of 25 charact");
    EXPECT_EQ(dialog_->mData().Row(98).DepName, "a");
}

TEST_F(DepartmentsTest, OnlyEditedRowsAreWrittenBack) {
    TDepartmentTable records = records_;
    EXPECT_FALSE(dialog_->StoreEdited(records));
    EXPECT_EQ(records[4].DepName, "A name of 25 characters!!");

    dialog_->TitleClick(TDepartmentsModel::fNom);  // rows no longer at their numbers
    dialog_->SetCurrentRow(dialog_->mData().FindNom(7));
    AnswerNextModal<TfrmEditDepartment>([](TfrmEditDepartment& edit) {
        EXPECT_EQ(edit.findChild<QLabel*>("lblDepartmentNom")->text(), "7");
        EXPECT_EQ(edit.findChild<QComboBox*>("cmbVatGrp")->currentText(), "2");
        edit.findChild<QLineEdit*>("edtDepName")->setText("Drinks");
        edit.findChild<QComboBox*>("cmbVatGrp")->setCurrentIndex(3);
        edit.accept();
    });
    dialog_->EditCurrentRow();
    const TDepartmentRow& row = dialog_->mData().Row(dialog_->mData().FindNom(7));
    EXPECT_EQ(row.ExitCode, "P");
    EXPECT_TRUE(row.Edited);

    EXPECT_TRUE(dialog_->StoreEdited(records));
    for (int n = 1; n <= DepartmentCount; ++n) {
        EXPECT_EQ(records[n - 1].Edited, n == 7) << n;
    }
    EXPECT_EQ(records[6].DepName, "Drinks");
    EXPECT_EQ(records[6].TaxGroup, 4);
    EXPECT_EQ(records[6].ExitCode, "1");  // the record's flag text stays
}

TEST_F(DepartmentsTest, EditDialogWithoutAGroupStoresNone) {
    TfrmEditDepartment edit(lng_);
    TDepartmentRow row{12, "Bread", "Daily", 9, "0", false};
    edit.LoadRow(row);
    EXPECT_EQ(Child<QComboBox>(edit, "cmbVatGrp")->currentIndex(), -1);
    EXPECT_EQ(Child<QLineEdit>(edit, "edtDepName")->maxLength(), 20);
    edit.StoreRow(row);
    EXPECT_EQ(row.TaxGrpNo, 0);
    EXPECT_EQ(row.DepName, "Bread");
    EXPECT_EQ(row.ExitCode, "P");

    const std::vector<std::string> keys = Keys("frmEditDepartment");
    EXPECT_TRUE(Contains(keys, "Label1") && Contains(keys, "cmbVatGrp.Itm7"));
}

TEST_F(DepartmentsTest, ShowDepartmentsUpdatesTheCallersEditedRecords) {
    TDepartmentTable departments = Records();
    AnswerNextModal<TfrmDepartmets>([](TfrmDepartmets& list) { list.accept(); });
    EXPECT_FALSE(ShowDepartments(departments, nullptr, lng_));

    AnswerNextModal<TfrmDepartmets>([](TfrmDepartmets& list) {
        list.SetCurrentRow(1);
        AnswerNextModal<TfrmEditDepartment>([](TfrmEditDepartment& edit) {
            edit.findChild<QLineEdit*>("edtDepDescr")->setText("New");
            edit.accept();
        });
        list.EditCurrentRow();
        list.accept();
    });
    EXPECT_TRUE(ShowDepartments(departments, nullptr, lng_));
    EXPECT_TRUE(departments[1].Edited);
    EXPECT_EQ(departments[1].Description, "New");
    EXPECT_EQ(departments[1].ExitCode, "1");
    EXPECT_FALSE(departments[0].Edited);
}

}  // namespace
