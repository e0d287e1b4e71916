#pragma once

#include <functional>
#include <string>

// The program's message boxes, each with an OK button. Texts are ANSI, lines joined by CR as
// the language file's messages are. Every box goes through one handler, so that tests answer
// the boxes themselves on a platform where nobody could.

enum class TMsgDlgType { mtWarning, mtError, mtInformation };

struct TMessageDlgRequest {
    std::string Text;
    TMsgDlgType Type = TMsgDlgType::mtInformation;
};

using TMessageDlgHandler = std::function<void(const TMessageDlgRequest&)>;

// Shows a modal box over the active window.
void MessageDlg(const std::string& Text, TMsgDlgType Type);

// While it lives, every box is passed to Handler instead of being shown; the previous handler
// comes back when it goes.
class TScopedMessageDlgHandler {
public:
    explicit TScopedMessageDlgHandler(TMessageDlgHandler Handler);
    ~TScopedMessageDlgHandler();
    TScopedMessageDlgHandler(const TScopedMessageDlgHandler&) = delete;
    TScopedMessageDlgHandler& operator=(const TScopedMessageDlgHandler&) = delete;

private:
    TMessageDlgHandler FPrevious;
};
