#include "os/linux/SoundFontSubset.h"

#include <array>
#include <cstring>
#include <map>
#include <vector>

namespace os {

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

std::uint32_t Le32(const char* p) {
    const auto* u = reinterpret_cast<const std::uint8_t*>(p);
    return std::uint32_t{u[0]} | (std::uint32_t{u[1]} << 8) | (std::uint32_t{u[2]} << 16) |
           (std::uint32_t{u[3]} << 24);
}

std::uint16_t Le16(const char* p) {
    const auto* u = reinterpret_cast<const std::uint8_t*>(p);
    return static_cast<std::uint16_t>(u[0] | (u[1] << 8));
}

void PutLe16(std::string& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void AppendLe32(std::string& out, std::uint64_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

// The system-exclusive messages that leave every channel as it was: the General MIDI and
// GS resets (the bytes after F0, up to and with F7).
bool IsReset(const std::uint8_t* p, std::size_t n) {
    static const std::uint8_t gmOn[] = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    static const std::uint8_t gm2On[] = {0x7E, 0x7F, 0x09, 0x03, 0xF7};
    static const std::uint8_t gsReset[] = {0x41, 0x10, 0x42, 0x12, 0x40,
                                           0x00, 0x7F, 0x00, 0x41, 0xF7};
    auto is = [&](const std::uint8_t* message, std::size_t length, std::size_t anyAt) {
        if (n != length)
            return false;
        for (std::size_t i = 0; i < length; ++i)
            if (i != anyAt && p[i] != message[i])
                return false;
        return true;
    };
    // Byte 1 is the device number (or 7F, everyone).
    return is(gmOn, sizeof gmOn, 1) || is(gm2On, sizeof gm2On, 1) || is(gsReset, sizeof gsReset, 1);
}

// The banks and programs each channel selects, from every track. False when a message could
// select in ways not followed.
bool ScanTrack(const std::uint8_t* data, std::size_t size,
               std::array<std::set<unsigned>, 16>& banks,
               std::array<std::set<unsigned>, 16>& programs) {
    std::size_t pos = 0;
    std::uint8_t running = 0;
    auto vlq = [&](std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4 && pos < size; ++i) {
            std::uint8_t b = data[pos++];
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0)
                return true;
        }
        return false;
    };
    while (pos < size) {
        std::uint32_t delta = 0;
        if (!vlq(delta) || pos >= size)
            return true;
        std::uint8_t status = data[pos];
        if (status & 0x80u) {
            ++pos;
            if (status < 0xF0)
                running = status;
        } else if (running != 0) {
            status = running;
        } else {
            return true; // damaged: the synthesiser stops reading the track here too
        }
        if (status == 0xFF) {
            std::uint32_t length = 0;
            if (pos >= size)
                return true;
            ++pos; // type
            if (!vlq(length) || length > size - pos)
                return true;
            pos += length;
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (!vlq(length) || length > size - pos)
                return true;
            if (status == 0xF0 && !IsReset(data + pos, length))
                return false;
            pos += length;
        } else if (status >= 0xF0) {
            pos += status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
        } else {
            const unsigned kind = status & 0xF0u;
            const unsigned channel = status & 0x0Fu;
            const std::size_t length = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            if (length > size - pos)
                return true;
            if (kind == 0xC0)
                programs[channel].insert(data[pos] & 0x7Fu);
            else if (kind == 0xB0 && data[pos] == 0)
                banks[channel].insert(data[pos + 1] & 0x7Fu);
            pos += length;
        }
    }
    return true;
}

// One table of the preset data: its records, each of the given size, the terminal one last.
struct Table {
    const char* Data = nullptr;
    std::size_t Count = 0; // records, the terminal one included
    std::size_t RecordSize = 0;
    const char* Record(std::size_t i) const { return Data + i * RecordSize; }
};

constexpr std::uint16_t GenInstrument = 41;

// Copies the zones [firstBag, endBag) of one preset or instrument: their bag records (with the
// new generator and modulator indexes), modulators and generators (with gen41, the
// instrument, renumbered through instrumentMap when given).
void CopyZones(const Table& bags, const Table& mods, const Table& gens, std::size_t firstBag,
               std::size_t endBag, std::string& outBags, std::string& outMods, std::string& outGens,
               const std::map<std::uint16_t, std::uint16_t>* instrumentMap) {
    for (std::size_t bag = firstBag; bag < endBag; ++bag) {
        std::size_t at = outBags.size();
        outBags.append(bags.Record(bag), 4);
        PutLe16(outBags, at, static_cast<std::uint32_t>(outGens.size() / 4));
        PutLe16(outBags, at + 2, static_cast<std::uint32_t>(outMods.size() / 10));
        std::size_t gen = Le16(bags.Record(bag)), genEnd = Le16(bags.Record(bag + 1));
        std::size_t mod = Le16(bags.Record(bag) + 2), modEnd = Le16(bags.Record(bag + 1) + 2);
        for (; mod < modEnd; ++mod)
            outMods.append(mods.Record(mod), 10);
        for (; gen < genEnd; ++gen) {
            std::size_t g = outGens.size();
            outGens.append(gens.Record(gen), 4);
            if (instrumentMap != nullptr && Le16(gens.Record(gen)) == GenInstrument) {
                auto it = instrumentMap->find(Le16(gens.Record(gen) + 2));
                PutLe16(outGens, g + 2, it != instrumentMap->end() ? it->second : 0);
            }
        }
    }
}

void AppendChunk(std::string& out, const char* id, const std::string& body) {
    out.append(id, 4);
    AppendLe32(out, body.size());
    out += body;
}

} // namespace

