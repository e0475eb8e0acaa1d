// A reply of the version service, any bytes: the reading must end, and what it returns must be
// a piece of the reply that the rules allow.

#include "update/VersionReply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void require(bool condition) {
    if (!condition) std::abort();
}

void checkValue(const QString& value, const QString& stripped) {
    for (const QChar c : {u':', u',', u'{', u'}'}) require(!value.contains(c));
    require(value.isEmpty() || stripped.contains(value));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString reply = QString::fromLocal8Bit(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    QString stripped = reply;
    stripped.remove(u'{').remove(u'}');
    const VersionReply::Reading reading = VersionReply::Read(reply);
    checkValue(reading.version, stripped);
    checkValue(reading.time, stripped);
    const qint64 number = VersionReply::Number(reading.version);
    switch (reading.verdict) {
        case VersionReply::Verdict::Broken:
            require(reading.version.isEmpty() || reading.time.isEmpty());
            break;
        case VersionReply::Verdict::Latest:
            require(number <= VersionReply::kOwnVersion && !reading.time.isEmpty());
            break;
        case VersionReply::Verdict::Newer:
            require(number > VersionReply::kOwnVersion && !reading.time.isEmpty());
            break;
    }
    return 0;
}
