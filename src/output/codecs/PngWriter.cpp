#include "output/codecs/PngWriter.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace vistrel {

namespace {

constexpr int BytesPerPixel = 3;
// Below this much filtered data a second thread costs more than it saves.
constexpr size_t MinBytesPerBand = 1024 * 1024;
constexpr int MaxThreads = 8;
// Level -1: with Sub|Up rows, smaller files than zlib's level 6 with None|Sub at under half
// the time on screenshots and photographs (bench/output/compare-png-choices).
constexpr int DefaultLevel = 2;
constexpr qsizetype MaxChunkData = 1 << 20;
// Walking a deflated band's blocks again costs about this share of deflating it: measured
// 30-45% at the fast levels on screenshots and photographs, under 10% at level 9.
int blockWalkPercent(int libdeflateLevel)
{
    return libdeflateLevel <= 2 ? 40 : libdeflateLevel < 6 ? 20 : 8;
}

// libpng's filter mask bits, in the order of the PNG filter types 0..4.
constexpr std::array<int, 5> FilterBits{0x08, 0x10, 0x20, 0x40, 0x80};

struct Pass {
    int xStart, xStep, yStart, yStep;
};
constexpr std::array<Pass, 7> Adam7{{{0, 8, 0, 8},
                                     {4, 8, 0, 8},
                                     {0, 4, 4, 8},
                                     {2, 4, 0, 4},
                                     {0, 2, 2, 4},
                                     {1, 2, 0, 2},
                                     {0, 1, 1, 2}}};

// One row of the filtered stream: where its pixels come from and where its bytes go.
struct RowRef {
    int y, xStart, xStep, width;
    bool firstInPass;
    size_t offset; // of its filter-type byte in the filtered stream
};

int passExtent(int size, int start, int step)
{
    return size > start ? (size - start + step - 1) / step : 0;
}

std::vector<RowRef> layRows(const QImage& image, bool interlaced, size_t& total)
{
    std::vector<RowRef> rows;
    total = 0;
    const auto addPass = [&](const Pass& p) {
        const int width = passExtent(image.width(), p.xStart, p.xStep);
        const int height = passExtent(image.height(), p.yStart, p.yStep);
        if (width == 0 || height == 0)
            return; // an empty pass has no bytes at all, not even filter types
        for (int i = 0; i < height; ++i) {
            rows.push_back({p.yStart + i * p.yStep, p.xStart, p.xStep, width, i == 0, total});
            total += 1 + size_t(width) * BytesPerPixel;
        }
    };
    if (interlaced) {
        for (const Pass& p : Adam7)
            addPass(p);
    } else {
        addPass({0, 1, 0, 1});
    }
    return rows;
}

void readRgb(const QImage& image, const RowRef& row, uchar* out)
{
    if (image.format() == QImage::Format_BGR888) {
        const uchar* line = image.constScanLine(row.y);
        for (int i = 0; i < row.width; ++i, out += 3) {
            const uchar* p = line + size_t(row.xStart + i * row.xStep) * 3;
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
        return;
    }
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row.y));
    for (int i = 0; i < row.width; ++i, out += 3) {
        const QRgb p = line[row.xStart + i * row.xStep];
        out[0] = uchar(qRed(p));
        out[1] = uchar(qGreen(p));
        out[2] = uchar(qBlue(p));
    }
}

int paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// The bytes a - b (just a without b), stored to out when Store, and their signed magnitude
// summed when Cost: the row-by-row choice weighs None, Sub and Up without writing them.
template <bool HasB, bool Store, bool Cost>
std::uint64_t difference(const uchar* a, const uchar* b, size_t n, uchar* out)
{
    std::uint64_t sum = 0;
    size_t i = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    for (; i + 16 <= n; i += 16) {
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        if constexpr (HasB)
            d = _mm_sub_epi8(d, _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
        if constexpr (Store)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), d);
        if constexpr (Cost)
            sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_min_epu8(d, _mm_sub_epi8(zero, d)), zero));
    }
    if constexpr (Cost)
        sum = std::uint64_t(_mm_cvtsi128_si64(sums)) +
              std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
    for (; i < n; ++i) {
        uchar d = a[i];
        if constexpr (HasB)
            d = uchar(d - b[i]);
        if constexpr (Store)
            out[i] = d;
        if constexpr (Cost)
            sum += std::min(unsigned(d), 256u - d);
    }
    return sum;
}

// The usual heuristic for a mixed mask: the filter whose bytes, read as signed, sum smallest.
std::uint64_t signedMagnitude(const uchar* bytes, size_t length)
{
    return difference<false, false, true>(bytes, nullptr, length, nullptr);
}

