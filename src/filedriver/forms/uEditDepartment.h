#pragma once

#include <QDialog>
#include <string>

#include "uDepartments.h"

class QComboBox;
class QLabel;
class QLineEdit;

// The edit dialog of one department row ("frmEditDepartment").
class TfrmEditDepartment : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditDepartment(const std::string& LngFileName, QWidget* Parent = nullptr);

    // Shows the row's number, name, description and VAT group (none chosen when the group is
    // not 1 to 8).
    void LoadRow(const TDepartmentRow& Row);
    // Takes the texts and the VAT group (0 when none is chosen) into Row and marks it edited.
    void StoreRow(TDepartmentRow& Row) const;

private:
    QLabel* lblDepartmentNom;
    QLineEdit* edtDepName;
    QLineEdit* edtDepDescr;
    QComboBox* cmbVatGrp;
};

// True when the dialog was closed with OK; Row then holds the edit.
bool EditDepartment(TDepartmentRow& Row, const std::string& LngFileName, QWidget* Parent);
