#include "SingleInstanceFrame.h"

#include <QtEndian>

namespace {

// The paths of a payload, or nothing when it is not one our sender writes.
std::optional<QStringList> splitPaths(const QByteArray& payload) {
    if (payload.isEmpty()) {
        return QStringList();
    }
    QString text(payload.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        text[i] = QChar(qFromLittleEndian<quint16>(payload.constData() + 2 * i));
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pairStart =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (pairStart) {
            ++i;
        } else if (text.at(i).isSurrogate()) {
            return std::nullopt;
        }
    }
    const QStringList paths = text.split(QChar(u'\0'));
    if (paths.contains(QString())) {
        return std::nullopt;  // two NULs in a row, or one at either end
    }
    return paths;
}

}  // namespace

std::optional<QByteArray> SingleInstanceFrame::encode(const QStringList& paths) {
    QString joined;
    for (const QString& path : paths) {
        if (path.contains(QChar(u'\0'))) {
            return std::nullopt;
        }
        if (path.isEmpty()) {
            continue;
        }
        if (!joined.isEmpty()) {
            joined.append(QChar(u'\0'));
        }
        joined.append(path);
    }
    const qsizetype payload = joined.size() * qsizetype(sizeof(char16_t));
    if (payload > qsizetype(kMaxPayloadBytes)) {
        return std::nullopt;
    }
    QByteArray message(kHeaderBytes + payload, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(payload), message.data());
    char* out = message.data() + kHeaderBytes;
    for (qsizetype i = 0; i < joined.size(); ++i) {
        qToLittleEndian<quint16>(joined.at(i).unicode(), out + 2 * i);
    }
    return message;
}

SingleInstanceFrame::State SingleInstanceFrame::feed(QByteArrayView bytes) {
    if (m_state != State::NeedMore) {
        return m_state;
    }
    if (!m_haveHeader) {
        const qsizetype need = kHeaderBytes - m_buffer.size();
        m_buffer.append(bytes.first(qMin(need, bytes.size())));
        bytes = bytes.sliced(qMin(need, bytes.size()));
        if (m_buffer.size() < kHeaderBytes) {
            return m_state;
        }
        m_expected = qFromBigEndian<quint32>(m_buffer.constData());
        m_buffer.clear();
        m_haveHeader = true;
        // UTF-16 comes in whole code units; an odd count or an oversized one is not ours.
        if (m_expected > kMaxPayloadBytes || m_expected % 2 != 0) {
            m_state = State::Rejected;
            return m_state;
        }
        m_buffer.reserve(qsizetype(m_expected));
    }
    const qsizetype need = qsizetype(m_expected) - m_buffer.size();
    m_buffer.append(bytes.first(qMin(need, bytes.size())));
    if (m_buffer.size() < qsizetype(m_expected)) {
        return m_state;
    }
    const std::optional<QStringList> paths = splitPaths(m_buffer);
    m_buffer.clear();
    if (!paths) {
        m_state = State::Rejected;
        return m_state;
    }
    m_paths = *paths;
    m_state = State::Complete;
    return m_state;
}