// None, Sub or Up over one row of `length` bytes (a multiple of the pixel size); the first
// pixel has no left neighbour, so its bytes get their own pass.
template <bool Store, bool Cost>
std::uint64_t cheapFilter(int type, const uchar* cur, const uchar* prev, size_t length, uchar* out)
{
    constexpr size_t bpp = BytesPerPixel;
    switch (type) {
    case 0:
        return difference<false, Store, Cost>(cur, nullptr, length, out);
    case 1:
        return difference<false, Store, Cost>(cur, nullptr, bpp, out) +
               difference<true, Store, Cost>(cur + bpp, cur, length - bpp,
                                             Store ? out + bpp : nullptr);
    default:
        return difference<true, Store, Cost>(cur, prev, length, out);
    }
}

// Average (3) or Paeth (4) over one row.
void slowFilter(int type, const uchar* cur, const uchar* prev, size_t length, uchar* out)
{
    constexpr size_t bpp = BytesPerPixel;
    if (type == 3) {
        for (size_t i = 0; i < bpp; ++i)
            out[i] = uchar(cur[i] - (prev[i] >> 1));
        for (size_t i = bpp; i < length; ++i)
            out[i] = uchar(cur[i] - ((cur[i - bpp] + prev[i]) >> 1));
        return;
    }
    for (size_t i = 0; i < bpp; ++i)
        out[i] = uchar(cur[i] - prev[i]); // Paeth of (0, up, 0) is up
    for (size_t i = bpp; i < length; ++i)
        out[i] = uchar(cur[i] - paeth(cur[i - bpp], prev[i], prev[i - bpp]));
}

class FilteredRows {
public:
    FilteredRows(const QImage& image, bool interlaced, int filters)
        : m_image(image), m_rows(layRows(image, interlaced, m_total))
    {
        for (int type = 0; type < int(FilterBits.size()); ++type)
            if (filters & FilterBits[size_t(type)])
                m_types.push_back(type);
        if (m_types.empty())
            m_types.push_back(0);
        m_stream.resize(m_total);
    }

    size_t totalBytes() const { return m_total; }
    int rowCount() const { return int(m_rows.size()); }
    uchar* streamData() { return m_stream.data(); }
    size_t offsetOfRow(int k) const { return k < rowCount() ? m_rows[size_t(k)].offset : m_total; }

    // Filters rows [first, end) into dest, which stands for the stream from row `first`.
    void filterRows(int first, int end, uchar* dest) const
    {
        const size_t widest = size_t(m_image.width()) * BytesPerPixel;
        std::vector<uchar> previous(widest, 0), current(widest);
        // Average and Paeth are weighed by writing them: one row each, the winner copied.
        std::vector<uchar> scratch(m_types.size() > 1 ? 2 * widest : 0);
        bool havePrevious = false;
        const size_t base = m_rows[size_t(first)].offset;
        for (int k = first; k < end; ++k) {
            const RowRef& row = m_rows[size_t(k)];
            const size_t length = size_t(row.width) * BytesPerPixel;
            if (row.firstInPass) {
                std::fill_n(previous.begin(), length, uchar(0));
            } else if (!havePrevious) {
                readRgb(m_image, m_rows[size_t(k) - 1], previous.data());
            }
            readRgb(m_image, row, current.data());
            uchar* out = dest + (row.offset - base);
            out[0] = uchar(filterOne(current.data(), previous.data(), length, out + 1,
                                     scratch.data(), widest));
            std::swap(previous, current);
            havePrevious = true;
        }
    }

private:
    // Filters one row into out and returns its filter type.
    int filterOne(const uchar* cur, const uchar* prev, size_t length, uchar* out, uchar* scratch,
                  size_t scratchRow) const
    {
        constexpr int FirstSlow = 3;
        if (m_types.size() == 1) {
            const int type = m_types.front();
            if (type < FirstSlow)
                cheapFilter<true, false>(type, cur, prev, length, out);
            else
                slowFilter(type, cur, prev, length, out);
            return type;
        }
        std::uint64_t best = ~std::uint64_t(0);
        int chosen = m_types.front();
        for (const int type : m_types) {
            std::uint64_t cost = 0;
            if (type < FirstSlow) {
                cost = cheapFilter<false, true>(type, cur, prev, length, nullptr);
            } else {
                uchar* row = scratch + size_t(type - FirstSlow) * scratchRow;
                slowFilter(type, cur, prev, length, row);
                cost = signedMagnitude(row, length);
            }
            if (cost < best) {
                best = cost;
                chosen = type;
            }
        }
        if (chosen < FirstSlow)
            cheapFilter<true, false>(chosen, cur, prev, length, out);
        else
            std::memcpy(out, scratch + size_t(chosen - FirstSlow) * scratchRow, length);
        return chosen;
    }

