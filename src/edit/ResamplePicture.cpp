#include "edit/ResamplePicture.h"

#include "edit/RowParallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include <immintrin.h>
#include <stdexcept>
#include <vector>

namespace vistrel {

namespace {

// Where one destination column or row takes its four taps from, and with which weights.
struct Taps {
    std::array<int, 4> index{};
    std::array<double, 4> weight{};
};

// Taps outside the picture read the pixel nearest the sample point, not the edge pixel,
// but keep the weight of their own distance.
std::vector<Taps> GatherTaps(int destinationSize, int sourceSize)
{
    const double scale = static_cast<double>(sourceSize) / destinationSize;
    std::vector<Taps> taps(static_cast<size_t>(destinationSize));
    for (int i = 0; i < destinationSize; ++i) {
        const double f = i * scale;
        const int base = static_cast<int>(f);
        Taps& t = taps[static_cast<size_t>(i)];
        for (int n = 0; n < 4; ++n) {
            const int k = base - 1 + n;
            t.index[static_cast<size_t>(n)] = (k < 0 || k > sourceSize - 1) ? base : k;
            t.weight[static_cast<size_t>(n)] = CubicWeight(std::fabs(f - k));
        }
    }
    return taps;
}

quint8 ToChannel(double sum)
{
    return static_cast<quint8>(std::clamp(std::nearbyint(sum), 0.0, 255.0));
}

struct ResampleJob {
    std::vector<const uchar*> sourceRows;
    std::vector<uchar> lastRow; // the bottom row with one spare byte for 4-byte loads
    std::vector<uchar*> resultRows;
    std::vector<Taps> columns;
    std::vector<Taps> rows;
};

// The sums of one destination pixel, rows outer, columns inner, (value x column weight) x row
// weight, whichever band or pass computes it.
struct PixelSum {
    double blue = 0;
    double green = 0;
    double red = 0;

    void add(const uchar* p, double wx, double wy)
    {
        blue += p[0] * wx * wy;
        green += p[1] * wx * wy;
        red += p[2] * wx * wy;
    }
    void store(uchar* out) const
    {
        out[0] = ToChannel(blue);
        out[1] = ToChannel(green);
        out[2] = ToChannel(red);
    }
};

// Two pixels at a time: their sums are independent, so the processor can overlap them.
void ResampleRowsPortable(const ResampleJob& job, int firstRow, int endRow)
{
    const size_t width = job.columns.size();
    for (int j = firstRow; j < endRow; ++j) {
        const Taps& rowTaps = job.rows[static_cast<size_t>(j)];
        std::array<const uchar*, 4> rowPtr{};
        for (size_t n = 0; n < 4; ++n) {
            rowPtr[n] = job.sourceRows[static_cast<size_t>(rowTaps.index[n])];
        }
        uchar* out = job.resultRows[static_cast<size_t>(j)];
        size_t i = 0;
        for (; i + 1 < width; i += 2) {
            const Taps& a = job.columns[i];
            const Taps& b = job.columns[i + 1];
            PixelSum first;
            PixelSum second;
            for (size_t r = 0; r < 4; ++r) {
                const double wy = rowTaps.weight[r];
                for (size_t k = 0; k < 4; ++k) {
                    first.add(rowPtr[r] + 3 * a.index[k], a.weight[k], wy);
                    second.add(rowPtr[r] + 3 * b.index[k], b.weight[k], wy);
                }
            }
            first.store(out + 3 * i);
            second.store(out + 3 * i + 3);
        }
        for (; i < width; ++i) {
            const Taps& a = job.columns[i];
            PixelSum sum;
            for (size_t r = 0; r < 4; ++r) {
                for (size_t k = 0; k < 4; ++k) {
                    sum.add(rowPtr[r] + 3 * a.index[k], a.weight[k], rowTaps.weight[r]);
                }
            }
            sum.store(out + 3 * i);
        }
    }
}

// The same sums with blue, green and red in three lanes of one register (the fourth lane is
// ignored). Each lane rounds exactly as the scalar code does, in the same order, and there is
// no fused multiply-add, so not a bit changes. Every pixel read has a byte behind it.
__attribute__((target("avx2"))) inline void AddTap(__m256d& sum, const uchar* p, double wx,
                                                   __m256d wy)
{
    int word = 0;
    std::memcpy(&word, p, sizeof word);
    const __m256d value = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(word)));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_mul_pd(value, _mm256_set1_pd(wx)), wy));
}

