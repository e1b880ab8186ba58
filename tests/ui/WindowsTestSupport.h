#pragma once
// A QApplication for the window tests (offscreen), and screenshots for a person to look at.

#include "support/QtApplication.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

namespace vorlandite::testing {

inline void EnsureApplication() {
    vorlandite::testing::EnsureQtApplication<QApplication>();
}

// Into $VORLANDITE_SHOTS when it names a folder; nothing otherwise.
inline void SaveShot(QWidget& widget, const char* name) {
    const QString folder = qEnvironmentVariable("VORLANDITE_SHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    widget.grab().save(folder + "/" + name);
}

} // namespace vorlandite::testing