std::optional<std::set<PresetNumber>> PresetsUsed(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 14 || std::memcmp(data, "MThd", 4) != 0)
        return std::nullopt;
    std::array<std::set<unsigned>, 16> banks;
    std::array<std::set<unsigned>, 16> programs;
    std::size_t pos = 8 + std::size_t{Be32(data + 4)};
    while (pos <= size && size - pos >= 8) {
        std::size_t length = std::min<std::size_t>(Be32(data + pos + 4), size - pos - 8);
        if (std::memcmp(data + pos, "MTrk", 4) == 0 &&
            !ScanTrack(data + pos + 8, length, banks, programs))
            return std::nullopt;
        pos += 8 + length;
    }
    // Every channel starts on program 0 of bank 0, the drum channel (10) on the first kit of
    // bank 128; a preset the font lacks falls back to the same program in bank 0 (both are
    // kept, as bank 0 is in every channel's set), then to program 0 (the drums to the first
    // kit).
    std::set<PresetNumber> used{Preset(128, 0)};
    for (unsigned channel = 0; channel < 16; ++channel) {
        banks[channel].insert(0);
        programs[channel].insert(0);
        for (unsigned program : programs[channel]) {
            for (unsigned bank : banks[channel])
                used.insert(Preset(bank, program));
            if (channel == 9)
                used.insert(Preset(128, program));
        }
    }
    return used;
}

std::size_t SoundFontSubset::Read(std::FILE* font, std::uint64_t offset, char* out,
                                  std::size_t count) const {
    std::size_t done = 0;
    while (done < count && offset < Size()) {
        std::size_t n = 0;
        if (offset < Head.size()) {
            n = std::min<std::size_t>(count - done, Head.size() - offset);
            std::memcpy(out + done, Head.data() + offset, n);
        } else if (offset < KeptBytes) {
            n = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, KeptBytes - offset));
            if (::fseeko(font, static_cast<off_t>(offset), SEEK_SET) != 0)
                break;
            n = std::fread(out + done, 1, n, font);
            if (n == 0)
                break;
        } else {
            std::size_t at = static_cast<std::size_t>(offset - KeptBytes);
            n = std::min(count - done, Tables.size() - at);
            std::memcpy(out + done, Tables.data() + at, n);
        }
        done += n;
        offset += n;
    }
    return done;
}