// Clamping before rounding gives the same byte (both ends are whole numbers); the rounding is
// to nearest with ties to even, as nearbyint in the default mode.
__attribute__((target("avx2"))) inline void StoreLanes(__m256d sum, uchar* out)
{
    sum = _mm256_min_pd(_mm256_max_pd(sum, _mm256_setzero_pd()), _mm256_set1_pd(255));
    const __m128i bytes = _mm256_cvtpd_epi32(sum);
    out[0] = static_cast<uchar>(_mm_extract_epi32(bytes, 0));
    out[1] = static_cast<uchar>(_mm_extract_epi32(bytes, 1));
    out[2] = static_cast<uchar>(_mm_extract_epi32(bytes, 2));
}

// Four pixels at a time, tap by tap, so that four independent chains of additions overlap.
__attribute__((target("avx2"))) void ResampleRowsAvx2(const ResampleJob& job, int firstRow,
                                                      int endRow)
{
    constexpr size_t kGroup = 4;
    const size_t width = job.columns.size();
    for (int j = firstRow; j < endRow; ++j) {
        const Taps& rowTaps = job.rows[static_cast<size_t>(j)];
        std::array<const uchar*, 4> rowPtr{};
        __m256d wy[4];
        for (size_t n = 0; n < 4; ++n) {
            rowPtr[n] = job.sourceRows[static_cast<size_t>(rowTaps.index[n])];
            wy[n] = _mm256_set1_pd(rowTaps.weight[n]);
        }
        uchar* out = job.resultRows[static_cast<size_t>(j)];
        for (size_t i = 0; i < width; i += kGroup) {
            const size_t count = std::min(kGroup, width - i);
            const Taps* taps = &job.columns[i];
            __m256d sum[kGroup];
            for (__m256d& s : sum) {
                s = _mm256_setzero_pd();
            }
            for (size_t r = 0; r < 4; ++r) {
                for (size_t k = 0; k < 4; ++k) {
                    for (size_t g = 0; g < count; ++g) {
                        AddTap(sum[g], rowPtr[r] + 3 * taps[g].index[k], taps[g].weight[k], wy[r]);
                    }
                }
            }
            for (size_t g = 0; g < count; ++g) {
                StoreLanes(sum[g], out + 3 * (i + g));
            }
        }
    }
}

void ResampleRows(const ResampleJob& job, int firstRow, int endRow)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        ResampleRowsAvx2(job, firstRow, endRow);
    } else {
        ResampleRowsPortable(job, firstRow, endRow);
    }
}

// Shrinking: the kernel widened by the scale factor, so that every source pixel counts and
// thin lines (text) blend instead of dropping out. Taps are centred on the destination
// pixel's middle; those beyond an edge read the edge pixel; the weights add up to one. An
// enlarged side keeps its four taps of the plain convolution.
struct WideTaps {
    std::vector<int> index;
    std::vector<float> weight;
};

std::vector<WideTaps> GatherWideTaps(int destinationSize, int sourceSize)
{
    std::vector<WideTaps> taps(static_cast<size_t>(destinationSize));
    if (destinationSize >= sourceSize) {
        const std::vector<Taps> plain = GatherTaps(destinationSize, sourceSize);
        for (size_t i = 0; i < plain.size(); ++i) {
            taps[i].index.assign(plain[i].index.begin(), plain[i].index.end());
            taps[i].weight.assign(plain[i].weight.begin(), plain[i].weight.end());
        }
        return taps;
    }
    const double scale = static_cast<double>(sourceSize) / destinationSize;
    const double support = 2 * scale;
    for (int i = 0; i < destinationSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        WideTaps& t = taps[static_cast<size_t>(i)];
        double total = 0;
        for (int k = static_cast<int>(std::ceil(centre - support));
             k <= static_cast<int>(std::floor(centre + support)); ++k) {
            const double d = std::fabs(k - centre) / scale;
            if (d >= 2)
                continue;
            const double w = CubicWeight(d);
            t.index.push_back(std::clamp(k, 0, sourceSize - 1));
            t.weight.push_back(static_cast<float>(w));
            total += w;
        }
        for (float& w : t.weight)
            w = static_cast<float>(w / total);
    }
    return taps;
}