    const QImage& m_image;
    size_t m_total = 0;
    std::vector<RowRef> m_rows;
    std::vector<int> m_types;
    std::vector<uchar> m_stream;
};

int bandCount(size_t total, int rows, int requested, int threads)
{
    if (requested > 0)
        return std::clamp(requested, 1, std::max(rows, 1));
    const int bySize = int(std::min<size_t>(total / MinBytesPerBand, size_t(rows)));
    return std::max(1, std::min(bySize, threads));
}

void appendBigEndian(QByteArray& out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xff));
}

int libdeflateLevel(int zlibLevel)
{
    return zlibLevel < 0 ? DefaultLevel : std::min(zlibLevel, 12);
}

[[noreturn]] void throwOutOfMemory()
{
    throw std::runtime_error("PNG ファイルを作成できません: メモリが足りません");
}

[[noreturn]] void throwCompressionFailed()
{
    throw std::runtime_error("PNG ファイルを作成できません: 圧縮に失敗しました");
}

class Compressor {
public:
    explicit Compressor(int zlibLevel)
        : m_compressor(libdeflate_alloc_compressor(libdeflateLevel(zlibLevel)))
    {
        if (!m_compressor)
            throwOutOfMemory();
    }
    ~Compressor() { libdeflate_free_compressor(m_compressor); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    libdeflate_compressor* get() const { return m_compressor; }

private:
    libdeflate_compressor* m_compressor;
};

// One zlib stream from one thread; libdeflate took a third of zlib's time for smaller files.
QByteArray compressWhole(const uchar* data, size_t size, int zlibLevel)
{
    const Compressor compressor(zlibLevel);
    QByteArray stream;
    stream.resize(qsizetype(libdeflate_zlib_compress_bound(compressor.get(), size)));
    const size_t written = libdeflate_zlib_compress(compressor.get(), data, size, stream.data(),
                                                    size_t(stream.size()));
    if (written == 0)
        throwCompressionFailed();
    stream.truncate(qsizetype(written));
    return stream;
}

// A band of the filtered stream deflated on its own thread. libdeflate can only end a stream,
// so for every band but the last the bit where its final block starts and the bit where the
// data ends are found again, to clear that block's final flag when the bands are joined.
struct DeflatedBand {
    std::vector<uchar> bytes;
    size_t length = 0; // filtered bytes it holds
    uLong adler = 1;
    size_t lastBlockBit = 0;
    size_t endBit = 0;
};

// Walks the blocks with zlib's inflate, which stops at each block boundary with Z_BLOCK.
void findLastBlock(DeflatedBand& band)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        throwOutOfMemory();
    std::vector<uchar> sink(256 * 1024);
    z.next_in = band.bytes.data();
    z.avail_in = uInt(band.bytes.size());
    band.lastBlockBit = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        if (z.avail_out == 0) {
            z.next_out = sink.data();
            z.avail_out = uInt(sink.size());
        }
        result = inflate(&z, Z_BLOCK);
        if (result != Z_OK || !(z.data_type & 128))
            continue;
        const size_t bit = size_t(z.total_in) * 8 - size_t(z.data_type & 7);
        if (z.data_type & 64) {
            band.endBit = bit;
            break;
        }
        band.lastBlockBit = bit;
    }
    inflateEnd(&z);
    if (band.endBit == 0)
        throwCompressionFailed();
}

void deflateBand(DeflatedBand& band, const uchar* data, size_t size, int zlibLevel, bool last)
{
    const Compressor compressor(zlibLevel);
    band.length = size;
    band.adler = uLong(libdeflate_adler32(1, data, size));
    band.bytes.resize(libdeflate_deflate_compress_bound(compressor.get(), size));
    const size_t written = libdeflate_deflate_compress(compressor.get(), data, size,
                                                       band.bytes.data(), band.bytes.size());
    if (written == 0)
        throwCompressionFailed();
    band.bytes.resize(written);
    if (!last)
        findLastBlock(band);
}

// The zlib header libdeflate writes for the level, so that one and several bands agree.
void appendZlibHeader(QByteArray& out, int zlibLevel)
{
    const int level = libdeflateLevel(zlibLevel);
    const unsigned hint = level < 2 ? 0 : level < 6 ? 1 : level < 8 ? 2 : 3;
    unsigned header = 0x7800 | (hint << 6);
    header |= 31 - header % 31;
    out.append(char(header >> 8));
    out.append(char(header & 0xff));
}

