#pragma once
// What the version service's reply says: a text of comma-separated "key:value" items (braces
// ignored), of which "ver" (dotted version) and "ptm" (release time) matter. Keys and values are
// taken exactly as they stand: no trimming, no quotes removed, case-sensitive, and a value ends at
// the next ':' or ','. Pure functions of the text, so the server's bytes can be fuzzed.
// Thread: any.

#include <QString>
#include <QStringView>

class VersionReply {
public:
    // The version of this program as the service counts: a reply above it offers an update.
    static constexpr qint64 kOwnVersion = 16;

    enum class Verdict {
        Broken,  // "ver" or "ptm" missing (or empty)
        Latest,  // the service's version is not newer than ours
        Newer,   // a newer version exists
    };
    struct Reading {
        Verdict verdict = Verdict::Broken;
        QString version;  // "ver" as received, dots kept
        QString time;     // "ptm"
    };

    // The value that follows `key` in the first item holding it with a value after it; empty
    // when there is none.
    static QString Lookup(QStringView reply, QStringView key);
    // The version as one number: dots removed, then the leading decimal integer (blanks skipped,
    // optional sign, no digits: 0), saturating instead of overflowing.
    static qint64 Number(QStringView version);
    static Reading Read(QStringView reply);
};
