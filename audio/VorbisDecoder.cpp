#include "audio/VorbisDecoder.h"

#include <cstdio>

namespace OrvoAudio {

namespace {
constexpr int kBlockFrames = 4096;

size_t readCallback(void* ptr, size_t size, size_t count, void* source) {
    const long got = static_cast<FileReader*>(source)->read(ptr, size * count);
    return got > 0 && size > 0 ? static_cast<size_t>(got) / size : 0;
}

int seekCallback(void* source, ogg_int64_t offset, int whence) {
    return static_cast<FileReader*>(source)->seek(offset, whence) < 0 ? -1 : 0;
}

long tellCallback(void* source) {
    return static_cast<long>(static_cast<FileReader*>(source)->tell());
}
}  // namespace

std::unique_ptr<VorbisDecoder> VorbisDecoder::open(std::unique_ptr<FileReader> reader,
                                                   int outRate) {
    std::unique_ptr<VorbisDecoder> d(new VorbisDecoder(std::move(reader), outRate));
    const ov_callbacks callbacks{&readCallback, &seekCallback, nullptr, &tellCallback};
    if (ov_open_callbacks(&d->reader(), &d->m_file, nullptr, 0, callbacks) != 0) {
        return nullptr;
    }
    d->m_opened = true;
    const vorbis_info* info = ov_info(&d->m_file, -1);
    if (info == nullptr) {
        return nullptr;
    }
    const ogg_int64_t total = ov_pcm_total(&d->m_file, -1);
    if (!d->setSource("vorbis", static_cast<int>(info->rate), info->channels,
                      total > 0 ? total : 0)) {
        return nullptr;
    }
    return d;
}

VorbisDecoder::~VorbisDecoder() {
    if (m_opened) {
        ov_clear(&m_file);
    }
}

long VorbisDecoder::readSource(std::vector<float>& buf) {
    float** pcm = nullptr;
    int section = 0;
    const long got = ov_read_float(&m_file, &pcm, kBlockFrames, &section);
    if (got <= 0) {
        return got == 0 ? 0 : -1;  // OV_HOLE and friends: the next read goes on
    }
    // A chained stream's later part may have other channels: keep the first part's layout.
    const vorbis_info* info = ov_info(&m_file, section);
    const int have = info != nullptr ? info->channels : m_source.channels;
    const int channels = m_source.channels;
    const std::size_t at = buf.size();
    buf.resize(at + static_cast<std::size_t>(got) * static_cast<std::size_t>(channels));
    float* dst = buf.data() + at;
    for (int c = 0; c < channels; ++c) {
        const float* src = pcm[c < have ? c : have - 1];
        for (long i = 0; i < got; ++i) {
            dst[i * channels + c] = src[i];
        }
    }
    return got;
}

bool VorbisDecoder::seekSource(std::int64_t frame) { return ov_pcm_seek(&m_file, frame) == 0; }

}  // namespace OrvoAudio
