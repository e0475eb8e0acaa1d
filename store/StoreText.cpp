#include "StoreText.h"

#include <QStringDecoder>

#include <cctype>

namespace StoreText {

namespace {

// QString::fromUtf8 and fromLocal8Bit drop a leading U+FEFF as a byte-order mark; in a stored
// value it is text (a title may start with one) and must come back as it was written.
QString decode(QStringDecoder::Encoding encoding, const std::string& bytes) {
    QStringDecoder decoder(
        encoding, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

}  // namespace

std::string toUtf8(const QString& text) { return text.toUtf8().toStdString(); }

QString fromUtf8(const std::string& bytes) { return decode(QStringDecoder::Utf8, bytes); }

std::string toLocal(const QString& text) { return text.toLocal8Bit().toStdString(); }

QString fromLocal(const std::string& bytes) { return decode(QStringDecoder::System, bytes); }

std::string decimal(qint32 value) { return std::to_string(value); }

qint32 parseDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    quint32 value = 0;  // wraps modulo 2^32 on purpose
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + quint32(text[i] - '0');
    }
    if (negative) value = 0u - value;
    return qint32(value);
}

}  // namespace StoreText
