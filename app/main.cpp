#include "TervikApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return TheApp().InitInstance(QCoreApplication::arguments());
}