// The bands as one zlib stream: each but the last with its final flag cleared and followed
// by an empty stored block, which brings the next band to a byte boundary.
QByteArray joinBands(std::vector<DeflatedBand>& bands, int zlibLevel)
{
    size_t total = 16;
    for (const DeflatedBand& band : bands)
        total += band.bytes.size() + 5;
    QByteArray out;
    out.reserve(qsizetype(total));
    appendZlibHeader(out, zlibLevel);
    uLong adler = 1;
    for (size_t i = 0; i < bands.size(); ++i) {
        DeflatedBand& band = bands[i];
        adler = adler32_combine(adler, band.adler, z_off_t(band.length));
        if (i + 1 == bands.size()) {
            out.append(reinterpret_cast<const char*>(band.bytes.data()),
                       qsizetype(band.bytes.size()));
            break;
        }
        band.bytes[band.lastBlockBit / 8] &= uchar(~(1u << (band.lastBlockBit % 8)));
        const size_t whole = band.endBit / 8, spare = band.endBit % 8;
        out.append(reinterpret_cast<const char*>(band.bytes.data()), qsizetype(whole));
        if (spare > 0)
            out.append(char(band.bytes[whole] & ((1u << spare) - 1)));
        // Three header bits of the stored block, then padding to the byte boundary.
        if (spare == 0 || spare > 5)
            out.append('\0');
        out.append("\0\0\xff\xff", 4);
    }
    appendBigEndian(out, quint32(adler));
    return out;
}

void appendChunk(QByteArray& out, const char* type, const char* data, qsizetype length)
{
    appendBigEndian(out, quint32(length));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data, length);
    const auto* crcStart = reinterpret_cast<const Bytef*>(out.constData() + start);
    appendBigEndian(out, quint32(crc32(0, crcStart, uInt(length + 4))));
}

// The first row of each band (and the row count last). A band but the last also has its
// blocks walked after deflating, so it gets fewer rows to finish with the last one.
std::vector<int> bandStarts(int rows, int count, int zlibLevel)
{
    const qint64 Weight = 100, LastWeight = 100 + blockWalkPercent(libdeflateLevel(zlibLevel));
    const qint64 total = Weight * (count - 1) + LastWeight;
    std::vector<int> starts(size_t(count) + 1, rows);
    starts[0] = 0;
    for (int b = 1; b < count; ++b)
        starts[size_t(b)] = std::clamp(int(rows * Weight * b / total), starts[size_t(b) - 1] + 1,
                                       rows - (count - b));
    return starts;
}

// Filters the bands, and with more than one deflates each where it was filtered.
QByteArray filterAndDeflate(FilteredRows& writer, int zlibLevel, int count, int cores)
{
    const std::vector<int> starts = bandStarts(writer.rowCount(), count, zlibLevel);
    std::vector<DeflatedBand> deflated(count > 1 ? size_t(count) : 0);
    std::atomic<int> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    const auto work = [&] {
        for (int b = next++; b < count; b = next++) {
            try {
                const size_t offset = writer.offsetOfRow(starts[size_t(b)]);
                uchar* data = writer.streamData() + offset;
                writer.filterRows(starts[size_t(b)], starts[size_t(b) + 1], data);
                if (count > 1)
                    deflateBand(deflated[size_t(b)], data,
                                writer.offsetOfRow(starts[size_t(b) + 1]) - offset, zlibLevel,
                                b + 1 == count);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                failure = std::current_exception();
                next = count;
            }
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < std::min(cores, count); ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no thread to be had: this one does the rest
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
    if (count == 1)
        return compressWhole(writer.streamData(), writer.totalBytes(), zlibLevel);
    return joinBands(deflated, zlibLevel);
}

} // namespace

QByteArray WriteTruecolourPng(const QImage& image, int zlibLevel, bool interlaced, int filters,
                              int bands)
{
    FilteredRows writer(image, interlaced, filters);
    const int cores =
        int(std::clamp(std::thread::hardware_concurrency(), 1U, unsigned(MaxThreads)));
    const int count = bandCount(writer.totalBytes(), writer.rowCount(), bands, cores);
    const QByteArray stream = filterAndDeflate(writer, zlibLevel, count, cores);
    QByteArray out;
    out.reserve(stream.size() + stream.size() / MaxChunkData * 12 + 64);
    out.append("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    appendBigEndian(header, quint32(image.width()));
    appendBigEndian(header, quint32(image.height()));
    header.append(char(8));                  // bits per sample
    header.append(char(2));                  // truecolour
    header.append(char(0));                  // deflate
    header.append(char(0));                  // adaptive filtering
    header.append(char(interlaced ? 1 : 0)); // Adam7
    appendChunk(out, "IHDR", header.constData(), header.size());
    for (qsizetype at = 0; at < stream.size(); at += MaxChunkData)
        appendChunk(out, "IDAT", stream.constData() + at,
                    std::min(MaxChunkData, stream.size() - at));
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace vistrel
