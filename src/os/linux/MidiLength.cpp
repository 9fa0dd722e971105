#include "os/linux/MidiLength.h"

#include "os/linux/RegularFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

namespace os {

namespace {

struct TempoChange {
    std::uint64_t Tick;
    std::uint32_t MicrosPerQuarter;
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return pos_ >= size_; }
    std::size_t Pos() const { return pos_; }
    bool Has(std::size_t n) const { return pos_ <= size_ && n <= size_ - pos_; }
    bool Skip(std::size_t n) {
        if (!Has(n))
            return false;
        pos_ += n;
        return true;
    }
    bool Byte(std::uint8_t& value) {
        if (!Has(1))
            return false;
        value = data_[pos_++];
        return true;
    }
    std::uint8_t Peek() const { return data_[pos_]; }
    // Variable-length quantity: at most four bytes of seven bits.
    bool Vlq(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!Byte(b))
                return false;
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0)
                return true;
        }
        return false;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

std::uint32_t Le32(const std::uint8_t* p) {
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
           std::uint32_t{p[0]};
}

// Walks one track; returns the tick of its last complete event and collects tempo changes.
std::uint64_t ScanTrack(const std::uint8_t* data, std::size_t size,
                        std::vector<TempoChange>& tempos) {
    Reader in(data, size);
    std::uint64_t tick = 0;
    std::uint64_t lastTick = 0;
    std::uint8_t running = 0;
    while (!in.AtEnd()) {
        std::uint32_t delta = 0;
        if (!in.Vlq(delta) || in.AtEnd())
            break;
        tick += delta;
        std::uint8_t status = in.Peek();
        if (status & 0x80u) {
            in.Skip(1);
            if (status < 0xF0)
                running = status;
        } else if (running != 0) {
            status = running;
        } else {
            break; // data byte without a status: the rest is damaged
        }

        bool complete = false;
        bool endOfTrack = false;
        if (status == 0xFF) {
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            if (in.Byte(type) && in.Vlq(length) && in.Has(length)) {
                if (type == 0x51 && length >= 3) {
                    const std::uint8_t* p = data + in.Pos();
                    std::uint32_t micros =
                        (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
                    if (micros > 0)
                        tempos.push_back({tick, micros});
                }
                endOfTrack = type == 0x2F;
                complete = in.Skip(length);
            }
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            complete = in.Vlq(length) && in.Skip(length);
        } else if (status >= 0xF0) {
            complete = in.Skip(status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0);
        } else {
            std::uint8_t kind = status & 0xF0u;
            complete = in.Skip(kind == 0xC0 || kind == 0xD0 ? 1 : 2);
        }
        if (!complete)
            break;
        lastTick = tick;
        if (endOfTrack)
            break;
    }
    return lastTick;
}

std::optional<std::uint32_t> StandardFileLengthMs(const std::uint8_t* data, std::size_t size) {
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0)
        return std::nullopt;
    std::size_t headerLength = Be32(data + 4);
    if (headerLength < 6 || headerLength > size - 8)
        return std::nullopt;
    std::uint16_t division = static_cast<std::uint16_t>((data[12] << 8) | data[13]);
    if (division == 0)
        return std::nullopt;

    std::vector<TempoChange> tempos;
    std::uint64_t endTick = 0;
    std::size_t pos = 8 + headerLength;
    while (pos + 8 <= size) {
        std::size_t length = std::min<std::size_t>(Be32(data + pos + 4), size - pos - 8);
        if (std::memcmp(data + pos, "MTrk", 4) == 0)
            endTick = std::max(endTick, ScanTrack(data + pos + 8, length, tempos));
        pos += 8 + length;
    }

    double micros = 0;
    if (division & 0x8000u) {
        // Time code: frames per second in the high byte (negative), ticks per frame in the low.
        int fps = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
        int ticksPerFrame = division & 0xFF;
        if (fps <= 0 || ticksPerFrame == 0)
            return std::nullopt;
        double rate = fps == 29 ? 29.97 : fps;
        micros = static_cast<double>(endTick) * 1e6 / (rate * ticksPerFrame);
    } else {
        std::stable_sort(
            tempos.begin(), tempos.end(),
            [](const TempoChange& a, const TempoChange& b) { return a.Tick < b.Tick; });
        std::uint64_t tick = 0;
        double tempo = 500000; // 120 beats a minute until the first tempo change
        for (const TempoChange& change : tempos) {
            if (change.Tick >= endTick)
                break;
            micros += static_cast<double>(change.Tick - tick) * tempo / division;
            tick = change.Tick;
            tempo = change.MicrosPerQuarter;
        }
        micros += static_cast<double>(endTick - tick) * tempo / division;
    }
    double ms = std::round(micros / 1000.0);
    if (ms >= static_cast<double>(std::numeric_limits<std::uint32_t>::max()))
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(ms);
}

} // namespace

std::string_view StandardMidiData(std::string_view file) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.data());
    const std::size_t size = file.size();
    // An RMID file wraps the standard file in the "data" chunk of a RIFF container.
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "RMID", 4) == 0) {
        std::size_t pos = 12;
        while (pos + 8 <= size) {
            std::size_t length = Le32(data + pos + 4);
            if (std::memcmp(data + pos, "data", 4) == 0)
                return file.substr(pos + 8, std::min(length, size - pos - 8));
            pos += 8 + length + (length & 1u);
        }
        return {};
    }
    return file;
}

std::optional<std::uint32_t> MidiLengthMs(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr)
        return std::nullopt;
    std::string_view song =
        StandardMidiData(std::string_view(reinterpret_cast<const char*>(data), size));
    return StandardFileLengthMs(reinterpret_cast<const std::uint8_t*>(song.data()), song.size());
}

std::optional<std::uint32_t> MidiFileLengthMs(const std::string& path) {
    // A MIDI file worth playing is far smaller than this; the cap keeps a huge file from
    // filling memory.
    std::string bytes;
    if (!ReadRegularFile(path, std::size_t{64} << 20, bytes))
        return std::nullopt;
    return MidiLengthMs(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace os
