#pragma once
// Decodes tag text that carries no trustworthy character set: ID3v1 fields, ID3v2 frames marked
// ISO-8859-1 and APE items that are not valid UTF-8. Many Chinese files hold GBK bytes there.
// The text is read as GB18030 only when those bytes decode cleanly into Chinese text AND their
// Latin-1 reading is implausible; real Latin-1 text ("Café", "Motörhead") stays Latin-1, with
// the Windows-1252 signs (’ “ ” – …) for bytes 0x80..0x9F.
//
// Threads: stateless, safe from any thread.

#include <QByteArray>
#include <QString>

class LegacyTextDecoder {
public:
    enum class Charset { Latin1, Gb18030 };

    static Charset guess(const QByteArray& raw);
    static QString decode(const QByteArray& raw);

    // Parts of the decision, exposed for tests.
    // True when every run of high bytes looks like accented letters inside Latin-1 words.
    static bool isPlausibleLatin1(const QByteArray& raw);
    // The strict GB18030 reading when it is error-free and reads as Chinese text, else empty.
    static QString chineseReading(const QByteArray& raw);
};
