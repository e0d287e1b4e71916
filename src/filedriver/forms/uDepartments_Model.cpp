#include <algorithm>
#include <utility>

#include "FormText.h"
#include "uDepartments.h"

namespace {

struct TFieldInfo {
    const char* Name;
    int DisplayWidth;
};

const TFieldInfo kFields[TDepartmentsModel::FieldCount] = {
    {"Nom", 12}, {"DepName", 21}, {"DepDescr", 24}, {"TaxGrpNo", 12}, {"ExitCode", 20},
};

void CutText(std::string& Text) {
    if (Text.size() > DepartmentTextSize) {
        Text.resize(DepartmentTextSize);
    }
}

void CutTexts(TDepartmentRow& Row) {
    CutText(Row.DepName);
    CutText(Row.DepDescr);
    CutText(Row.ExitCode);
}

// Below 0, 0 or above 0, as the field orders the two rows.
int CompareField(const TDepartmentRow& A, const TDepartmentRow& B, int Field) {
    switch (Field) {
        case TDepartmentsModel::fNom:
            return (A.Nom > B.Nom) - (A.Nom < B.Nom);
        case TDepartmentsModel::fDepName:
            return A.DepName.compare(B.DepName);
        case TDepartmentsModel::fDepDescr:
            return A.DepDescr.compare(B.DepDescr);
        case TDepartmentsModel::fTaxGrpNo:
            return (A.TaxGrpNo > B.TaxGrpNo) - (A.TaxGrpNo < B.TaxGrpNo);
        default:
            return A.ExitCode.compare(B.ExitCode);
    }
}

}  // namespace

const char* TDepartmentsModel::FieldName(int Field) {
    return kFields[Field].Name;
}

int TDepartmentsModel::DisplayWidth(int Field) {
    return kFields[Field].DisplayWidth;
}

void TDepartmentsModel::Append(TDepartmentRow Row) {
    CutTexts(Row);
    const int index = RowCount();
    beginInsertRows({}, index, index);
    FRows.push_back(std::move(Row));
    endInsertRows();
}

void TDepartmentsModel::SetRow(int Index, TDepartmentRow Row) {
    CutTexts(Row);
    FRows.at(Index) = std::move(Row);
    emit dataChanged(index(Index, 0), index(Index, FieldCount - 1));
}

int TDepartmentsModel::FindNom(int32_t Nom) const {
    const auto row = std::find_if(FRows.begin(), FRows.end(),
                                  [Nom](const TDepartmentRow& r) { return r.Nom == Nom; });
    return row == FRows.end() ? -1 : static_cast<int>(row - FRows.begin());
}

void TDepartmentsModel::SetTitles(const std::array<std::string, FieldCount>& Titles) {
    FTitles = Titles;
    emit headerDataChanged(Qt::Horizontal, 0, FieldCount - 1);
}

void TDepartmentsModel::Sort(int Field, bool Ascending) {
    emit layoutAboutToBeChanged();
    std::stable_sort(FRows.begin(), FRows.end(),
                     [Field, Ascending](const TDepartmentRow& a, const TDepartmentRow& b) {
                         const int order = CompareField(a, b, Field);
                         return Ascending ? order < 0 : order > 0;
                     });
    emit layoutChanged();
}

int TDepartmentsModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : RowCount();
}

int TDepartmentsModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : FieldCount;
}

QVariant TDepartmentsModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Index.row() >= RowCount()) {
        return {};
    }
    const TDepartmentRow& row = FRows[Index.row()];
    const int field = Index.column();
    const bool number = field == fNom || field == fTaxGrpNo;
    if (Role == Qt::TextAlignmentRole) {
        return number ? int(Qt::AlignRight | Qt::AlignVCenter)
                      : int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (Role != Qt::DisplayRole) {
        return {};
    }
    switch (field) {
        case fNom:
            return row.Nom;
        case fDepName:
            return FromAnsi(row.DepName);
        case fDepDescr:
            return FromAnsi(row.DepDescr);
        case fTaxGrpNo:
            return row.TaxGrpNo;
        default:
            return FromAnsi(row.ExitCode);
    }
}

QVariant TDepartmentsModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole || Section < 0 ||
        Section >= FieldCount) {
        return QAbstractTableModel::headerData(Section, Orientation, Role);
    }
    return FromAnsi(FTitles[Section]);
}
