#include "render/sgi/SgiImage.h"

#include "render/sgi/SgiFailure.h"

#include <cstring>
#include <new>
#include <sys/stat.h>
#include <utility>

namespace sgi {
namespace {

constexpr uint16_t sgiMagic = 474;
constexpr uint8_t verbatimStorage = 0;
constexpr uint8_t rleStorage = 1;
// Only the first 152 bytes carry anything the reader keeps; the rest of the 512 is padding.
constexpr std::size_t headerBytes = 152;
constexpr int64_t dataStart = 512;

[[noreturn]] void failRowRead() {
    fail("getrow: error on read of row\n");
}

uint16_t swapped(uint16_t value) {
    return static_cast<uint16_t>((value << 8) | (value >> 8));
}
uint32_t swapped(uint32_t value) {
    return __builtin_bswap32(value);
}
int32_t swapped(int32_t value) {
    return static_cast<int32_t>(__builtin_bswap32(static_cast<uint32_t>(value)));
}

template <typename T> T fieldAt(const unsigned char* bytes, std::size_t at, bool swap) {
    T value;
    std::memcpy(&value, bytes + at, sizeof value);
    return swap ? swapped(value) : value;
}

// The magic, read in host order, tells the file's byte order: as is, the file matches the host;
// swapped, it is the other order. The value is printed as read so a file of another format can be
// recognised from its first two bytes.
bool swapNeeded(const unsigned char* header) {
    const uint16_t asRead = fieldAt<uint16_t>(header, 0, false);
    if (asRead != sgiMagic && swapped(asRead) != sgiMagic) {
        fail("iopen: bad magic in image file %x\n", static_cast<unsigned>(asRead));
    }
    return asRead != sgiMagic;
}

void readHeader(SgiImage& image) {
    unsigned char header[headerBytes];
    if (std::fread(header, 1, headerBytes, image.file) != headerBytes) {
        fail("iopen: error on read of image header\n");
    }
    const bool swap = swapNeeded(header);
    image.swapBytes = swap;
    image.magic = fieldAt<uint16_t>(header, 0, swap);
    image.storage = header[2];
    image.bpc = header[3];
    image.dimension = fieldAt<uint16_t>(header, 4, swap);
    image.xsize = fieldAt<uint16_t>(header, 6, swap);
    image.ysize = fieldAt<uint16_t>(header, 8, swap);
    image.zsize = fieldAt<uint16_t>(header, 10, swap);
    image.pixmin = fieldAt<int32_t>(header, 12, swap);
    image.pixmax = fieldAt<int32_t>(header, 16, swap);
    image.reserved = fieldAt<int32_t>(header, 20, swap);
    std::memcpy(image.name, header + 24, sizeof image.name);
    image.colormap = fieldAt<int32_t>(header, 104, swap);
}

bool seekTo(std::FILE* file, int64_t offset) {
    return fseeko(file, offset, SEEK_SET) == 0;
}

int64_t lengthOf(std::FILE* file) {
    struct stat status {};
    return fstat(fileno(file), &status) == 0 ? static_cast<int64_t>(status.st_size) : 0;
}

bool readTable(SgiImage& image, uint32_t* table, std::size_t entries) {
    if (std::fread(table, sizeof *table, entries, image.file) != entries) {
        return false;
    }
    if (image.swapBytes) {
        for (std::size_t i = 0; i < entries; ++i) {
            table[i] = swapped(table[i]);
        }
    }
    return true;
}

// The header asks for the tables' size; the file must hold them before they are allocated, so a
// few bytes of header cannot ask for gigabytes. The messages are those of the short reads.
void readRowTables(SgiImage& image) {
    const std::size_t entries = std::size_t{image.ysize} * image.zsize;
    const int64_t tableBytes = static_cast<int64_t>(entries * sizeof(uint32_t));
    if (image.fileLength < dataStart + tableBytes) {
        fail("iopen: error on read of rowstart\n");
    }
    if (image.fileLength < dataStart + 2 * tableBytes) {
        fail("iopen: error on read of rowsize\n");
    }
    image.rowStart.reset(new (std::nothrow) uint32_t[entries]);
    image.rowSize.reset(new (std::nothrow) uint32_t[entries]);
    if (!image.rowStart || !image.rowSize) {
        fail("iopen: error on table alloc\n");
    }
    if (!seekTo(image.file, dataStart) || !readTable(image, image.rowStart.get(), entries)) {
        fail("iopen: error on read of rowstart\n");
    }
    if (!readTable(image, image.rowSize.get(), entries)) {
        fail("iopen: error on read of rowsize\n");
    }
}

void allocateRowBuffer(SgiImage& image) {
    // An RLE row can be longer than its samples: a literal packet adds one control unit per 127.
    image.rowBufferSize = 4 * (std::size_t{image.xsize} + image.xsize / 64);
    image.rowBuffer.reset(new (std::nothrow) unsigned char[image.rowBufferSize]);
    if (!image.rowBuffer) {
        fail("iopen: error on tmpbuf alloc %d\n", static_cast<int>(image.xsize));
    }
}

std::size_t rowIndex(const SgiImage& image, unsigned int y, unsigned int z) {
    switch (image.dimension) {
    case 1:
        return 0;
    case 2:
        return y;
    case 3:
        return std::size_t{z} * image.ysize + y;
    default:
        fail("img_seek: weird dim\n");
    }
}

int64_t rowOffset(const SgiImage& image, unsigned int y, unsigned int z) {
    if (image.storage != verbatimStorage && image.storage != rleStorage) {
        fail("img_seek: weird image type\n");
    }
    const std::size_t index = rowIndex(image, y, z);
    if (image.storage == rleStorage) {
        return image.rowStart[index];
    }
    return dataStart + static_cast<int64_t>(index) * image.xsize * image.bpc;
}

void readRowBytes(SgiImage& image, std::size_t bytes) {
    if (bytes > image.rowBufferSize ||
        std::fread(image.rowBuffer.get(), 1, bytes, image.file) != bytes) {
        failRowRead();
    }
    image.offset += static_cast<int64_t>(bytes);
}

bool supportedUnit(int bytes) {
    return bytes == 1 || bytes == 2;
}

void readVerbatimRow(SgiImage& image, uint16_t* buffer) {
    if (!supportedUnit(image.bpc)) {
        fail("getrow: weird bpp\n");
    }
    readRowBytes(image, std::size_t{image.xsize} * image.bpc);
    const unsigned char* bytes = image.rowBuffer.get();
    for (std::size_t i = 0; i < image.xsize; ++i) {
        buffer[i] = image.bpc == 1 ? bytes[i] : fieldAt<uint16_t>(bytes, 2 * i, image.swapBytes);
    }
}

void readRleRow(SgiImage& image, uint16_t* buffer) {
    if (!supportedUnit(image.bpc)) {
        fail("getrow: weird bpp\n");
    }
    const uint32_t length = image.rowSize[rowIndex(image, image.y, image.z)];
    readRowBytes(image, length);
    unsigned char* bytes = image.rowBuffer.get();
    if (image.bpc == 2 && image.swapBytes) {
        for (std::size_t at = 0; at + 1 < length; at += 2) {
            std::swap(bytes[at], bytes[at + 1]);
        }
    }
    if (rle_expand(bytes, length, image.bpc, buffer, image.xsize, 2) < 0) {
        failRowRead();
    }
}

template <int Bpu> unsigned unitAt(const unsigned char* in, std::size_t index) {
    if constexpr (Bpu == 1) {
        return in[index];
    } else {
        uint16_t unit;
        std::memcpy(&unit, in + 2 * index, sizeof unit);
        return unit;
    }
}

template <int Bpu> void putUnit(unsigned char* out, std::size_t index, unsigned value) {
    if constexpr (Bpu == 1) {
        out[index] = static_cast<unsigned char>(value);
    } else {
        const auto unit = static_cast<uint16_t>(value);
        std::memcpy(out + 2 * index, &unit, sizeof unit);
    }
}

// Every packet is checked against both ends before it is expanded, whatever counts the file holds.
template <int InBpu, int OutBpu>
int expandRow(const unsigned char* in, std::size_t inUnits, unsigned char* out,
              std::size_t outUnits) {
    std::size_t from = 0;
    std::size_t to = 0;
    while (from < inUnits) {
        const unsigned control = unitAt<InBpu>(in, from++);
        const std::size_t count = control & 0x7f;
        if (count == 0) {
            break;
        }
        const bool literal = (control & 0x80) != 0;
        if (count > outUnits - to || (literal ? count : 1) > inUnits - from) {
            return -1;
        }
        if (literal) {
            for (std::size_t i = 0; i < count; ++i) {
                putUnit<OutBpu>(out, to++, unitAt<InBpu>(in, from++));
            }
            continue;
        }
        const unsigned value = unitAt<InBpu>(in, from++);
        for (std::size_t i = 0; i < count; ++i) {
            putUnit<OutBpu>(out, to++, value);
        }
    }
    return static_cast<int>(to);
}

} // namespace

SgiImage::~SgiImage() {
    if (file != nullptr) {
        std::fclose(file);
    }
}

SgiImage* iopen(const char* fileName, const char* mode) {
    if (fileName == nullptr || mode == nullptr || mode[0] == '\0') {
        return nullptr;
    }
    if (mode[1] == '+') {
        fail("iopen: read/write mode not supported\n");
    }
    if (mode[0] != 'r') {
        return nullptr;
    }
    std::unique_ptr<SgiImage> image(new (std::nothrow) SgiImage{});
    if (!image) {
        fail("iopen: error on image struct alloc\n");
    }
    image->file = std::fopen(fileName, "rb");
    if (image->file == nullptr) {
        return nullptr;
    }
    image->flags = SgiImage::readMode;
    image->fileLength = lengthOf(image->file);
    readHeader(*image);
    // The tables hold ysize * zsize entries as the header says, so they are read before ysize is
    // made the one row of a dimension-1 image.
    if (image->storage == rleStorage) {
        readRowTables(*image);
    }
    if (image->dimension == 1 && image->ysize > 1) {
        image->ysize = 1;
    }
    allocateRowBuffer(*image);
    image->offset = seekTo(image->file, dataStart) ? dataStart : -1;
    return image.release();
}

int iclose(SgiImage* image) {
    if (image == nullptr) {
        return -1;
    }
    std::unique_ptr<SgiImage> owned(image);
    std::FILE* file = std::exchange(owned->file, nullptr);
    if (file != nullptr && std::fclose(file) != 0) {
        fail("iclose: error on close of file\n");
    }
    return 0;
}

int img_seek(SgiImage* image, unsigned int y, unsigned int z) {
    if (y >= image->ysize || z >= image->zsize) {
        fail("img_seek: row number out of range\n");
    }
    image->x = 0;
    image->y = static_cast<uint16_t>(y);
    image->z = static_cast<uint16_t>(z);
    const int64_t offset = rowOffset(*image, y, z);
    if (offset == image->offset) {
        return 0;
    }
    if (!seekTo(image->file, offset)) {
        image->offset = -1;
        return -1;
    }
    image->offset = offset;
    return 0;
}

int getrow(SgiImage* image, uint16_t* buffer, unsigned int y, unsigned int z) {
    if (image->dimension < 3) {
        z = 0;
    }
    if (image->dimension < 2) {
        y = 0;
    }
    if (img_seek(image, y, z) != 0) {
        failRowRead();
    }
    switch (image->storage) {
    case verbatimStorage:
        readVerbatimRow(*image, buffer);
        break;
    case rleStorage:
        readRleRow(*image, buffer);
        break;
    default:
        fail("getrow: weird image type\n");
    }
    return image->xsize;
}

void checkrow(const SgiImage& image, unsigned int y, unsigned int z) {
    if (image.dimension < 3) {
        z = 0;
    }
    if (image.dimension < 2) {
        y = 0;
    }
    if (y >= image.ysize || z >= image.zsize) {
        fail("img_seek: row number out of range\n");
    }
    const int64_t offset = rowOffset(image, y, z);
    if (!supportedUnit(image.bpc)) {
        fail("getrow: weird bpp\n");
    }
    const std::size_t bytes = image.storage == rleStorage ? image.rowSize[rowIndex(image, y, z)]
                                                          : std::size_t{image.xsize} * image.bpc;
    if (bytes > image.rowBufferSize || offset + static_cast<int64_t>(bytes) > image.fileLength) {
        failRowRead();
    }
}

int rle_expand(const unsigned char* in, std::size_t inBytes, int inBpu, void* out,
               std::size_t outUnits, int outBpu) {
    if (!supportedUnit(inBpu) || !supportedUnit(outBpu)) {
        fail("rle_expand: bad bpp: %d %d\n", inBpu, outBpu);
    }
    auto* bytes = static_cast<unsigned char*>(out);
    const std::size_t inUnits = inBytes / static_cast<std::size_t>(inBpu);
    if (inBpu == 1) {
        return outBpu == 1 ? expandRow<1, 1>(in, inUnits, bytes, outUnits)
                           : expandRow<1, 2>(in, inUnits, bytes, outUnits);
    }
    return outBpu == 1 ? expandRow<2, 1>(in, inUnits, bytes, outUnits)
                       : expandRow<2, 2>(in, inUnits, bytes, outUnits);
}

bool hasPicture(const SgiImage& image) {
    return image.xsize != 0 && image.ysize != 0 && image.zsize != 0;
}

} // namespace sgi
