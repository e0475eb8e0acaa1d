#include "tags/MusicTagReader.h"

#include "tags/ApeRawReader.h"
#include "tags/Id3v2RawReader.h"
#include "tags/LegacyTextDecoder.h"
#include "tags/TagFileStream.h"
#include "tags/TitleFrameFactory.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/xiphcomment.h>

#include <optional>

namespace {

enum class Container { Mpeg, Ape, Flac, Asf, Mp4, Other };

Container containerOf(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"mp3" || ext == u"mp2" || ext == u"mp1" || ext == u"aac")
        return Container::Mpeg;  // ADTS AAC may carry ID3v2 in front, APE / ID3v1 behind
    if (ext == u"ape") return Container::Ape;
    if (ext == u"flac") return Container::Flac;
    if (ext == u"wma" || ext == u"asf") return Container::Asf;
    if (ext == u"m4a" || ext == u"mp4" || ext == u"m4b") return Container::Mp4;
    return Container::Other;  // OGG and the rest: TagLib picks by extension, then by content
}

QString fromTagLib(const TagLib::String& s) { return QString::fromUtf8(s.toCString(true)); }

// Several values of one field name several people or parts: listeners read "A / B".
constexpr QStringView kValueSeparator = u" / ";

QString joined(const TagLib::StringList& values) {
    QStringList texts;
    for (const TagLib::String& value : values) {
        if (!value.isEmpty()) texts.append(fromTagLib(value));
    }
    return texts.join(kValueSeparator);
}

// The bytes behind a string that TagLib read as ISO-8859-1 (one character per byte).
std::optional<QByteArray> latin1Bytes(const TagLib::String& s) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(s.size()));
    for (const wchar_t c : s) {
        if (static_cast<quint32>(c) > 0xFF) return std::nullopt;
        bytes.append(static_cast<char>(c));
    }
    return bytes;
}

QString fromLegacy(const TagLib::String& s) {
    const std::optional<QByteArray> bytes = latin1Bytes(s);
    return bytes ? LegacyTextDecoder::decode(*bytes) : fromTagLib(s);
}

QString clean(QString text) {
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u' ';
    }
    text = text.trimmed();
    if (text.size() > MusicTagReader::kMaxTextLength) {
        qsizetype keep = MusicTagReader::kMaxTextLength;
        if (text.at(keep - 1).isHighSurrogate()) --keep;
        text.truncate(keep);
    }
    return text;
}

template <typename TagType>
bool takeProperties(const TagLib::Tag* tag, TagLib::PropertyMap& out) {
    const auto* typed = dynamic_cast<const TagType*>(tag);
    if (typed) out = typed->properties();
    return typed != nullptr;
}

// Tag::properties() is not virtual: the tag types that keep lists are asked themselves.
TagLib::PropertyMap propertiesOf(const TagLib::Tag* tag) {
    TagLib::PropertyMap properties;
    if (takeProperties<TagLib::Ogg::XiphComment>(tag, properties) ||
        takeProperties<TagLib::APE::Tag>(tag, properties) ||
        takeProperties<TagLib::MP4::Tag>(tag, properties) ||
        takeProperties<TagLib::ASF::Tag>(tag, properties))
        return properties;
    return tag->properties();
}

// Title and artist each taken from the first tag that has them.
class Collector {
public:
    void offer(const QString& title, const QString& artist) {
        if (m_text.title.isEmpty()) m_text.title = clean(title);
        if (m_text.artist.isEmpty()) m_text.artist = clean(artist);
    }
    // Through the property map, which keeps every value of a field (title() glues them).
    void offer(const TagLib::Tag* tag) {
        if (!tag) return;
        const TagLib::PropertyMap properties = propertiesOf(tag);
        offer(joined(properties["TITLE"]), joined(properties["ARTIST"]));
    }
    const MusicTagText& text() const { return m_text; }

private:
    MusicTagText m_text;
};

// The values of every such frame (ID3v2.3 has no lists: writers repeat the frame), or nothing
// when TagLib could not decode one (UTF-16 without a mark), which the caller then reads from
// the raw frame.
std::optional<QString> id3v2Text(const TagLib::ID3v2::Tag* tag, const char* frameId) {
    const TagLib::ID3v2::FrameListMap& map = tag->frameListMap();
    const auto found = map.find(frameId);
    if (found == map.end()) return QString();
    QStringList texts;
    for (const TagLib::ID3v2::Frame* frame : found->second) {
        const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame);
        if (!text) continue;
        for (const TagLib::String& value : text->fieldList()) {
            if (value.isEmpty()) {
                // A value without its byte-order mark comes back empty.
                if (text->textEncoding() == TagLib::String::UTF16) return std::nullopt;
                continue;
            }
            // Marked ISO-8859-1, but often GBK in practice.
            texts.append(text->textEncoding() == TagLib::String::Latin1 ? fromLegacy(value)
                                                                        : fromTagLib(value));
        }
    }
    return texts.join(kValueSeparator);
}

void offerId3v2(const TagLib::ID3v2::Tag* tag, const QString& path, Collector& out) {
    if (!tag) return;
    const std::optional<QString> title = id3v2Text(tag, "TIT2");
    const std::optional<QString> artist = id3v2Text(tag, "TPE1");
    if (title && artist) {
        out.offer(*title, *artist);
        return;
    }
    const Id3v2RawFrames raw = Id3v2RawReader::read(path);
    out.offer(title.value_or(Id3v2RawReader::utf16Values(raw.title).join(kValueSeparator)),
              artist.value_or(Id3v2RawReader::utf16Values(raw.artist).join(kValueSeparator)));
}

