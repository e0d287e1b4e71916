#include "AboutDialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <utility>

#include "ConstUnit.h"
#include "DialogParts.h"
#include "FormText.h"
#include "FormTranslation.h"
#include "FormWidgets.h"
#include "Shell.h"

namespace {

const char* const kWebAddress = "https://ostrelin.kalvora.example/";

}  // namespace

TAboutDlg::TAboutDlg(std::string LngFileName, QWidget* Parent)
    : QDialog(Parent), FLngFileName(std::move(LngFileName)) {
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(QString::fromUtf8("За програмата"));
    auto* ProgramIcon =
        new TImage(QStringLiteral("ProgramIcon"),
                   style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48), this);
    QLabel* ProductName =
        NamedLabel("ProductName", "Драйвер за фискален принтер\nгенерация две", this);
    QLabel* Copyright =
        NamedLabel("Copyright", "© Kalvora / Ostrelin\nВсички права запазени.", this);
    LabelWeb = NamedLabel("LabelWeb", kWebAddress, this);
    LabelWeb->setToolTip(QString::fromLatin1(kWebAddress));
    LabelWeb->setCursor(Qt::PointingHandCursor);
    LabelWeb->installEventFilter(this);
    lblProgName = NamedLabel("lblProgName", "-", this);
    lblVerCOM = NamedLabel("lblVerCOM", "-", this);
    auto* btnClose = Named(new QPushButton(QString::fromUtf8("Затвори"), this), "btnClose");
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(ProductName);
    text->addWidget(Copyright);
    text->addWidget(LabelWeb);
    text->addWidget(lblProgName);
    text->addWidget(lblVerCOM);
    auto* body = new QGridLayout;
    body->addWidget(ProgramIcon, 0, 0, Qt::AlignTop);
    body->addLayout(text, 0, 1);
    auto* form = new QVBoxLayout(this);
    form->addLayout(body);
    form->addWidget(btnClose, 0, Qt::AlignHCenter);
}

void TAboutDlg::showEvent(QShowEvent* Event) {
    TranslateQtForm(FLngFileName, this);
    lblProgName->setText(FromAnsi(GetModulePath(true)));
    lblVerCOM->setText(FromAnsi(GetModuleVersion()));
    QDialog::showEvent(Event);
}

bool TAboutDlg::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == LabelWeb && Event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
        platform::ShellOpen(ToAnsi(LabelWeb->toolTip()));
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}

TAboutDlg* ShowAboutDialog(QWidget* Parent, const std::string& LngFileName) {
    // Not waited for: a loop of its own here would hold every wait begun before it, a batch's
    // wait for the printer among them, until the box is closed.
    auto* dialog = new TAboutDlg(LngFileName, Parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    return dialog;
}
