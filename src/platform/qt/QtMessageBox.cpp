#include "platform/qt/QtMessageBox.h"

#include <QMessageBox>
#include <QString>

#include <cstdio>

namespace vorlandite::platform {

void QtMessageBox::Show(const std::string& caption, const std::string& text, MessageIcon icon) {
    std::string oneLine = text;
    for (char& c : oneLine)
        if (c == '\r' || c == '\n')
            c = ' ';
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), oneLine.c_str());

    QMessageBox::Icon qtIcon = icon == MessageIcon::Error     ? QMessageBox::Critical
                               : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                              : QMessageBox::Information;
    QMessageBox box(qtIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

} // namespace vorlandite::platform
