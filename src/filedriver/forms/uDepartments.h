#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ConstUnit_Program.h"
#include "PrinterAccess.h"

class QTableView;

// The caller's records (TDepartmentTable) hold one per department, element N - 1 for N.
constexpr int DepartmentCount = std::tuple_size_v<TDepartmentTable>;
// The table's texts hold at most this many characters; longer ones are cut on the way in.
constexpr size_t DepartmentTextSize = 20;

// One row of the department table.
struct TDepartmentRow {
    int32_t Nom = 0;
    std::string DepName;
    std::string DepDescr;
    int32_t TaxGrpNo = 0;
    std::string ExitCode;  // the programmed flag as read; "P" once the row was edited
    bool Edited = false;
};

// The dialog's in-memory table "mData": one row per department, in the order it is sorted.
class TDepartmentsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The shown fields, in column order (Edited is not shown).
    enum TField { fNom, fDepName, fDepDescr, fTaxGrpNo, fExitCode, FieldCount };

    static const char* FieldName(int Field);
    // The width of a field's column, in characters.
    static int DisplayWidth(int Field);

    void Append(TDepartmentRow Row);
    const TDepartmentRow& Row(int Index) const { return FRows.at(Index); }
    void SetRow(int Index, TDepartmentRow Row);
    int RowCount() const { return static_cast<int>(FRows.size()); }
    // The index of the row of department Nom, or -1.
    int FindNom(int32_t Nom) const;

    void SetTitles(const std::array<std::string, FieldCount>& Titles);
    // Numbers by value, texts by their bytes (so case counts); equal rows keep their order.
    void Sort(int Field, bool Ascending);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;

private:
    std::vector<TDepartmentRow> FRows;
    std::array<std::string, FieldCount> FTitles;
};

// The department list ("frmDepartmets").
class TfrmDepartmets : public QDialog {
    Q_OBJECT

public:
    explicit TfrmDepartmets(std::string LngFileName, QWidget* Parent = nullptr);

    // One row per record, numbered 1 to 99.
    void LoadRecords(const TDepartmentTable& Records);
    // Copies the edited rows' name, description and VAT group into their records and marks
    // them edited; True when there was one. The records' flag texts stay as they were.
    bool StoreEdited(TDepartmentTable& Records) const;

    TDepartmentsModel& mData() { return FData; }
    int CurrentRow() const;
    void SetCurrentRow(int Row);
    bool SortAscending() const { return FSortAscending; }
    const char* SortFieldName() const { return TDepartmentsModel::FieldName(FSortField); }

    // A click on a column title: every click turns the direction, whichever column it is.
    void TitleClick(int Column);
    // Edits the current row in TfrmEditDepartment.
    void EditCurrentRow();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void ShowSortMarker();

    std::string FLngFileName;
    TDepartmentsModel FData;
    QTableView* grdDepartments;
    bool FSortAscending = true;
    int FSortField = TDepartmentsModel::fNom;
};

// Shows the departments; True when the dialog was closed with OK after rows were edited, whose
// records then hold the new name, description and VAT group and are marked Edited for the
// caller to write.
bool ShowDepartments(TDepartmentTable& Departments, QWidget* Parent = nullptr,
                     const std::string& LngFileName = AppLngFileName());
