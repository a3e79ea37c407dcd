// The reader process for tests of the core layer: what the program runs with "--read-text", without
// linking the whole program.
#include "core/TextReaderChild.h"
#include "platform/TextEngine.h"

#include <QCoreApplication>

int main(int argc, char **argv) {
    platform::ensureSingleThreadedOpenMP(argc, argv);
    QCoreApplication app(argc, argv);
    return TextReaderChild::run(QCoreApplication::arguments());
}
