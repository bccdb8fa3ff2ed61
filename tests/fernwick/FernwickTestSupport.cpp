#include "FernwickTestSupport.h"

#include <QApplication>
#include <QCryptographicHash>

namespace fernwick_test {

std::string upperMd5(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5)
        .toHex()
        .toUpper()
        .toStdString();
}

void ensureApplication() {
    if (QApplication::instance())
        return;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    static int argc = 1;
    static char name[] = "fernwick_tests";
    static char* argv[] = { name, nullptr };
    new QApplication(argc, argv); // kept for the whole test process
}

} // namespace fernwick_test
