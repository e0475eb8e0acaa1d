#pragma once
// Small text operations shared by the play list, the main window's size parsing and the settings
// pages.

#include <QString>
#include <QStringList>

namespace TextOps {

// The audio file extensions the player accepts, compared exactly (case-sensitive).
inline constexpr const char* kSupportedExtensions = "mp1,mp2,mp3,wma,flac,aac,ogg,ape";

// Non-empty pieces of text between any of the delimiter characters, in order.
QStringList SplitText(const QString& text, const QString& delimiters);

// True when item equals one of the comma-separated pieces of list (exact comparison).
bool IsInCommaList(const QString& item, const QString& list);

// The file-name part of path (after the last '/' or '\'), cut to its first non-empty
// dot-separated piece: "01.Intro.mp3" gives "01". With no such piece, the file-name part itself,
// or the whole path when that is empty.
QString FileNameTitle(const QString& path);

// True when the file name's extension (after its last dot) is one of kSupportedExtensions.
bool IsSupportedAudioFile(const QString& path);

// Decimal conversion used for stored numbers: leading white space, an optional sign, then
// digits up to the first other character; 0 when there are no digits. Clamped to int's range.
int decimalValue(const QString& text);

}  // namespace TextOps
