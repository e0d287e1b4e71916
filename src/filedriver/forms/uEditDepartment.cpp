#include "uEditDepartment.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "DialogParts.h"
#include "FormText.h"
#include "FormTranslation.h"

TfrmEditDepartment::TfrmEditDepartment(const std::string& LngFileName, QWidget* Parent)
    : QDialog(Parent) {
    setObjectName(QStringLiteral("frmEditDepartment"));
    setWindowTitle(QString::fromUtf8("Редакция"));
    lblDepartmentNom = Named(new QLabel(this), "lblDepartmentNom");
    edtDepName = Named(new QLineEdit(this), "edtDepName");
    edtDepDescr = Named(new QLineEdit(this), "edtDepDescr");
    // The table keeps no more than this; the edit says so rather than cutting silently.
    edtDepName->setMaxLength(static_cast<int>(DepartmentTextSize));
    edtDepDescr->setMaxLength(static_cast<int>(DepartmentTextSize));
    cmbVatGrp = Named(new QComboBox(this), "cmbVatGrp");
    for (int group = 1; group <= 8; ++group) {
        cmbVatGrp->addItem(QString::number(group));
    }

    auto* fields = new QGridLayout;
    fields->addWidget(NamedLabel("Label1", "Редакция на департамент", this), 0, 0);
    fields->addWidget(lblDepartmentNom, 0, 1);
    fields->addWidget(NamedLabel("Label2", "Име", this), 1, 0);
    fields->addWidget(edtDepName, 1, 1);
    fields->addWidget(NamedLabel("Label3", "Описание", this), 2, 0);
    fields->addWidget(edtDepDescr, 2, 1);
    fields->addWidget(NamedLabel("Label4", "Дан.група", this), 3, 0);
    fields->addWidget(cmbVatGrp, 3, 1);
    auto* form = new QVBoxLayout(this);
    form->addLayout(fields);
    form->addLayout(DialogButtons(*this, "btnOK", "btnCancel"));

    TranslateQtForm(LngFileName, this);
}

void TfrmEditDepartment::LoadRow(const TDepartmentRow& Row) {
    lblDepartmentNom->setText(QString::number(Row.Nom));
    edtDepName->setText(FromAnsi(Row.DepName));
    edtDepDescr->setText(FromAnsi(Row.DepDescr));
    cmbVatGrp->setCurrentIndex(cmbVatGrp->findText(QString::number(Row.TaxGrpNo)));
}

void TfrmEditDepartment::StoreRow(TDepartmentRow& Row) const {
    Row.DepName = ToAnsi(edtDepName->text());
    Row.DepDescr = ToAnsi(edtDepDescr->text());
    Row.TaxGrpNo = cmbVatGrp->currentIndex() + 1;
    Row.Edited = true;
    Row.ExitCode.assign(1, 'P');
}

bool EditDepartment(TDepartmentRow& Row, const std::string& LngFileName, QWidget* Parent) {
    TfrmEditDepartment dialog(LngFileName, Parent);
    dialog.LoadRow(Row);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    dialog.StoreRow(Row);
    return true;
}