// Row by row: the destination row's source rows summed into one row of floats, then each
// destination pixel summed from that row. Memory is one row per band.
void ResampleWideRows(const QImage& source, QImage& result, const std::vector<WideTaps>& columns,
                      const std::vector<WideTaps>& rows, int firstRow, int endRow)
{
    const int sourceWidth = source.width();
    std::vector<float> line(static_cast<size_t>(3 * sourceWidth));
    for (int j = firstRow; j < endRow; ++j) {
        const WideTaps& down = rows[static_cast<size_t>(j)];
        std::fill(line.begin(), line.end(), 0.0f);
        for (size_t r = 0; r < down.index.size(); ++r) {
            const uchar* in = source.constScanLine(down.index[r]);
            const float w = down.weight[r];
            for (size_t b = 0; b < line.size(); ++b)
                line[b] += w * in[b];
        }
        uchar* out = result.scanLine(j);
        for (size_t i = 0; i < columns.size(); ++i) {
            const WideTaps& across = columns[i];
            float blue = 0, green = 0, red = 0;
            for (size_t k = 0; k < across.index.size(); ++k) {
                const float* p = line.data() + 3 * across.index[k];
                const float w = across.weight[k];
                blue += w * p[0];
                green += w * p[1];
                red += w * p[2];
            }
            out[3 * i] = ToChannel(blue);
            out[3 * i + 1] = ToChannel(green);
            out[3 * i + 2] = ToChannel(red);
        }
    }
}

} // namespace

double CubicWeight(double d)
{
    if (d < 1) {
        return (d * d - d - 1) * (d - 1);
    }
    return -(d - 1) * ((d - 2) * (d - 2));
}

QImage ResamplePicture(const QImage& bitmap, int width, int height)
{
    const long long pixels = static_cast<long long>(std::max(width, 1)) * std::max(height, 1);
    return ResamplePicture(bitmap, width, height, RowBandThreads(pixels * 4));
}

QImage ResamplePicture(const QImage& bitmap, int width, int height, int threads)
{
    if (bitmap.isNull()) {
        return {};
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
    const QImage source = bitmap.convertToFormat(QImage::Format_BGR888);
    QImage result(width, height, QImage::Format_BGR888);
    if (source.isNull() || result.isNull()) {
        throw std::runtime_error("イメージを拡大・縮小するためのメモリが不足しています。");
    }
    if (width < source.width() || height < source.height()) {
        const std::vector<WideTaps> columns = GatherWideTaps(width, source.width());
        const std::vector<WideTaps> rows = GatherWideTaps(height, source.height());
        RunRowBands(height, threads, [&](int first, int end) {
            ResampleWideRows(source, result, columns, rows, first, end);
        });
        return result;
    }
    ResampleJob job;
    job.sourceRows.resize(static_cast<size_t>(source.height()));
    for (int r = 0; r < source.height(); ++r) {
        job.sourceRows[static_cast<size_t>(r)] = source.constScanLine(r);
    }
    const uchar* bottom = source.constScanLine(source.height() - 1);
    job.lastRow.assign(bottom, bottom + 3 * source.width());
    job.lastRow.push_back(0);
    job.sourceRows.back() = job.lastRow.data();
    job.resultRows.resize(static_cast<size_t>(height));
    for (int r = 0; r < height; ++r) {
        job.resultRows[static_cast<size_t>(r)] = result.scanLine(r);
    }
    job.columns = GatherTaps(width, source.width());
    job.rows = GatherTaps(height, source.height());
    RunRowBands(height, threads, [&job](int first, int end) { ResampleRows(job, first, end); });
    return result;
}

} // namespace vistrel
