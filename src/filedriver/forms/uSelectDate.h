#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "ConstUnit.h"
#include "ConstUnit_Program.h"

class QDateTimeEdit;
class QRadioButton;
class QSpinBox;
class QCheckBox;

// The choice of the fiscal-memory report period.
struct TReportPeriod {
    bool ByBlocks = true;
    bool Detailed = false;
    int32_t FirstBlock = 1;
    int32_t LastBlock = 1;
    TDateTime StartDate = 0;
    TDateTime EndDate = 0;
};

// The report-period dialog ("frmSelectPeriod"): a block range or a date range.
class TfrmSelectPeriod : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSelectPeriod(const std::string& LngFileName, QWidget* Parent = nullptr);

    // The choice as it stands; nothing checks that the range is in order.
    TReportPeriod Period() const;

private:
    void ShowRangeControls();

    QRadioButton* rbBlock;
    QRadioButton* rbDates;
    QSpinBox* spBlock1;
    QSpinBox* spBlock2;
    QDateTimeEdit* dtBegin;
    QDateTimeEdit* dtEnd;
    QCheckBox* chkPrintDetail;
};

// True when the dialog was closed with OK; Period then holds the choice.
bool SelectReportPeriod(TReportPeriod& Period, QWidget* Parent = nullptr,
                        const std::string& LngFileName = AppLngFileName());
