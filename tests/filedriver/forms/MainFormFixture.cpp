#include "MainFormFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <filesystem>

#include "ConstUnit_Program.h"
#include "StrResUnit.h"

TModalAnswerer::TModalAnswerer(QString Input, bool Yes) : FInput(std::move(Input)), FYes(Yes) {
    connect(&FTimer, &QTimer::timeout, this, &TModalAnswerer::Poll);
    FTimer.start(5);
}

void TModalAnswerer::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
        return;
    }
    FTimer.stop();
    if (WhileOpen) {
        WhileOpen();
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        Texts << box->text();
        QAbstractButton* button = box->button(FYes ? QMessageBox::Yes : QMessageBox::No);
        (button ? button : box->button(QMessageBox::Ok))->click();
    } else if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        Texts << input->labelText();
        input->setTextValue(FInput);
        input->accept();
    }
    FTimer.start(5);
}

void TModalAnswerer::Settle() {
    EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() == nullptr; }));
}

void MainFormTest::SetUp() {
    TestFolder::SetUp();
    ResetSettings();
    ResetLngMessages();
    GlobalLogger.reset();
    WriteIni(
        "[Connection-IP]\r\nip_address=127.0.0.1\r\ntcp_port=4999\r\n"
        "[OTHER]\r\nuse_tcp=1\r\ncheck_prn_interval=0\r\n");
    Services.DriverVersion = [] { return std::string("1.0.0.1"); };
    Services.CreatePrinter = [this] {
        auto printer = std::make_unique<TFakePrinter>(Journal);
        printer->Info.Model = "FP-55";
        printer->Info.Serial = "ED000123";
        printer->Info.FiscalNo = "4000123456";
        printer->Info.PrinterClock = 45000.75;
        Printer = printer.get();
        return printer;
    };
    Services.EnumSerialPorts = [] { return std::vector<std::string>{"COM1", "COM2", "COM3"}; };
    Services.Now = [this] { return Clock; };
}

void MainFormTest::TearDown() {
    FForm.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    GlobalLogger.reset();
    ResetSettings();
    TestFolder::TearDown();
}

TMainForm& MainFormTest::Form() {
    if (!FForm) {
        FForm = std::make_unique<TMainForm>(Program(), Services);
    }
    return *FForm;
}

TMainForm& MainFormTest::Started() {
    Form().FormActivate();
    EXPECT_FALSE(Form().FirstActivatePending());
    return Form();
}

std::string MainFormTest::LogText() const {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(Path("Log"))) {
        text += Get(entry.path().string());
    }
    return text;
}
