#include "tags/TagFileStream.h"

#include <algorithm>
#include <cstdio>

TagFileStream::TagFileStream(std::string utf8Path) : TagFileStream(std::move(utf8Path), nullptr) {}

TagFileStream::TagFileStream(std::string utf8Path, std::unique_ptr<OrvoAudio::FileReader> reader)
    : m_path(std::move(utf8Path)),
      m_reader(reader ? std::move(reader) : OrvoAudio::FileReader::open(m_path, 0, 0)) {}

TagLib::ByteVector TagFileStream::readBlock(unsigned long length) {
    if (!m_reader || length == 0) return {};
    const auto left =
        static_cast<unsigned long>(std::max<std::int64_t>(0, m_reader->size() - m_reader->tell()));
    TagLib::ByteVector block(static_cast<unsigned int>(std::min(length, left)), '\0');
    if (block.isEmpty()) return block;
    const long got = m_reader->read(block.data(), block.size());
    block.resize(static_cast<unsigned int>(std::max(got, 0L)));
    return block;
}

void TagFileStream::seek(long offset, Position p) {
    if (!m_reader) return;
    // A target before the start leaves the position where it was, as a failed fseek does.
    m_reader->seek(offset, p == Beginning ? SEEK_SET : p == Current ? SEEK_CUR : SEEK_END);
}

long TagFileStream::tell() const { return m_reader ? static_cast<long>(m_reader->tell()) : 0; }

long TagFileStream::length() { return m_reader ? static_cast<long>(m_reader->size()) : 0; }
