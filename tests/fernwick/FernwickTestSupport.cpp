#include "FernwickTestSupport.h"

#include <QCryptographicHash>

namespace fernwick_test {

std::string upperMd5(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Md5)
        .toHex()
        .toUpper()
        .toStdString();
}

} // namespace fernwick_test
