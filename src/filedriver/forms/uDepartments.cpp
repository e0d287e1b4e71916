#include "uDepartments.h"

#include <QAction>
#include <QHeaderView>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "DialogParts.h"
#include "FormTranslation.h"
#include "StrResUnit.h"
#include "uEditDepartment.h"

namespace {

// Column titles whose marker points up for ascending order and down for descending, as the
// system's grids show it; Qt's own header draws them the other way round.
class TTitleHeader : public QHeaderView {
public:
    explicit TTitleHeader(QWidget* Parent) : QHeaderView(Qt::Horizontal, Parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* Option, int LogicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(Option, LogicalIndex);
        if (Option->sortIndicator == QStyleOptionHeader::SortDown) {
            Option->sortIndicator = QStyleOptionHeader::SortUp;
        } else if (Option->sortIndicator == QStyleOptionHeader::SortUp) {
            Option->sortIndicator = QStyleOptionHeader::SortDown;
        }
    }
};

}  // namespace

TfrmDepartmets::TfrmDepartmets(std::string LngFileName, QWidget* Parent)
    : QDialog(Parent), FLngFileName(std::move(LngFileName)) {
    setObjectName(QStringLiteral("frmDepartmets"));
    setWindowTitle(QString::fromUtf8("Департаменти"));
    grdDepartments = Named(new QTableView(this), "grdDepartments");
    grdDepartments->setHorizontalHeader(new TTitleHeader(grdDepartments));
    grdDepartments->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDepartments->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdDepartments->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDepartments->setShowGrid(true);
    grdDepartments->verticalHeader()->hide();
    auto* MnEditDepartment =
        Named(new QAction(QString::fromUtf8("Редакция"), grdDepartments), "MnEditDepartment");
    grdDepartments->addAction(MnEditDepartment);
    grdDepartments->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* form = new QVBoxLayout(this);
    form->addWidget(grdDepartments);
    form->addLayout(DialogButtons(*this, "btnOK", "btnCancel"));
    resize(640, 480);

    // Translated before the table is attached: the grid has no columns to give keys yet.
    TranslateQtForm(FLngFileName, this);

    grdDepartments->setModel(&FData);
    const TLngMessages& m = LngMessages();
    FData.SetTitles({m.S_DepNom, m.S_DepName, m.S_DeDescr, m.S_DepTaxGrp, m.S_Programmed});
    const int digit = grdDepartments->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int field = 0; field < TDepartmentsModel::FieldCount; ++field) {
        grdDepartments->setColumnWidth(field, TDepartmentsModel::DisplayWidth(field) * digit + 8);
    }
    QHeaderView* titles = grdDepartments->horizontalHeader();
    titles->setSectionsClickable(true);
    titles->setSortIndicatorShown(true);
    ShowSortMarker();
    connect(titles, &QHeaderView::sectionClicked, this, &TfrmDepartmets::TitleClick);
    connect(grdDepartments, &QTableView::doubleClicked, this, &TfrmDepartmets::EditCurrentRow);
    connect(MnEditDepartment, &QAction::triggered, this, &TfrmDepartmets::EditCurrentRow);
}

void TfrmDepartmets::LoadRecords(const TDepartmentTable& Records) {
    for (int n = 1; n <= DepartmentCount; ++n) {
        const TDepartmentInf& record = Records[n - 1];
        FData.Append({n, record.DepName, record.Description, record.TaxGroup, record.ExitCode});
    }
}

bool TfrmDepartmets::StoreEdited(TDepartmentTable& Records) const {
    bool edited = false;
    for (int i = 0; i < FData.RowCount(); ++i) {
        const TDepartmentRow& row = FData.Row(i);
        if (!row.Edited || row.Nom < 1 || row.Nom > DepartmentCount) {
            continue;
        }
        TDepartmentInf& record = Records[row.Nom - 1];
        record.DepName = row.DepName;
        record.Description = row.DepDescr;
        record.TaxGroup = row.TaxGrpNo;
        record.Edited = true;
        edited = true;
    }
    return edited;
}

int TfrmDepartmets::CurrentRow() const {
    return grdDepartments->currentIndex().row();
}

void TfrmDepartmets::SetCurrentRow(int Row) {
    const int column = std::max(grdDepartments->currentIndex().column(), 0);
    grdDepartments->setCurrentIndex(FData.index(Row, column));
}

void TfrmDepartmets::TitleClick(int Column) {
    const int current = CurrentRow();
    const int32_t nom = current < 0 ? -1 : FData.Row(current).Nom;
    FSortAscending = !FSortAscending;
    FSortField = Column;
    FData.Sort(FSortField, FSortAscending);
    ShowSortMarker();
    if (nom >= 0) {
        SetCurrentRow(FData.FindNom(nom));
    }
}

void TfrmDepartmets::ShowSortMarker() {
    grdDepartments->horizontalHeader()->setSortIndicator(
        FSortField, FSortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TfrmDepartmets::EditCurrentRow() {
    const int current = CurrentRow();
    if (current < 0) {
        return;
    }
    TDepartmentRow row = FData.Row(current);
    if (EditDepartment(row, FLngFileName, this)) {
        FData.SetRow(current, std::move(row));
    }
}

void TfrmDepartmets::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    SetCurrentRow(0);
}

bool ShowDepartments(TDepartmentTable& Departments, QWidget* Parent,
                     const std::string& LngFileName) {
    TfrmDepartmets dialog(LngFileName, Parent);
    dialog.LoadRecords(Departments);
    return dialog.exec() == QDialog::Accepted && dialog.StoreEdited(Departments);
}
