#include "audio/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "audio/NullOutput.h"
#include "audio/PortAudioOutput.h"

namespace OrvoAudio {

namespace {
// Rate of streams opened before init() (tag reading).
constexpr int kDefaultRate = 44100;
constexpr int kMaxRate = 384000;
constexpr double kMaxSpeed = 1000.0;
// Decoder sleep when its ring is full, at real time.
constexpr int kPollMicrosRealTime = 10000;

std::string envText(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

bool endsWith(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

double envSpeed() {
    const std::string text = envText("ORVO_AUDIO_SPEED");
    if (text.empty()) {
        return 1.0;
    }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v) || v <= 0.0) {
        return 1.0;
    }
    return std::min(v, kMaxSpeed);
}
}  // namespace

Engine& Engine::instance() {
    static Engine engine;
    return engine;
}

Engine::Engine() { m_snapshot.store(new Snapshot(), std::memory_order_release); }

Engine::~Engine() {
    free();
    delete m_snapshot.exchange(nullptr);
}

bool Engine::init(int device, int rate) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_output || rate <= 0 || rate > kMaxRate) {
        return false;
    }
    const bool forceNull = envText("ORVO_AUDIO_OUTPUT") == "null";
    double speed = 1.0;
    // Device 0 is "no sound": the null output, as is a missing or unusable device.
    if (!forceNull && device != 0) {
        auto pa = std::make_unique<PortAudioOutput>(rate, &Engine::renderThunk, this);
        if (pa->open(device < 0 ? -1 : device - 1) && pa->start()) {
            m_output = std::move(pa);
        }
    }
    if (!m_output) {
        speed = envSpeed();
        const std::string capture = envText("ORVO_AUDIO_CAPTURE");
        const bool captureFloat =
            endsWith(capture, ".f32.wav") || envText("ORVO_AUDIO_CAPTURE_FORMAT") == "float";
        auto null = std::make_unique<NullOutput>(rate, speed, capture, captureFloat,
                                                 &Engine::renderThunk, this);
        if (!null->start()) {
            return false;
        }
        m_output = std::move(null);
    }
    m_rate = rate;
    m_kind = m_output->kind();
    m_latencyFrames = m_output->latencyFrames();
    m_pollMicros =
        std::clamp(static_cast<int>(kPollMicrosRealTime / speed), 50, kPollMicrosRealTime);
    return true;
}

void Engine::free() {
    std::vector<std::shared_ptr<Stream>> doomed;
    Snapshot* old = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& entry : m_streams) {
            doomed.push_back(std::move(entry.second));
        }
        m_streams.clear();
        m_fxOwner.clear();
        m_attached.clear();
        old = publishLocked();
        // Stopped under the lock: an init() elsewhere must not start a second output (and a
        // second callback) while this one still runs. The callback never takes this lock, and
        // stopping drops what the device still holds instead of playing it out.
        if (m_output) {
            m_output->stop();
            m_output.reset();
        }
        m_rate = 0;
        m_kind = OutputKind::None;
        m_latencyFrames = 0;
    }
    m_reaper.retire([old] { delete old; }, std::move(doomed));
}

OutputKind Engine::outputKind() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_kind;
}

int Engine::outputRate() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rate;
}

std::shared_ptr<Stream> Engine::findLocked(Handle stream) const {
    auto it = m_streams.find(stream);
    return it != m_streams.end() ? it->second : nullptr;
}

Handle Engine::nextHandleLocked() {
    if (m_lastHandle == ~Handle{0}) {
        return 0;  // exhausted: handles are never reused
    }
    return ++m_lastHandle;
}

Engine::Snapshot* Engine::publishLocked() {
    auto* snapshot = new Snapshot();
    snapshot->streams.reserve(m_attached.size());
    for (Handle h : m_attached) {
        auto it = m_streams.find(h);
        if (it != m_streams.end()) {
            snapshot->streams.push_back(it->second.get());
        }
    }
    return m_snapshot.exchange(snapshot, std::memory_order_seq_cst);
}

Handle Engine::createStream(const std::string& path, std::uint64_t offset, std::uint64_t length) {
    int rate = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        rate = m_rate > 0 ? m_rate : kDefaultRate;
    }
    // Opening reads the file: done outside the lock.
    std::unique_ptr<Decoder> decoder = Decoder::open(path, offset, length, rate);
    if (!decoder) {
        return 0;
    }
    auto stream = std::make_shared<Stream>(std::move(decoder), path, m_reaper);
    std::lock_guard<std::mutex> lock(m_mutex);
    const Handle h = nextHandleLocked();
    if (h != 0) {
        m_streams.emplace(h, std::move(stream));
    }
    return h;
}

