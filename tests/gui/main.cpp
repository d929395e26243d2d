#include <gtest/gtest.h>
#include <QApplication>
#include <QThreadPool>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    // The toolkit's pooled threads each hold a descriptor and retire after a
    // while of rest; kept for good, they cannot change a count of open
    // descriptors taken around a command.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    return RUN_ALL_TESTS();
}
