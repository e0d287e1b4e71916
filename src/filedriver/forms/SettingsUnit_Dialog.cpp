#include "SettingsUnit_Dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "ConstUnit.h"
#include "ConstUnit_Program.h"
#include "DialogParts.h"
#include "FormText.h"
#include "FormTranslation.h"
#include "MessageDlg.h"
#include "SettingsUnit.h"
#include "StrResUnit.h"

namespace {

const char* const kBaudRates[] = {"2400",  "4800",  "9600",  "14400", "19200",
                                  "28800", "38400", "56000", "57600", "115200"};

// The search may move ComPort and reads DevicesToWorkWith; the dialog changes no setting
// before OK, so both come back however the search ends, and so does the cursor.
class TSearchScope {
public:
    TSearchScope()
        : FComPort(Settings().ComPort), FDevicesToWorkWith(Settings().DevicesToWorkWith) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TSearchScope() {
        QApplication::restoreOverrideCursor();
        Settings().ComPort = FComPort;
        Settings().DevicesToWorkWith = FDevicesToWorkWith;
    }
    TSearchScope(const TSearchScope&) = delete;
    TSearchScope& operator=(const TSearchScope&) = delete;

private:
    std::string FComPort;
    std::string FDevicesToWorkWith;
};

// The window's thread stays free while the host talks to the printer; the dialog takes no input
// meanwhile, so that a second search or an OK cannot start in the middle of one.
class TNoInputScope {
public:
    explicit TNoInputScope(QWidget& Dialog) : FDialog(Dialog) { FDialog.setEnabled(false); }
    ~TNoInputScope() { FDialog.setEnabled(true); }
    TNoInputScope(const TNoInputScope&) = delete;
    TNoInputScope& operator=(const TNoInputScope&) = delete;

private:
    QWidget& FDialog;
};

}  // namespace

TSettingsForm::TSettingsForm(ISettingsHost& Host, const std::vector<std::string>& ComPorts,
                             std::string LngFileName, QWidget* Parent)
    : QDialog(Parent), FHost(Host), FLngFileName(std::move(LngFileName)) {
    BuildControls();
    for (const std::string& port : ComPorts) {
        cmbComPorts->addItem(FromAnsi(port));
    }
    cmbComPorts->setCurrentIndex(-1);
}