bool Engine::freeStream(Handle stream) {
    std::shared_ptr<Stream> doomed;
    Snapshot* old = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_streams.find(stream);
        if (it == m_streams.end()) {
            return false;
        }
        doomed = std::move(it->second);
        m_streams.erase(it);
        std::erase_if(m_fxOwner, [stream](const auto& entry) { return entry.second == stream; });
        auto at = std::find(m_attached.begin(), m_attached.end(), stream);
        if (at != m_attached.end()) {
            m_attached.erase(at);
            old = publishLocked();
        }
        doomed->setPlaying(false);
    }
    // Its decoder thread ends and is joined there, not here: it may be deep in a seek or a read.
    m_reaper.retire([old] { delete old; }, {std::move(doomed)});
    return true;
}

bool Engine::play(Handle stream, bool restart) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    if (!s || !m_output || s->rate() != m_rate) {
        return false;
    }
    if (restart) {
        s->seek(0);
    }
    if (!s->startDecoder(m_pollMicros)) {
        return false;
    }
    if (std::find(m_attached.begin(), m_attached.end(), stream) == m_attached.end()) {
        m_attached.push_back(stream);
        Snapshot* old = publishLocked();
        m_reaper.retire([old] { delete old; });
    }
    s->setPlaying(true);
    return true;
}

bool Engine::stop(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    if (!s) {
        return false;
    }
    s->setPlaying(false);
    return true;
}

Activity Engine::activity(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    return s ? s->activity() : Activity::Stopped;
}

std::int64_t Engine::lengthBytes(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    return s ? s->lengthFrames() * 8 : -1;
}

std::int64_t Engine::positionBytes(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    return s ? s->heardFrames(m_latencyFrames) * 8 : -1;
}

bool Engine::setPositionBytes(Handle stream, std::int64_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    return s && bytes >= 0 && s->seek(bytes / 8);
}

double Engine::bytesToSeconds(Handle stream, std::int64_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    if (!s) {
        return -1.0;
    }
    return static_cast<double>(bytes) / 8.0 / s->rate();
}

std::int64_t Engine::secondsToBytes(Handle stream, double seconds) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    if (!s || !std::isfinite(seconds) || seconds < 0.0 || seconds > 1e9) {
        return -1;
    }
    return std::llround(seconds * s->rate()) * 8;
}

bool Engine::setVolume(Handle stream, float volume) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    if (!s || !std::isfinite(volume)) {
        return false;
    }
    s->setVolume(volume);
    return true;
}

float Engine::volume(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    return s ? s->volume() : -1.0f;
}

Handle Engine::addFx(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    if (!s) {
        return 0;
    }
    const Handle fx = nextHandleLocked();
    if (fx == 0 || !s->addFx(fx)) {
        return 0;
    }
    m_fxOwner.emplace(fx, stream);
    return fx;
}

bool Engine::removeFx(Handle stream, Handle fx) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto owner = m_fxOwner.find(fx);
    if (owner == m_fxOwner.end() || owner->second != stream) {
        return false;
    }
    auto s = findLocked(stream);
    m_fxOwner.erase(owner);
    return s && s->removeFx(fx);
}

bool Engine::setFxParameters(Handle fx, const ParamEq& params) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto owner = m_fxOwner.find(fx);
    if (owner == m_fxOwner.end()) {
        return false;
    }
    auto s = findLocked(owner->second);
    PeakingEq* eq = s ? s->fx(fx) : nullptr;
    return eq != nullptr && eq->setParameters(params);
}

bool Engine::fxParameters(Handle fx, ParamEq* params) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto owner = m_fxOwner.find(fx);
    if (params == nullptr || owner == m_fxOwner.end()) {
        return false;
    }
    auto s = findLocked(owner->second);
    PeakingEq* eq = s ? s->fx(fx) : nullptr;
    if (eq == nullptr) {
        return false;
    }
    *params = eq->parameters();
    return true;
}

std::string Engine::sourcePath(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    return s ? s->path() : std::string();
}

std::unique_ptr<FileReader> Engine::sourceReader(Handle stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto s = findLocked(stream);
    return s ? s->sourceReader() : nullptr;
}

std::size_t Engine::renderThunk(void* context, float* out, std::size_t frames) {
    return static_cast<Engine*>(context)->render(out, frames);
}

std::size_t Engine::render(float* out, std::size_t frames) {
    m_guard.enter();
    std::fill(out, out + frames * 2, 0.0f);
    std::size_t heard = 0;
    const Snapshot* snapshot = m_snapshot.load(std::memory_order_seq_cst);
    if (snapshot != nullptr) {
        for (Stream* stream : snapshot->streams) {
            heard = std::max(heard, stream->mix(out, frames));
        }
    }
    m_guard.leave();
    return heard;
}

}  // namespace OrvoAudio
