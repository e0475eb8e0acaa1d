#pragma once
// The read-only stream TagLib reads a file through: the audio library's FileReader, whose
// read-ahead block serves TagLib's many small reads (a tag header, a frame header, the last
// bytes for a trailing tag) without a system call each. Opening refuses what is not a regular,
// non-empty file (a FIFO or a folder given a music file's name), without blocking.
//
// Threads: one stream per call of the tag reader, used by that thread only.

#include "audio/FileReader.h"

#include <taglib/tiostream.h>

#include <memory>
#include <string>

class TagFileStream : public TagLib::IOStream {
public:
    explicit TagFileStream(std::string utf8Path);
    // Reads through `reader` (the whole file named by utf8Path); a null reader opens the path.
    TagFileStream(std::string utf8Path, std::unique_ptr<OrvoAudio::FileReader> reader);

    TagLib::FileName name() const override { return m_path.c_str(); }
    // At most what is left of the file: a hostile size field cannot make it allocate more.
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return m_reader != nullptr; }
    void seek(long offset, Position p) override;
    long tell() const override;
    long length() override;
    void truncate(long) override {}

private:
    std::string m_path;
    std::unique_ptr<OrvoAudio::FileReader> m_reader;
};
