#pragma once
// The two text conversions of the data files and the decimal rule for numbers in them.
// Config values and play list entries travel as UTF-8; keys, paths, skin and radio attributes
// in the locale's 8-bit encoding.

#include <QByteArray>
#include <QString>

#include <string>

namespace StoreText {

std::string toUtf8(const QString& text);
QString fromUtf8(const std::string& bytes);

std::string toLocal(const QString& text);
QString fromLocal(const std::string& bytes);

// Signed decimal text of a 32-bit value ("-1" for 0xFFFFFFFF).
std::string decimal(qint32 value);

// Leading white space, an optional sign, then digits up to the first other character; 0 when
// there are none. Values outside 32 bits keep their low 32 bits, so "4294967295" reads as -1
// just like "-1", the form this library writes.
qint32 parseDecimal(const std::string& text);

}  // namespace StoreText
