#include "SingleInstanceFrame.h"

#include <QtEndian>

std::optional<QByteArray> SingleInstanceFrame::encode(const QString& path) {
    const qsizetype payload = path.size() * qsizetype(sizeof(char16_t));
    if (payload > qsizetype(kMaxPayloadBytes)) {
        return std::nullopt;
    }
    QByteArray message(kHeaderBytes + payload, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(payload), message.data());
    char* out = message.data() + kHeaderBytes;
    for (qsizetype i = 0; i < path.size(); ++i) {
        qToLittleEndian<quint16>(path.at(i).unicode(), out + 2 * i);
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
    QString path;
    path.reserve(m_buffer.size() / 2);
    for (qsizetype i = 0; i + 1 < m_buffer.size(); i += 2) {
        const char16_t unit = qFromLittleEndian<quint16>(m_buffer.constData() + i);
        if (unit == 0) {
            break;
        }
        path.append(QChar(unit));
    }
    m_path = path;
    m_buffer.clear();
    m_state = State::Complete;
    return m_state;
}
