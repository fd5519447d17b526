// longimagedata of a 2048 x 1024 RGB RLE picture, the size of a large map layer. The file
// (big-endian, one byte per sample) is written before the first timed run and removed at exit.

#include "render/sgi/LongImageData.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int width = 2048;
constexpr int height = 1024;
constexpr int channels = 3;
constexpr std::size_t maxPacket = 127;

// Flat areas (runs, like sea and land fills of a map) on the left, changing detail on the right,
// so both packet kinds are expanded.
unsigned char sampleAt(int x, int y, int channel) {
    if (x < width / 3) {
        return static_cast<unsigned char>((x / 64) * 17 + y / 32 + channel * 60);
    }
    return static_cast<unsigned char>(x * 7 + y * 3 + channel * 50);
}

void put32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xff));
    }
}

std::size_t runAt(const std::vector<unsigned char>& row, std::size_t at) {
    std::size_t end = at + 1;
    while (end < row.size() && end - at < maxPacket && row[end] == row[at]) {
        ++end;
    }
    return end - at;
}

std::string encodeRow(const std::vector<unsigned char>& row) {
    std::string out;
    std::size_t at = 0;
    while (at < row.size()) {
        const std::size_t run = runAt(row, at);
        if (run >= 3) {
            out.push_back(static_cast<char>(run));
            out.push_back(static_cast<char>(row[at]));
            at += run;
            continue;
        }
        const std::size_t start = at;
        while (at < row.size() && at - start < maxPacket && runAt(row, at) < 3) {
            ++at;
        }
        out.push_back(static_cast<char>(0x80 | (at - start)));
        out.append(row.begin() + static_cast<std::ptrdiff_t>(start),
                   row.begin() + static_cast<std::ptrdiff_t>(at));
    }
    out.push_back('\0');
    return out;
}

std::string rleFile() {
    std::string header(512, '\0');
    // Magic, RLE, 1 byte per sample, dimension 3, then xsize, ysize and zsize.
    const unsigned char fields[] = {
        0x01, 0xda, 1, 1, 0, 3, width >> 8, width & 0xff, height >> 8, height & 0xff, 0, channels};
    header.replace(0, sizeof fields, reinterpret_cast<const char*>(fields), sizeof fields);
    std::string starts;
    std::string sizes;
    std::string data;
    const uint32_t tableEnd = 512 + 8 * height * channels;
    std::vector<unsigned char> row(width);
    for (int c = 0; c < channels; ++c) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                row[static_cast<std::size_t>(x)] = sampleAt(x, y, c);
            }
            const std::string packed = encodeRow(row);
            put32(starts, tableEnd + static_cast<uint32_t>(data.size()));
            put32(sizes, static_cast<uint32_t>(packed.size()));
            data += packed;
        }
    }
    return header + starts + sizes + data;
}

// The picture's file, written on first use and removed when the program ends.
class BenchImage {
public:
    BenchImage() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/sgi-bench-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) {
            return;
        }
        std::FILE* out = fdopen(fd, "wb");
        if (out == nullptr) {
            close(fd);
            std::remove(pattern.c_str());
            return;
        }
        const std::string bytes = rleFile();
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        const bool closed = std::fclose(out) == 0;
        if (!written || !closed) {
            std::remove(pattern.c_str());
            return;
        }
        path_ = pattern;
    }
    ~BenchImage() {
        if (!path_.empty()) {
            std::remove(path_.c_str());
        }
    }
    BenchImage(const BenchImage&) = delete;
    BenchImage& operator=(const BenchImage&) = delete;

    // Empty when the file could not be written.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& imagePath() {
    static const BenchImage image;
    return image.path();
}

void BM_LongImageDataRgbRle(benchmark::State& state) {
    const std::string& path = imagePath();
    if (path.empty()) {
        state.SkipWithError("cannot write the image file");
        return;
    }
    for (auto _ : state) {
        std::unique_ptr<uint32_t[]> pixels = sgi::longimagedata(path.c_str());
        benchmark::DoNotOptimize(pixels.get());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_LongImageDataRgbRle)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
