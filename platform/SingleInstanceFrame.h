#pragma once
// The message a second start sends to the running instance over the local socket:
// a 4-byte big-endian byte count N, then N bytes of the path as UTF-16LE (N may be 0).
// The running instance answers one acknowledgement byte once the path has been taken.
// The reader is fed whatever arrives from an untrusted peer and must never trust the count.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>

class SingleInstanceFrame {
public:
    static constexpr qsizetype kHeaderBytes = 4;
    // A path longer than this is not a path any file system gives us; refusing it bounds memory.
    static constexpr quint32 kMaxPayloadBytes = 64 * 1024;
    static constexpr char kAck = 0x06;

    enum class State { NeedMore, Complete, Rejected };

    // The whole message for a path, or nothing when the path is too long to send.
    static std::optional<QByteArray> encode(const QString& path);

    // Appends bytes from the peer and says where the message stands. Once Complete or
    // Rejected, further bytes are ignored and the state stays.
    State feed(QByteArrayView bytes);
    State state() const { return m_state; }
    // The received path, cut at the first NUL character; empty until Complete.
    QString path() const { return m_path; }

private:
    State m_state = State::NeedMore;
    QByteArray m_buffer;
    quint32 m_expected = 0;
    bool m_haveHeader = false;
    QString m_path;
};
