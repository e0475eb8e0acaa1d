#pragma once
// The message a second start sends to the running instance over the local socket:
// a 4-byte big-endian byte count N, then N bytes: the start's paths in order as UTF-16LE, one NUL
// code unit between two paths (no path holds one). N = 0 is the empty list of a start without
// files: the running instance then only comes forward. The running instance answers one
// acknowledgement byte once the paths have been taken.
// The reader is fed whatever arrives from an untrusted peer and must never trust the count; it
// refuses anything our sender never writes: an odd or oversized count, an empty path, a lone
// surrogate.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

class SingleInstanceFrame {
public:
    static constexpr qsizetype kHeaderBytes = 4;
    // All paths together: a few hundred long paths fit; refusing more bounds memory.
    static constexpr quint32 kMaxPayloadBytes = 64 * 1024;
    static constexpr char kAck = 0x06;

    enum class State { NeedMore, Complete, Rejected };

    // The whole message for the paths (empty ones are left out), or nothing when they do not
    // fit in one message or a path holds a NUL character.
    static std::optional<QByteArray> encode(const QStringList& paths);

    // Appends bytes from the peer and says where the message stands. Once Complete or
    // Rejected, further bytes are ignored and the state stays.
    State feed(QByteArrayView bytes);
    State state() const { return m_state; }
    // The received paths, in order; empty until Complete.
    QStringList paths() const { return m_paths; }

private:
    State m_state = State::NeedMore;
    QByteArray m_buffer;
    quint32 m_expected = 0;
    bool m_haveHeader = false;
    QStringList m_paths;
};
