#include "audio/Mpg123Decoder.h"

#include "audio/ContentSniffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace OrvoAudio {

namespace {
constexpr std::size_t kBlockFloats = 4608 * 2;
// The Xing tag follows a 4-byte frame header and at most 32 bytes of side information.
constexpr std::size_t kXingSearch = 64;

std::uint32_t readBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

ssize_t readCallback(void* source, void* buf, size_t size) {
    const long got = static_cast<FileReader*>(source)->read(buf, size);
    return got < 0 ? -1 : static_cast<ssize_t>(got);
}

off_t seekCallback(void* source, off_t offset, int whence) {
    const std::int64_t pos = static_cast<FileReader*>(source)->seek(offset, whence);
    return pos < 0 ? -1 : static_cast<off_t>(pos);
}

// Handles of closed decoders, kept for the next file: setting up a new handle (parameters, the
// table of output formats) costs more than opening a file with one, and the play list opens a
// stream for every file it adds.
class SpareHandles {
public:
    // A handle set up for float output at any rate, reading through FileReader; nullptr when
    // libmpg123 cannot make one.
    mpg123_handle* take() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_handles.empty()) {
                mpg123_handle* h = m_handles.back();
                m_handles.pop_back();
                return h;
            }
        }
        static std::once_flag once;
        std::call_once(once, [] { mpg123_init(); });
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        if (h == nullptr) {
            return nullptr;
        }
        // The tags are the tag reader's business: an ID3v2 tag is stepped over, not parsed.
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2, 0.0);
        // Float output at whatever rate the file has: the resampler takes it from there.
        mpg123_format_none(h);
        const long* rates = nullptr;
        std::size_t count = 0;
        mpg123_rates(&rates, &count);
        for (std::size_t i = 0; i < count; ++i) {
            mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
        }
        if (mpg123_replace_reader_handle(h, &readCallback, &seekCallback, nullptr) != MPG123_OK) {
            mpg123_delete(h);
            return nullptr;
        }
        return h;
    }

    // Closes the file h was reading and keeps h for the next, or deletes it when enough wait.
    void giveBack(mpg123_handle* h) {
        mpg123_close(h);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_handles.size() < kMaxSpare) {
                m_handles.push_back(h);
                return;
            }
        }
        mpg123_delete(h);
    }

private:
    // Each keeps about 70 KB of buffers: enough for the play list's adding threads on a
    // two-core machine, and little memory held while nothing is being added.
    static constexpr std::size_t kMaxSpare = 2;
    std::mutex m_mutex;
    std::vector<mpg123_handle*> m_handles;
};

// Never destroyed: a stream may be freed while the process exits, after static objects are gone.
SpareHandles& spare() {
    static auto* const handles = new SpareHandles();
    return *handles;
}
}  // namespace

std::unique_ptr<Mpg123Decoder> Mpg123Decoder::open(std::unique_ptr<FileReader> reader,
                                                   int outRate) {
    std::unique_ptr<Mpg123Decoder> d(new Mpg123Decoder(std::move(reader), outRate));
    d->m_handle = spare().take();
    mpg123_handle* h = d->m_handle;
    if (h == nullptr) {
        return nullptr;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_open_handle(h, &d->reader()) != MPG123_OK ||
        mpg123_set_filesize(h, static_cast<off_t>(d->reader().size())) != MPG123_OK ||
        mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK ||
        encoding != MPG123_ENC_FLOAT_32) {
        return nullptr;
    }
    mpg123_frameinfo info{};
    const char* codec = "mp3";
    if (mpg123_info(h, &info) == MPG123_OK && info.layer >= 1 && info.layer <= 2) {
        codec = info.layer == 1 ? "mp1" : "mp2";
    }
    // Without a header that counts the frames (or with one that promises more bytes than the
    // file holds) the length is a guess from the bit rate: one pass over the frame headers
    // makes it exact, and builds the seek index on the way.
    if (d->lengthNeedsScan()) {
        mpg123_scan(h);
    }
    const off_t length = mpg123_length(h);
    if (!d->setSource(codec, static_cast<int>(rate), channels, length > 0 ? length : 0)) {
        return nullptr;
    }
    return d;
}

bool Mpg123Decoder::lengthNeedsScan() {
    std::uint8_t head[kXingSearch];
    std::int64_t start = 0;
    const long got = ContentSniffer::readHead(reader(), head, sizeof head, &start);
    // The Xing, Info or VBRI header sits in the first frame, after the side information.
    for (std::size_t i = 4; got > 0 && i + 16 <= static_cast<std::size_t>(got); ++i) {
        if (std::memcmp(head + i, "VBRI", 4) == 0) {
            return false;
        }
        if (std::memcmp(head + i, "Xing", 4) != 0 && std::memcmp(head + i, "Info", 4) != 0) {
            continue;
        }
        const std::uint32_t flags = readBe32(head + i + 4);
        const std::size_t at = i + 8 + ((flags & 1u) != 0 ? 4 : 0);
        if ((flags & 1u) == 0) {
            return true;  // no frame count: the length is a guess
        }
        if ((flags & 2u) == 0 || at + 4 > static_cast<std::size_t>(got)) {
            return false;  // no byte count to check
        }
        const std::int64_t promised = readBe32(head + at);
        const std::int64_t held = reader().size() - start;
        return promised > held + held / 50 + 1024;  // cut off after it was tagged
    }
    return true;
}

Mpg123Decoder::~Mpg123Decoder() {
    if (m_handle != nullptr) {
        spare().giveBack(m_handle);
    }
}

long Mpg123Decoder::readSource(std::vector<float>& buf) {
    m_block.resize(kBlockFloats);
    std::size_t bytes = 0;
    const int err = mpg123_read(m_handle, m_block.data(), m_block.size() * sizeof(float), &bytes);
    if (err == MPG123_NEW_FORMAT) {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        // Another rate or layout mid-file is not followed here (the resampler is set up for
        // one): the rest goes to the fallback.
        if (mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK ||
            rate != m_source.rate || channels != m_source.channels) {
            return kCannotFollow;
        }
    } else if (err != MPG123_OK && err != MPG123_DONE && bytes == 0) {
        return -1;
    }
    const std::size_t floats = bytes / sizeof(float);
    buf.insert(buf.end(), m_block.begin(), m_block.begin() + static_cast<std::ptrdiff_t>(floats));
    const long frames = static_cast<long>(floats / static_cast<std::size_t>(m_source.channels));
    // A format notice without data: the caller reads again (a bounded number of times).
    return frames == 0 && err == MPG123_NEW_FORMAT ? -1 : frames;
}

bool Mpg123Decoder::seekSource(std::int64_t frame) {
    return mpg123_seek(m_handle, static_cast<off_t>(frame), SEEK_SET) >= 0;
}

}  // namespace OrvoAudio
