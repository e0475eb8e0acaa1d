#include "audio/NullOutput.h"

#include <chrono>
#include <system_error>

#include "audio/AudioLog.h"

namespace OrvoAudio {

namespace {
// About 23 ms at 44.1 kHz: the clock's granularity, and few wake-ups.
constexpr std::size_t kBlockFrames = 1024;
// When the thread falls further behind than this, it resynchronises instead of rushing.
constexpr auto kMaxLag = std::chrono::milliseconds(100);
}  // namespace

NullOutput::NullOutput(int rate, double speed, std::string capturePath, bool captureFloat,
                       RenderFunction render, void* context)
    : m_rate(rate),
      m_speed(speed > 0.0 ? speed : 1.0),
      m_capturePath(std::move(capturePath)),
      m_captureFloat(captureFloat),
      m_render(render),
      m_context(context),
      m_block(kBlockFrames * 2, 0.0f) {}

NullOutput::~NullOutput() { stop(); }

bool NullOutput::start() {
    if (m_thread.joinable()) {
        return true;
    }
    if (!m_capturePath.empty() && !m_capture.open(m_capturePath, m_rate, m_captureFloat)) {
        logMessage("cannot write the capture file " + m_capturePath);
    }
    m_quit.store(false);
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        m_capture.close();
        return false;
    }
    return true;
}

void NullOutput::stop() {
    m_quit.store(true);
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_capture.close();
}

void NullOutput::run() {
    using Clock = std::chrono::steady_clock;
    const auto blockTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(kBlockFrames) / m_rate / m_speed));
    auto next = Clock::now();
    while (!m_quit.load(std::memory_order_acquire)) {
        const std::size_t heard = m_render(m_context, m_block.data(), kBlockFrames);
        if (heard > 0 && m_capture.isOpen()) {
            m_capture.write(m_block.data(), heard);
        }
        next += blockTime;
        const auto now = Clock::now();
        if (now - next > kMaxLag) {
            next = now;
        }
        std::this_thread::sleep_until(next);
    }
}

}  // namespace OrvoAudio
