#include "tests/support/wav_file.h"

#include "tests/support/long_path_files.h"

namespace {

uint16_t ReadLittle16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t ReadLittle32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

bool HasTag(const uint8_t* bytes, const char* tag) {
    return bytes[0] == tag[0] && bytes[1] == tag[1] && bytes[2] == tag[2] && bytes[3] == tag[3];
}

bool Fail(std::string* error, const std::string& reason) {
    *error = reason;
    return false;
}

// The fmt chunk's first 16 bytes, the part every PCM file has.
constexpr size_t kPcmFormatSize = 16;
constexpr size_t kRiffHeaderSize = 12;
constexpr size_t kChunkHeaderSize = 8;

}  // namespace

double WavFile::Seconds() const {
    if (format.bytesPerSecond == 0) {
        return 0.0;
    }
    return static_cast<double>(data.size()) / format.bytesPerSecond;
}

bool ParseWav(const std::vector<uint8_t>& bytes, WavFile* wav, std::string* error) {
    if (bytes.size() < kRiffHeaderSize || !HasTag(&bytes[0], "RIFF") || !HasTag(&bytes[8], "WAVE")) {
        return Fail(error, "not a RIFF/WAVE file");
    }
    // A file cut short (a full disk, say) still claims its whole length here.
    if (ReadLittle32(&bytes[4]) != bytes.size() - 8) {
        return Fail(error, "the RIFF size does not match the file's size");
    }
    bool haveFormat = false;
    bool haveData = false;
    size_t offset = kRiffHeaderSize;
    while (bytes.size() - offset >= kChunkHeaderSize) {
        const uint8_t* header = &bytes[offset];
        const size_t size = ReadLittle32(header + 4);
        const size_t body = offset + kChunkHeaderSize;
        if (size > bytes.size() - body) {
            return Fail(error, "a chunk runs past the end of the file");
        }
        if (HasTag(header, "fmt ")) {
            if (size < kPcmFormatSize) {
                return Fail(error, "the fmt chunk is too short");
            }
            const uint8_t* fields = &bytes[body];
            wav->format.formatTag = ReadLittle16(fields);
            wav->format.channels = ReadLittle16(fields + 2);
            wav->format.sampleRate = ReadLittle32(fields + 4);
            wav->format.bytesPerSecond = ReadLittle32(fields + 8);
            wav->format.blockAlign = ReadLittle16(fields + 12);
            wav->format.bitsPerSample = ReadLittle16(fields + 14);
            haveFormat = true;
        } else if (HasTag(header, "data")) {
            wav->data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(body),
                             bytes.begin() + static_cast<std::ptrdiff_t>(body + size));
            haveData = true;
        }
        offset = body + size + (size & 1);
        if (offset > bytes.size()) {
            break;
        }
    }
    if (!haveFormat) {
        return Fail(error, "no fmt chunk");
    }
    if (!haveData) {
        return Fail(error, "no data chunk");
    }
    if (wav->format.blockAlign == 0 || wav->data.size() % wav->format.blockAlign != 0) {
        return Fail(error, "the data is not a whole number of blocks");
    }
    return true;
}

bool ReadWavFile(const std::string& path, WavFile* wav, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, &bytes)) {
        return Fail(error, "cannot open " + path);
    }
    if (!ParseWav(bytes, wav, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

std::vector<double> ChannelSamples(const WavFile& wav, unsigned channel) {
    std::vector<double> samples;
    const WavFormat& format = wav.format;
    const size_t bytesPerSample = format.bitsPerSample / 8u;
    if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || channel >= format.channels ||
        format.blockAlign < format.channels * bytesPerSample) {
        return samples;
    }
    const size_t frames = wav.data.size() / format.blockAlign;
    samples.reserve(frames);
    for (size_t frame = 0; frame < frames; ++frame) {
        const uint8_t* sample = &wav.data[frame * format.blockAlign + channel * bytesPerSample];
        if (format.bitsPerSample == 8) {
            samples.push_back((sample[0] - 128) / 128.0);
        } else {
            samples.push_back(static_cast<int16_t>(ReadLittle16(sample)) / 32768.0);
        }
    }
    return samples;
}
