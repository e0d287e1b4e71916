#include "MessageDlg.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

#include "FormText.h"

namespace {

TMessageDlgHandler& Handler() {
    static TMessageDlgHandler handler;
    return handler;
}

void ShowMessageBox(const TMessageDlgRequest& Request) {
    const QMessageBox::Icon icon = Request.Type == TMsgDlgType::mtError ? QMessageBox::Critical
                                   : Request.Type == TMsgDlgType::mtWarning
                                       ? QMessageBox::Warning
                                       : QMessageBox::Information;
    QMessageBox box(icon, QApplication::applicationDisplayName(), FromAnsi(Request.Text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace

void MessageDlg(const std::string& Text, TMsgDlgType Type) {
    const TMessageDlgRequest request{Text, Type};
    if (Handler()) {
        Handler()(request);
    } else {
        ShowMessageBox(request);
    }
}

TScopedMessageDlgHandler::TScopedMessageDlgHandler(TMessageDlgHandler Handler_)
    : FPrevious(std::exchange(Handler(), std::move(Handler_))) {}

TScopedMessageDlgHandler::~TScopedMessageDlgHandler() {
    Handler() = std::move(FPrevious);
}