void offerId3v1(const TagLib::ID3v1::Tag* tag, Collector& out) {
    if (tag) out.offer(fromLegacy(tag->title()), fromLegacy(tag->artist()));
}

// APE text is UTF-8; TagLib drops items that are not, so those are read again as raw bytes.
void offerApe(const TagLib::APE::Tag* tag, const QString& path, Collector& out) {
    if (!tag) return;
    const TagLib::APE::ItemListMap& items = tag->itemListMap();
    const auto values = [&items](const char* key) {
        const auto found = items.find(key);
        return found == items.end() ? QString() : joined(found->second.values());
    };
    QString title = values("TITLE");
    QString artist = values("ARTIST");
    if (title.isEmpty() || artist.isEmpty()) {
        const ApeRawItems raw = ApeRawReader::read(path);
        if (title.isEmpty()) title = LegacyTextDecoder::decode(raw.title);
        if (artist.isEmpty()) artist = LegacyTextDecoder::decode(raw.artist);
    }
    out.offer(title, artist);
}

// An ID3v2 tag in front of a file whose own format has none (APE).
void offerLeadingId3v2(TagLib::File& file, const QString& path, Collector& out) {
    file.seek(0);
    if (file.readBlock(3) != TagLib::ByteVector("ID3", 3)) return;
    const TagLib::ID3v2::Tag tag(&file, 0, TitleFrameFactory::instance());
    offerId3v2(&tag, path, out);
}

bool readMpeg(TagLib::IOStream* stream, const QString& path, Collector& out) {
    TagLib::MPEG::File file(stream, TitleFrameFactory::instance(), false);
    if (!file.isValid()) return false;
    if (file.hasID3v2Tag()) offerId3v2(file.ID3v2Tag(), path, out);
    if (file.hasAPETag()) offerApe(file.APETag(), path, out);
    if (file.hasID3v1Tag()) offerId3v1(file.ID3v1Tag(), out);
    return true;
}

bool readApe(TagLib::IOStream* stream, const QString& path, Collector& out) {
    TagLib::APE::File file(stream, false);
    if (!file.isValid()) return false;
    if (file.hasAPETag()) offerApe(file.APETag(), path, out);
    offerLeadingId3v2(file, path, out);
    if (file.hasID3v1Tag()) offerId3v1(file.ID3v1Tag(), out);
    return true;
}

// Old writers left files whose Vorbis comment block states too small a size; TagLib then reads
// no comment, or refuses the file. The comments are read as far as their own lengths go
// (bounded by the window).
bool readFlacComment(const QString& path, Collector& out) {
    constexpr qint64 kMaxMetadata = 1 << 20;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(kMaxMetadata);
    if (!head.startsWith("fLaC")) return false;
    for (qsizetype pos = 4; pos + 4 <= head.size();) {
        const uchar type = uchar(head[pos]) & 0x7F;
        if (type == 4) {
            const QByteArray block = head.mid(pos + 4);
            const TagLib::Ogg::XiphComment comment(
                TagLib::ByteVector(block.constData(), static_cast<unsigned int>(block.size())));
            out.offer(&comment);
            return true;
        }
        if (uchar(head[pos]) & 0x80) break;  // the last block
        pos += 4 + (qsizetype(uchar(head[pos + 1])) << 16 | uchar(head[pos + 2]) << 8 |
                    uchar(head[pos + 3]));
    }
    return false;
}

bool readFlac(TagLib::IOStream* stream, const QString& path, Collector& out) {
    TagLib::FLAC::File file(stream, TitleFrameFactory::instance(), false);
    if (!file.isValid()) return readFlacComment(path, out);
    if (file.hasXiphComment()) out.offer(file.xiphComment());
    if (out.text().title.isEmpty() && out.text().artist.isEmpty()) readFlacComment(path, out);
    if (file.hasID3v2Tag()) offerId3v2(file.ID3v2Tag(), path, out);
    if (file.hasID3v1Tag()) offerId3v1(file.ID3v1Tag(), out);
    return true;
}

template <typename FileType>
bool readSingleTag(TagLib::IOStream* stream, Collector& out) {
    FileType file(stream, false);
    if (!file.isValid()) return false;
    out.offer(file.tag());
    return true;
}

bool readAnyType(TagLib::IOStream* stream, Collector& out) {
    const TagLib::FileRef ref(stream, false);
    if (ref.isNull()) return false;
    out.offer(ref.tag());
    return true;
}

}  // namespace

MusicTagText MusicTagReader::read(const std::string& utf8Path,
                                  std::unique_ptr<OrvoAudio::FileReader> reader) {
    if (utf8Path.empty()) return {};
    TagFileStream stream(utf8Path, std::move(reader));
    if (!stream.isOpen()) return {};
    const QString path = QString::fromStdString(utf8Path);
    Collector out;
    bool known = false;
    switch (containerOf(path)) {
        case Container::Mpeg:
            known = readMpeg(&stream, path, out);
            break;
        case Container::Ape:
            known = readApe(&stream, path, out);
            break;
        case Container::Flac:
            known = readFlac(&stream, path, out);
            break;
        case Container::Asf:
            known = readSingleTag<TagLib::ASF::File>(&stream, out);
            break;
        case Container::Mp4:
            known = readSingleTag<TagLib::MP4::File>(&stream, out);
            break;
        case Container::Other:
            break;
    }
    if (!known) {
        // Unknown extension, or a file whose content is not what its name says.
        stream.seek(0, TagLib::IOStream::Beginning);
        readAnyType(&stream, out);
    }
    return out.text();
}
