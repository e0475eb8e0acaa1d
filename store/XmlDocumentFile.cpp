#include "XmlDocumentFile.h"

#include "AtomicFile.h"
#include "DataDirectory.h"
#include "RegularFile.h"
#include "XmlPrinter.h"

#include <QFile>

#include <cstdio>

namespace {

// Index of the first occurrence of token at or after from, or the end of bytes.
qsizetype skipPast(const QByteArray& bytes, qsizetype from, const char* token) {
    const qsizetype at = bytes.indexOf(token, from);
    return at < 0 ? bytes.size() : at + qsizetype(qstrlen(token));
}

bool startsAt(const QByteArray& bytes, qsizetype at, const char* token) {
    return QByteArrayView(bytes).sliced(at).startsWith(token);
}

}  // namespace

QString XmlDocumentFile::dataPath(const QString& name) { return DataDirectory::path() + name; }

qsizetype XmlDocumentFile::limitedLength(const QByteArray& bytes) {
    // Follows TinyXML's view of markup closely enough to never count less nesting or fewer
    // attributes than it parses: comments, CDATA and other "<!" / "<?" nodes do not nest; quoted
    // attribute values may hold '>', "/>" and '='; every attribute TinyXML accepts has a '='
    // outside quotes (a quote anywhere else in a tag is a fault where it stops).
    int depth = 0;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        if (bytes[i] != '<') {
            ++i;
            continue;
        }
        if (startsAt(bytes, i, "<!--")) {
            i = skipPast(bytes, i + 4, "-->");
        } else if (startsAt(bytes, i, "<![CDATA[")) {
            i = skipPast(bytes, i + 9, "]]>");
        } else if (startsAt(bytes, i, "<!") || startsAt(bytes, i, "<?")) {
            i = skipPast(bytes, i + 2, ">");
        } else if (startsAt(bytes, i, "</")) {
            depth = qMax(0, depth - 1);
            i = skipPast(bytes, i + 2, ">");
        } else {
            if (++depth > kMaxDepth) return i;
            const qsizetype tagStart = i;
            int attributes = 0;
            ++i;
            while (i < n && bytes[i] != '>') {
                const char c = bytes[i];
                if (c == '"' || c == '\'') {
                    const qsizetype close = bytes.indexOf(c, i + 1);
                    i = close < 0 ? n : close + 1;
                } else {
                    if (c == '=' && ++attributes > kMaxAttributes) return tagStart;
                    ++i;
                }
            }
            if (i < n && i > tagStart + 1 && bytes[i - 1] == '/') --depth;
            if (i < n) ++i;
        }
    }
    return n;
}

bool XmlDocumentFile::parse(const QByteArray& raw, TiXmlDocument* document) {
    // The same normalisation TinyXML's LoadFile does: CR LF and lone CR become LF.
    QByteArray bytes = raw;
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');

    const qsizetype usable = limitedLength(bytes);
    const bool cut = usable < bytes.size();
    bytes.truncate(usable);
    // A NUL ends the text for TinyXML; treat what follows as a fault, not as data.
    const bool hasNul = bytes.contains('\0');

    // TinyXML stops without an error at text it cannot place (stray characters between
    // elements) and drops everything behind it; that too counts as a fault.
    // It also returns null, without an error, when the last node closes exactly at the end of
    // the text (no line break after it), and after a declaration cut short at the end.
    // TinyXML steps over a whole UTF-8 sequence by its lead byte, past the terminating NUL when
    // the text ends inside one; the padding keeps such reads inside the buffer.
    const QByteArray padded = bytes + QByteArray(16, '\0');
    const char* end = document->Parse(padded.constData(), nullptr, TIXML_DEFAULT_ENCODING);
    const bool atEnd = end ? *end == '\0' : bytes.trimmed().endsWith('>');
    return !cut && !hasNul && !document->Error() && atEnd;
}

bool XmlDocumentFile::load(const QString& path, TiXmlDocument* document, qint64 maxBytes,
                           std::optional<QByteArray>* bytes) {
    const std::optional<QByteArray> read = RegularFile::read(path, maxBytes);
    if (bytes) *bytes = read;
    if (!read) return false;
    return parse(*read, document);
}

bool XmlDocumentFile::moveAside(const QString& path) {
    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(path + QStringLiteral(".bad"));
    return ::rename(from.constData(), to.constData()) == 0;
}

void XmlDocumentFile::addDeclaration(TiXmlDocument* document) {
    document->LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
}

QByteArray XmlDocumentFile::toBytes(const TiXmlDocument& document) {
    const std::string text = XmlPrinter::print(document);
    return QByteArray(text.data(), qsizetype(text.size()));
}

bool XmlDocumentFile::save(const TiXmlDocument& document, const QString& path) {
    return AtomicFile::save(path, toBytes(document));
}
