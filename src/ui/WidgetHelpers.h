#pragma once
// Small helpers the program's windows share: translated captions and controls made the way the
// designs place them (a name and a fixed geometry).

#include "base/Windows1252.h"
#include "ui/CaptionTable.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>

namespace vorlandite::ui {

// The English caption through the translation table, with a fixed suffix ("...", " *") after it.
inline QString Caption(std::string_view key, std::string_view suffix = {}) {
    return QString::fromStdString(Cp1252ToUtf8(TranslateCaption(key) + std::string(suffix)));
}

template <typename T>
T* Make(QWidget* parent, const char* name, QRect geometry) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace vorlandite::ui
