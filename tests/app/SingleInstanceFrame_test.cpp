#include "SingleInstanceFrame.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>

namespace {

using State = SingleInstanceFrame::State;

QByteArray header(quint32 n) {
    QByteArray bytes(4, '\0');
    bytes[0] = char(n >> 24);
    bytes[1] = char(n >> 16);
    bytes[2] = char(n >> 8);
    bytes[3] = char(n);
    return bytes;
}

TEST(SingleInstanceFrame, EncodesBigEndianCountAndLittleEndianUtf16) {
    const auto message = SingleInstanceFrame::encode(QStringLiteral("Ab"));
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message, QByteArray("\x00\x00\x00\x04"
                                   "A\x00"
                                   "b\x00",
                                   8));
    const auto empty = SingleInstanceFrame::encode(QString());
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(*empty, QByteArray(4, '\0'));
}

TEST(SingleInstanceFrame, RoundTripsWholeAndInSingleBytes) {
    const QStringList paths = {QString(), QStringLiteral("/music/a.mp3"),
                               QStringLiteral("/音乐/歌 一.flac"),
                               QStringLiteral("/m/\U0001D11E clef.ogg")};
    for (const QString& path : paths) {
        const QByteArray message = *SingleInstanceFrame::encode(path);
        SingleInstanceFrame whole;
        EXPECT_EQ(whole.feed(message), State::Complete);
        EXPECT_EQ(whole.path(), path);

        SingleInstanceFrame trickled;
        for (qsizetype i = 0; i < message.size(); ++i) {
            const State state = trickled.feed(QByteArrayView(message).sliced(i, 1));
            EXPECT_EQ(state, i + 1 == message.size() ? State::Complete : State::NeedMore) << i;
        }
        EXPECT_EQ(trickled.path(), path);
    }
}

TEST(SingleInstanceFrame, RefusesOddAndOversizedCountsFromTheHeaderAlone) {
    for (quint32 n : {1u, 3u, SingleInstanceFrame::kMaxPayloadBytes + 1,
                      SingleInstanceFrame::kMaxPayloadBytes + 2, 0xFFFFFFFFu}) {
        SingleInstanceFrame frame;
        EXPECT_EQ(frame.feed(header(n)), State::Rejected) << n;
        // Nothing after a refusal revives the message.
        EXPECT_EQ(frame.feed(QByteArray(8, 'a')), State::Rejected);
        EXPECT_TRUE(frame.path().isEmpty());
    }
}

TEST(SingleInstanceFrame, AcceptsExactlyTheLargestMessage) {
    const QString path(qsizetype(SingleInstanceFrame::kMaxPayloadBytes / 2), QChar(u'x'));
    const auto message = SingleInstanceFrame::encode(path);
    ASSERT_TRUE(message.has_value());
    SingleInstanceFrame frame;
    EXPECT_EQ(frame.feed(*message), State::Complete);
    EXPECT_EQ(frame.path().size(), path.size());

    EXPECT_FALSE(SingleInstanceFrame::encode(path + QChar(u'x')).has_value());
}

TEST(SingleInstanceFrame, CutsAtNulAndIgnoresBytesAfterTheMessage) {
    SingleInstanceFrame frame;
    QByteArray message = *SingleInstanceFrame::encode(QStringLiteral("/a.mp3"));
    message.replace(4 + 4, 2, QByteArray(2, '\0'));  // "/a" NUL "mp3"
    message.append("trailing");
    EXPECT_EQ(frame.feed(message), State::Complete);
    EXPECT_EQ(frame.path(), QStringLiteral("/a"));
    EXPECT_EQ(frame.feed("more"), State::Complete);
    EXPECT_EQ(frame.path(), QStringLiteral("/a"));
}

TEST(SingleInstanceFrame, SurvivesRandomBytesInRandomPieces) {
    QRandomGenerator random(20261206);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes(qsizetype(random.bounded(0, 64)), Qt::Uninitialized);
        for (char& c : bytes) {
            c = char(random.bounded(256));
        }
        // Small counts now and then, so that some messages do complete.
        if (bytes.size() >= 4 && random.bounded(2) == 0) {
            bytes[0] = bytes[1] = bytes[2] = 0;
            bytes[3] = char(random.bounded(0, 40));
        }
        SingleInstanceFrame frame;
        qsizetype at = 0;
        while (at < bytes.size()) {
            const qsizetype piece = qMin<qsizetype>(random.bounded(1, 9), bytes.size() - at);
            frame.feed(QByteArrayView(bytes).sliced(at, piece));
            at += piece;
        }
        if (frame.state() == State::Complete) {
            const quint32 n = quint8(bytes[3]);
            EXPECT_EQ(n % 2, 0u);
            EXPECT_LE(frame.path().size(), qsizetype(n / 2));
            EXPECT_FALSE(frame.path().contains(QChar(u'\0')));
        } else {
            EXPECT_TRUE(frame.path().isEmpty());
        }
    }
}

}  // namespace