void TSettingsForm::BuildControls() {
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));

    cbBonFiles = Named(new QLineEdit(this), "cbBonFiles");
    QAction* browse = cbBonFiles->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                            QLineEdit::TrailingPosition);
    connect(browse, &QAction::triggered, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, {}, cbBonFiles->text());
        if (!folder.isEmpty()) {
            cbBonFiles->setText(folder);
        }
    });
    eFileExt = Named(new QLineEdit(this), "eFileExt");

    rbRS232 = Named(new QRadioButton(QStringLiteral("RS 232"), this), "rbRS232");
    rbTCP = Named(new QRadioButton(QStringLiteral("TCP/IP"), this), "rbTCP");
    rbRS232->setChecked(true);
    FSheets = new QStackedWidget(this);
    shRS232 = Named(new QWidget(FSheets), "shRS232");
    shTCP = Named(new QWidget(FSheets), "shTCP");
    FSheets->addWidget(shRS232);
    FSheets->addWidget(shTCP);

    rbAutoSerach =
        Named(new QRadioButton(QString::fromUtf8("Автоматично търсене на фискалното устроство :"),
                               shRS232),
              "rbAutoSerach");
    cbDierectConn =
        Named(new QRadioButton(QString::fromUtf8("Фиск.устройстово е свързано на определен порт :"),
                               shRS232),
              "cbDierectConn");
    cbDierectConn->setChecked(true);
    lblDevSerial = NamedLabel("lblDevSerial", "Работи само с ФУ номер (ED) :", shRS232);
    edtDevSerial = Named(new QLineEdit(shRS232), "edtDevSerial");
    btnSearch = Named(new QPushButton(QString::fromUtf8("Тест"), shRS232), "btnSearch");
    QLabel* lblAutoSearchHint =
        NamedLabel("lblAutoSearchHint",
                   "Програмата ще търси апарат с посочения сериен номер. \n"
                   "Ако няма такъв ще се използва първото свързано устройство.",
                   shRS232);
    Label2 = NamedLabel("Label2", "Com port:", shRS232);
    cmbComPorts = Named(new QComboBox(shRS232), "cmbComPorts");
    Label5 = NamedLabel("Label5", "Com speed:", shRS232);
    cmbBaudRate = Named(new QComboBox(shRS232), "cmbBaudRate");
    for (const char* rate : kBaudRates) {
        cmbBaudRate->addItem(QString::fromLatin1(rate));
    }
    cmbBaudRate->setCurrentIndex(-1);
    btnTest = Named(new QPushButton(QString::fromUtf8("Тест"), shRS232), "btnTest");

    auto* rs232 = new QGridLayout(shRS232);
    rs232->addWidget(rbAutoSerach, 0, 0, 1, 3);
    rs232->addWidget(lblDevSerial, 1, 0);
    rs232->addWidget(edtDevSerial, 1, 1);
    rs232->addWidget(btnSearch, 1, 2);
    rs232->addWidget(lblAutoSearchHint, 2, 0, 1, 3);
    rs232->addWidget(cbDierectConn, 3, 0, 1, 3);
    rs232->addWidget(Label2, 4, 0);
    rs232->addWidget(cmbComPorts, 4, 1);
    rs232->addWidget(Label5, 5, 0);
    rs232->addWidget(cmbBaudRate, 5, 1);
    rs232->addWidget(btnTest, 5, 2);

    eIPAddress = Named(new QLineEdit(shTCP), "eIPAddress");
    eTCPPort = Named(new QLineEdit(QStringLiteral("0"), shTCP), "eTCPPort");
    auto* tcp = new QGridLayout(shTCP);
    tcp->addWidget(NamedLabel("Label1", "IP Address:", shTCP), 0, 0);
    tcp->addWidget(eIPAddress, 0, 1);
    tcp->addWidget(NamedLabel("Label4", "Port", shTCP), 1, 0);
    tcp->addWidget(eTCPPort, 1, 1);
    tcp->setRowStretch(2, 1);

    edChekPrnInterval = Named(new QSpinBox(this), "edChekPrnInterval");
    edChekPrnInterval->setRange(0, 9999);
    edtCshierPass = Named(new QLineEdit(this), "edtCshierPass");
    ckBoxUsePluNoAsDepartNo =
        Named(new QCheckBox(QString::fromUtf8("Използвай арт.ном като номер на департамент"), this),
              "ckBoxUsePluNoAsDepartNo");
    chkCreateLog = Named(new QCheckBox(QString::fromUtf8("Създавай лог"), this), "chkCreateLog");

    auto* files = new QGridLayout;
    files->addWidget(NamedLabel("lblRecieptFolder", "Папка BON", this), 0, 0);
    files->addWidget(cbBonFiles, 0, 1);
    files->addWidget(NamedLabel("Label7", "Разширение на файла", this), 1, 0);
    files->addWidget(eFileExt, 1, 1);
    auto* connection = new QHBoxLayout;
    connection->addWidget(rbRS232);
    connection->addWidget(rbTCP);
    connection->addStretch();
    auto* other = new QGridLayout;
    other->addWidget(NamedLabel("Label3",
                                "Интервал проверка наличие на принтер[мин]:\n"
                                "При 0 - не се проверява",
                                this),
                     0, 0);
    other->addWidget(edChekPrnInterval, 0, 1);
    other->addWidget(NamedLabel("lblCashierPass", "Парола на \nкасиер", this), 1, 0);
    other->addWidget(edtCshierPass, 1, 1);
    other->addWidget(NamedLabel("lblCashierPassInfo",
                                "Ако е зададена парола на касиер, тя се използва\n"
                                "при регистриране на продажбите и трябва да съвпада\n"
                                "с паролите, въведени в касовия апарат.",
                                this),
                     2, 0, 1, 2);
    other->addWidget(ckBoxUsePluNoAsDepartNo, 3, 0, 1, 2);
    other->addWidget(chkCreateLog, 4, 0, 1, 2);
    auto* form = new QVBoxLayout(this);
    form->addLayout(files);
    form->addWidget(NamedLabel("Label6", "Комуникация", this));
    form->addLayout(connection);
    form->addWidget(FSheets);
    form->addWidget(NamedLabel("Label8", "Други", this));
    form->addLayout(other);
    form->addLayout(DialogButtons(*this, "btnOK", "btnNo"));

    connect(rbRS232, &QRadioButton::clicked, this, &TSettingsForm::ShowConnectionSheet);
    connect(rbTCP, &QRadioButton::clicked, this, &TSettingsForm::ShowConnectionSheet);
    connect(rbAutoSerach, &QRadioButton::clicked, this, &TSettingsForm::UpdateControls);
    connect(cbDierectConn, &QRadioButton::clicked, this, &TSettingsForm::UpdateControls);
    connect(btnSearch, &QPushButton::clicked, this, &TSettingsForm::btnSearchClick);
    connect(btnTest, &QPushButton::clicked, this, &TSettingsForm::btnTestClick);
}

