#include "FormText.h"

#include "CodePage.h"

QString FromAnsi(const std::string& Text) {
    QString text = QString::fromStdString(platform::AnsiToUtf8(Text));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string ToAnsi(const QString& Text) {
    QString text = Text;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return platform::Utf8ToAnsi(text.toStdString());
}
