#pragma once
// The one Qt application object a test program needs for windows, painting or fonts: made on
// first use (App is QGuiApplication or QApplication) and kept until the program ends.

#include <QCoreApplication>

namespace vorlandite::testing {

template <class App>
void EnsureQtApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "vorlandite_test";
        static char* argv[] = {name, nullptr};
        static App app(argc, argv);
    }
}

} // namespace vorlandite::testing