void TSettingsForm::ShowConnectionSheet() {
    FSheets->setCurrentWidget(rbTCP->isChecked() ? shTCP : shRS232);
}

void TSettingsForm::LoadSettings() {
    const TSettings& s = Settings();
    cbBonFiles->setText(FromAnsi(s.BonFolder));
    rbTCP->setChecked(s.UseTCP);
    rbRS232->setChecked(!s.UseTCP);
    ShowConnectionSheet();
    cmbBaudRate->setCurrentIndex(cmbBaudRate->findText(QString::number(s.BaudRate)));
    eIPAddress->setText(FromAnsi(s.IPAddress));
    eTCPPort->setText(QString::number(s.TCPPort));
    edChekPrnInterval->setValue(s.CheckPrnInterval);
    edtCshierPass->setText(FromAnsi(s.CashierPass));
    ckBoxUsePluNoAsDepartNo->setChecked(s.SellByDepartNo);
    chkCreateLog->setChecked(s.LogEnabled);
    eFileExt->setText(FromAnsi(s.FileExt));
    rbAutoSerach->setChecked(s.AutoSearch);
    cbDierectConn->setChecked(!s.AutoSearch);
    edtDevSerial->setText(FromAnsi(s.DevicesToWorkWith));
    // A drop-down list finds its item without regard to case and shows nothing else.
    cmbComPorts->setCurrentIndex(cmbComPorts->findText(FromAnsi(s.ComPort), Qt::MatchFixedString));
}

void TSettingsForm::StoreSettings() const {
    TSettings& s = Settings();
    s.BonFolder = ToAnsi(cbBonFiles->text());
    s.UseTCP = rbTCP->isChecked();
    s.ComPort = ToAnsi(cmbComPorts->currentText());
    if (!TryStrToInt(ToAnsi(cmbBaudRate->currentText()), s.BaudRate)) {
        s.BaudRate = 115200;
    }
    s.IPAddress = ToAnsi(eIPAddress->text());
    if (!TryStrToInt(ToAnsi(eTCPPort->text()), s.TCPPort)) {
        s.TCPPort = 0;
    }
    s.CheckPrnInterval = edChekPrnInterval->value();
    s.LogEnabled = chkCreateLog->isChecked();
    s.SellByDepartNo = ckBoxUsePluNoAsDepartNo->isChecked();
    s.AutoSearch = rbAutoSerach->isChecked();
    s.DevicesToWorkWith = ToAnsi(edtDevSerial->text());
    s.FileExt = ToAnsi(eFileExt->text());
    s.CashierPass = Trim(ToAnsi(edtCshierPass->text()));
    AppendFolderDelimiter(s.BonFolder);
    AppendFolderDelimiter(s.AxLogDir);
}

