#include "uSelectDate.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "DialogParts.h"
#include "FormTranslation.h"

namespace {

QDateTime ToQDateTime(TDateTime Value) {
    const TDateTimeRec r = DecodeDateTime(Value);
    return {QDate(r.Year, r.Month, r.Day), QTime(r.Hour, r.Minute, r.Second, r.MSec)};
}

TDateTime FromQDateTime(const QDateTime& Value) {
    const QDate date = Value.date();
    const QTime time = Value.time();
    TDateTime result = 0;
    TryEncodeDateTime({date.year(), date.month(), date.day(), time.hour(), time.minute(),
                       time.second(), time.msec()},
                      result);
    return result;
}

QSpinBox* BlockSpin(const char* Name, QWidget* Parent) {
    auto* spin = Named(new QSpinBox(Parent), Name);
    spin->setRange(1, 10);
    spin->setValue(1);
    return spin;
}

QDateTimeEdit* DatePicker(const char* Name, const QDateTime& Value, QWidget* Parent) {
    auto* picker = Named(new QDateTimeEdit(Value, Parent), Name);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    picker->setCalendarPopup(true);
    return picker;
}

}  // namespace

TfrmSelectPeriod::TfrmSelectPeriod(const std::string& LngFileName, QWidget* Parent)
    : QDialog(Parent) {
    setObjectName(QStringLiteral("frmSelectPeriod"));
    setWindowTitle(QString::fromUtf8("Отчети"));
    const QDateTime now = ToQDateTime(Now());

    rbBlock = Named(new QRadioButton(QString::fromUtf8("По блокове"), this), "rbBlock");
    rbDates = Named(new QRadioButton(QString::fromUtf8("По дати"), this), "rbDates");
    rbBlock->setChecked(true);
    auto* GroupBox1 = Named(new QGroupBox(QString::fromUtf8("От блок до блок"), this), "GroupBox1");
    spBlock1 = BlockSpin("spBlock1", GroupBox1);
    spBlock2 = BlockSpin("spBlock2", GroupBox1);
    auto* GroupBox2 = Named(new QGroupBox(QString::fromUtf8("От дата до дата"), this), "GroupBox2");
    dtBegin = DatePicker("dtBegin", now, GroupBox2);
    dtEnd = DatePicker("dtEnd", now, GroupBox2);
    chkPrintDetail =
        Named(new QCheckBox(QString::fromUtf8("Детайлен отчет"), this), "chkPrintDetail");

    auto* blocks = new QHBoxLayout(GroupBox1);
    blocks->addWidget(spBlock1);
    blocks->addWidget(spBlock2);
    auto* dates = new QHBoxLayout(GroupBox2);
    dates->addWidget(dtBegin);
    dates->addWidget(dtEnd);
    auto* choice = new QHBoxLayout;
    choice->addWidget(rbBlock);
    choice->addWidget(rbDates);
    auto* form = new QVBoxLayout(this);
    form->addWidget(NamedLabel("Label1", "Отчети от фискалната памет", this));
    form->addLayout(choice);
    form->addWidget(GroupBox1);
    form->addWidget(GroupBox2);
    form->addWidget(chkPrintDetail);
    form->addLayout(DialogButtons(*this, "btnOK", "btnCancel"));

    // The two buttons exclude each other; each choice enables its own range.
    connect(rbBlock, &QRadioButton::toggled, this, &TfrmSelectPeriod::ShowRangeControls);
    ShowRangeControls();
    TranslateQtForm(LngFileName, this);
}

void TfrmSelectPeriod::ShowRangeControls() {
    const bool byBlocks = rbBlock->isChecked();
    spBlock1->setEnabled(byBlocks);
    spBlock2->setEnabled(byBlocks);
    dtBegin->setEnabled(!byBlocks);
    dtEnd->setEnabled(!byBlocks);
}

TReportPeriod TfrmSelectPeriod::Period() const {
    TReportPeriod period;
    period.ByBlocks = rbBlock->isChecked();
    period.Detailed = chkPrintDetail->isChecked();
    period.FirstBlock = spBlock1->value();
    period.LastBlock = spBlock2->value();
    period.StartDate = FromQDateTime(dtBegin->dateTime());
    period.EndDate = FromQDateTime(dtEnd->dateTime());
    return period;
}

bool SelectReportPeriod(TReportPeriod& Period, QWidget* Parent, const std::string& LngFileName) {
    TfrmSelectPeriod dialog(LngFileName, Parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    Period = dialog.Period();
    return true;
}