std::optional<SoundFontSubset> MakeSoundFontSubset(const std::string& path,
                                                   const std::set<PresetNumber>& presets) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return std::nullopt;
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};
    char header[12];
    if (std::fread(header, 1, 12, file) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "sfbk", 4) != 0 || ::fseeko(file, 0, SEEK_END) != 0)
        return std::nullopt;
    const std::uint64_t fileSize = static_cast<std::uint64_t>(::ftello(file));

    // The preset tables: the "pdta" list, which must come last.
    std::uint64_t pos = 12;
    std::uint64_t tablesAt = 0;
    std::uint32_t tablesSize = 0;
    while (pos + 12 <= fileSize) {
        char chunk[12];
        if (::fseeko(file, static_cast<off_t>(pos), SEEK_SET) != 0 ||
            std::fread(chunk, 1, 12, file) != 12)
            return std::nullopt;
        std::uint32_t size = Le32(chunk + 4);
        if (std::memcmp(chunk, "LIST", 4) == 0 && std::memcmp(chunk + 8, "pdta", 4) == 0) {
            tablesAt = pos;
            tablesSize = size;
            break;
        }
        pos += 8 + std::uint64_t{size} + (size & 1u);
    }
    if (tablesAt == 0 || tablesSize < 4 || tablesAt + 8 + tablesSize > fileSize ||
        fileSize - (tablesAt + 8 + tablesSize) > 1)
        return std::nullopt;
    std::string tables(tablesSize - 4, '\0');
    if (std::fread(tables.data(), 1, tables.size(), file) != tables.size())
        return std::nullopt;

    std::map<std::string, Table> parts;
    const std::map<std::string, std::size_t> recordSizes = {
        {"phdr", 38}, {"pbag", 4},  {"pmod", 10}, {"pgen", 4}, {"inst", 22},
        {"ibag", 4},  {"imod", 10}, {"igen", 4},  {"shdr", 46}};
    for (std::size_t at = 0; at + 8 <= tables.size();) {
        std::string id = tables.substr(at, 4);
        std::size_t size = Le32(tables.data() + at + 4);
        if (size > tables.size() - at - 8)
            return std::nullopt;
        auto known = recordSizes.find(id);
        if (known != recordSizes.end()) {
            if (size % known->second != 0 || size / known->second < 1)
                return std::nullopt;
            parts[id] = Table{tables.data() + at + 8, size / known->second, known->second};
        }
        at += 8 + size + (size & 1u);
    }
    if (parts.size() != recordSizes.size())
        return std::nullopt;
    const Table& phdr = parts["phdr"];
    const Table& pbag = parts["pbag"];
    const Table& inst = parts["inst"];
    const Table& ibag = parts["ibag"];
    const Table& pgen = parts["pgen"];
    const Table& igen = parts["igen"];
    const Table& pmod = parts["pmod"];
    const Table& imod = parts["imod"];

    // Every index must point inside its table before anything is copied.
    auto bagsValid = [](const Table& headers, std::size_t bagAt, const Table& bags,
                        const Table& mods, const Table& gens) {
        for (std::size_t i = 0; i + 1 < headers.Count; ++i)
            if (Le16(headers.Record(i) + bagAt) > Le16(headers.Record(i + 1) + bagAt) ||
                Le16(headers.Record(i + 1) + bagAt) >= bags.Count)
                return false;
        for (std::size_t b = 0; b + 1 < bags.Count; ++b)
            if (Le16(bags.Record(b)) > Le16(bags.Record(b + 1)) ||
                Le16(bags.Record(b + 1)) >= gens.Count ||
                Le16(bags.Record(b) + 2) > Le16(bags.Record(b + 1) + 2) ||
                Le16(bags.Record(b + 1) + 2) >= mods.Count)
                return false;
        return true;
    };
    if (!bagsValid(phdr, 24, pbag, pmod, pgen) || !bagsValid(inst, 20, ibag, imod, igen))
        return std::nullopt;

    // The presets to keep, and the instruments they play.
    std::vector<std::size_t> keptPresets;
    std::map<std::uint16_t, std::uint16_t> instrumentMap; // old index to new
    for (std::size_t i = 0; i + 1 < phdr.Count; ++i) {
        if (presets.count(Preset(Le16(phdr.Record(i) + 22), Le16(phdr.Record(i) + 20))) == 0)
            continue;
        keptPresets.push_back(i);
        for (std::size_t b = Le16(phdr.Record(i) + 24); b < Le16(phdr.Record(i + 1) + 24); ++b)
            for (std::size_t g = Le16(pbag.Record(b)); g < Le16(pbag.Record(b + 1)); ++g)
                if (Le16(pgen.Record(g)) == GenInstrument &&
                    Le16(pgen.Record(g) + 2) + 1u < inst.Count)
                    instrumentMap[Le16(pgen.Record(g) + 2)] = 0;
    }
    std::uint16_t next = 0;
    for (auto& [old, renumbered] : instrumentMap)
        renumbered = next++;

    std::string newPhdr, newPbag, newPmod, newPgen;
    for (std::size_t i : keptPresets) {
        std::size_t at = newPhdr.size();
        newPhdr.append(phdr.Record(i), 38);
        PutLe16(newPhdr, at + 24, static_cast<std::uint32_t>(newPbag.size() / 4));
        CopyZones(pbag, pmod, pgen, Le16(phdr.Record(i) + 24), Le16(phdr.Record(i + 1) + 24),
                  newPbag, newPmod, newPgen, &instrumentMap);
    }
    std::string newInst, newIbag, newImod, newIgen;
    for (const auto& [old, renumbered] : instrumentMap) {
        std::size_t at = newInst.size();
        newInst.append(inst.Record(old), 22);
        PutLe16(newInst, at + 20, static_cast<std::uint32_t>(newIbag.size() / 4));
        CopyZones(ibag, imod, igen, Le16(inst.Record(old) + 20), Le16(inst.Record(old + 1) + 20),
                  newIbag, newImod, newIgen, nullptr);
    }
    // The terminal records close each table and hold the totals.
    auto terminal = [](std::string& headers, const Table& original, std::size_t bagAt,
                       std::size_t bags) {
        std::size_t at = headers.size();
        headers.append(original.Record(original.Count - 1), original.RecordSize);
        PutLe16(headers, at + bagAt, static_cast<std::uint32_t>(bags));
    };
    auto terminalBag = [](std::string& bags, const std::string& gens, const std::string& mods) {
        std::size_t at = bags.size();
        bags.append(4, '\0');
        PutLe16(bags, at, static_cast<std::uint32_t>(gens.size() / 4));
        PutLe16(bags, at + 2, static_cast<std::uint32_t>(mods.size() / 10));
    };
    terminal(newPhdr, phdr, 24, newPbag.size() / 4);
    terminalBag(newPbag, newPgen, newPmod);
    newPmod.append(pmod.Record(pmod.Count - 1), 10);
    newPgen.append(pgen.Record(pgen.Count - 1), 4);
    terminal(newInst, inst, 20, newIbag.size() / 4);
    terminalBag(newIbag, newIgen, newImod);
    newImod.append(imod.Record(imod.Count - 1), 10);
    newIgen.append(igen.Record(igen.Count - 1), 4);

    std::string body = "pdta";
    AppendChunk(body, "phdr", newPhdr);
    AppendChunk(body, "pbag", newPbag);
    AppendChunk(body, "pmod", newPmod);
    AppendChunk(body, "pgen", newPgen);
    AppendChunk(body, "inst", newInst);
    AppendChunk(body, "ibag", newIbag);
    AppendChunk(body, "imod", newImod);
    AppendChunk(body, "igen", newIgen);
    const Table& shdr = parts["shdr"];
    AppendChunk(body, "shdr", std::string(shdr.Data, shdr.Count * shdr.RecordSize));

    SoundFontSubset subset;
    subset.Path = path;
    subset.KeptBytes = tablesAt;
    AppendChunk(subset.Tables, "LIST", body);
    subset.Head.assign(header, 4);
    AppendLe32(subset.Head, subset.Size() - 8);
    subset.PresetsKept = keptPresets.size();
    subset.InstrumentsKept = instrumentMap.size();
    return subset;
}

} // namespace os