bool TSettingsForm::ValidateInput() {
    const TLngMessages& m = LngMessages();
    const std::string folder = ToAnsi(cbBonFiles->text());
    std::error_code error;
    const std::string* failure = nullptr;
    if (Trim(folder).empty() || !std::filesystem::is_directory(folder, error)) {
        failure = &m.S_EmptyBONPath;
    } else if (!IsValidBonFileExt(ToAnsi(eFileExt->text()))) {
        // The program's own work and answer files must never be taken for receipts.
        failure = &m.S_EmptyFileBonExt;
    } else if (rbTCP->isChecked()) {
        const std::string address = ToAnsi(eIPAddress->text());
        int32_t port = 0;
        if (Trim(address).empty() || !IsValidIP(address)) {
            failure = &m.S_InvalidIPAddres;
        } else if (!TryStrToInt(ToAnsi(eTCPPort->text()), port) || port <= 0) {
            failure = &m.S_InvalidTCPPort;
        }
    }
    if (failure != nullptr) {
        MessageDlg(m.S_Error + "\r" + *failure, TMsgDlgType::mtError);
    }
    return failure == nullptr;
}

void TSettingsForm::UpdateControls() {
    const bool fixedPort = !rbAutoSerach->isChecked();
    cmbComPorts->setEnabled(fixedPort);
    cmbBaudRate->setEnabled(fixedPort);
    btnSearch->setEnabled(!fixedPort);
    Label5->setEnabled(fixedPort);
    Label2->setEnabled(fixedPort);
    btnTest->setEnabled(fixedPort);
    edtDevSerial->setEnabled(!fixedPort);
    lblDevSerial->setEnabled(!fixedPort);
}

void TSettingsForm::btnTestClick() {
    const std::string speedText = ToAnsi(cmbBaudRate->currentText());
    int32_t speed = 0;
    if (!TryStrToInt(speedText, speed)) {
        // No speed chosen: no test runs, and the application's exception hook logs why.
        throw std::invalid_argument("'" + speedText + "' is not a valid integer value");
    }
    TNoInputScope noInput(*this);
    FHost.TestConnection(ToAnsi(cmbComPorts->currentText()), speed);
}

void TSettingsForm::btnSearchClick() {
    std::string serial;
    std::string port;
    bool found = false;
    bool wanted = false;
    {
        TSearchScope scope;
        TNoInputScope noInput(*this);
        Settings().DevicesToWorkWith = Trim(ToAnsi(edtDevSerial->text()));
        found = FHost.AutoSearchPort(serial);
        port = Settings().ComPort;
        wanted = IsWantedDevice(serial, Settings().DevicesToWorkWith);
    }
    const TLngMessages& m = LngMessages();
    const std::string device = "\"" + serial + "\" / \"" + port + "\" ";
    if (!found) {
        MessageDlg(m.S_NoDevicesFound, TMsgDlgType::mtError);
    } else if (wanted) {
        MessageDlg(m.S_FoundDevice + device, TMsgDlgType::mtInformation);
    } else {
        MessageDlg(m.S_NotFoundSerial + "\r" + m.S_UsingDev + "\r" + device,
                   TMsgDlgType::mtWarning);
    }
}

void TSettingsForm::accept() {
    if (ValidateInput()) {
        QDialog::accept();
    }
}

bool EditSettings(ISettingsHost& Host, QWidget* Parent, const std::string& LngFileName) {
    std::vector<std::string> ports;
    EnumComPorts(ports);
    TSettingsForm form(Host, ports, LngFileName, Parent);
    form.LoadSettings();
    if (form.exec() != QDialog::Accepted) {
        return false;
    }
    form.StoreSettings();
    return true;
}

bool TSettingsForm::event(QEvent* Event) {
    if (Event->type() == QEvent::WindowActivate) {
        TranslateQtForm(FLngFileName, this);
        UpdateControls();
    }
    return QDialog::event(Event);
}
