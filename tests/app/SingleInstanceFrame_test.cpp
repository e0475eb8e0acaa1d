#include "SingleInstanceFrame.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>

namespace {

using State = SingleInstanceFrame::State;

QByteArray header(quint32 n) {
    const char bytes[] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return QByteArray(bytes, 4);
}

TEST(SingleInstanceFrame, EncodesAndRoundTripsWholeOrByteByByte) {
    EXPECT_EQ(*SingleInstanceFrame::encode(QStringLiteral("Ab")),
              header(4) + QByteArray("A\0b\0", 4));
    for (const QString& path : {QString(), QStringLiteral("/音乐/歌 一.flac"),
                                QStringLiteral("/m/\U0001D11E clef.ogg")}) {
        const QByteArray message = *SingleInstanceFrame::encode(path);
        SingleInstanceFrame whole;
        EXPECT_EQ(whole.feed(message), State::Complete);
        EXPECT_EQ(whole.path(), path);
        SingleInstanceFrame trickled;
        for (qsizetype i = 0; i < message.size(); ++i) {
            EXPECT_EQ(trickled.feed(QByteArrayView(message).sliced(i, 1)),
                      i + 1 == message.size() ? State::Complete : State::NeedMore);
        }
        EXPECT_EQ(trickled.path(), path);
    }
}

TEST(SingleInstanceFrame, RefusesOddAndOversizedCountsFromTheHeaderAlone) {
    const quint32 max = SingleInstanceFrame::kMaxPayloadBytes;
    for (quint32 n : {1u, 3u, max + 1, max + 2, 0xFFFFFFFFu}) {
        SingleInstanceFrame frame;
        EXPECT_EQ(frame.feed(header(n)), State::Rejected) << n;
        EXPECT_EQ(frame.feed(QByteArray(8, 'a')), State::Rejected);  // nothing revives it
    }
    const QString largest(qsizetype(max / 2), QChar(u'x'));
    SingleInstanceFrame frame;
    EXPECT_EQ(frame.feed(*SingleInstanceFrame::encode(largest)), State::Complete);
    EXPECT_FALSE(SingleInstanceFrame::encode(largest + QChar(u'x')).has_value());
}

TEST(SingleInstanceFrame, CutsAtNulAndIgnoresBytesAfterTheMessage) {
    QByteArray message = *SingleInstanceFrame::encode(QStringLiteral("/a.mp3"));
    message.replace(4 + 4, 2, QByteArray(2, '\0'));
    SingleInstanceFrame frame;
    EXPECT_EQ(frame.feed(message + "trailing"), State::Complete);
    EXPECT_EQ(frame.path(), QStringLiteral("/a"));
}

TEST(SingleInstanceFrame, SurvivesRandomBytesInRandomPieces) {
    QRandomGenerator random(20261206);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes(qsizetype(random.bounded(0, 64)), Qt::Uninitialized);
        for (char& c : bytes) c = char(random.bounded(256));
        if (bytes.size() >= 4 && random.bounded(2) == 0)  // small counts, so some complete
            bytes.replace(0, 4, header(quint32(random.bounded(0, 40))));
        SingleInstanceFrame frame;
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype piece = qMin<qsizetype>(random.bounded(1, 9), bytes.size() - at);
            frame.feed(QByteArrayView(bytes).sliced(at, piece));
            at += piece;
        }
        const bool complete = frame.state() == State::Complete;
        EXPECT_LE(frame.path().size(), complete ? qsizetype(quint8(bytes[3]) / 2) : 0);
        EXPECT_FALSE(frame.path().contains(QChar(u'\0')));
    }
}

}  // namespace
