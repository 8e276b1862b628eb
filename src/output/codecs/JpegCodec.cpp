#include "output/codecs/JpegCodec.h"

#include "output/codecs/BmpFile.h"
#include "output/codecs/CodecGuard.h"

#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <jerror.h>
#include <jpeglib.h>
#include <stdexcept>

namespace vistrel {

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// A progressive file may hold thousands of scans, each a pass over the whole
// picture: past this many it is a trap, not a photograph.
constexpr int MaxProgressiveScans = 500;

struct JpegProgress {
    jpeg_progress_mgr manager;
    JpegError* error;
};

extern "C" void jpegProgress(j_common_ptr info)
{
    auto* progress = reinterpret_cast<JpegProgress*>(info->progress);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (info->is_decompressor && decompress->input_scan_number > MaxProgressiveScans) {
        std::snprintf(progress->error->message, JMSG_LENGTH_MAX, "%s", "走査の数が多すぎます");
        std::longjmp(progress->error->jump, 1);
    }
}

// The library's own texts are English; the user reads the cause in Japanese.
const char* japaneseCause(int code)
{
    switch (code) {
    case JERR_NO_SOI:
        return "JPEG ファイルではありません";
    case JERR_INPUT_EOF:
    case JWRN_JPEG_EOF:
        return "画像データが足りません";
    case JERR_OUT_OF_MEMORY:
        return "メモリが足りません";
    case JERR_FILE_WRITE:
        return "書き込めません";
    default:
        return "データの形式が正しくありません";
    }
}

extern "C" void jpegErrorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::snprintf(error->message, JMSG_LENGTH_MAX, "%s", japaneseCause(info->err->msg_code));
    std::longjmp(error->jump, 1);
}

// A file cut short would otherwise decode as a picture padded with grey.
extern "C" void jpegEmitMessage(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        jpegErrorExit(info);
}

jpeg_error_mgr* installErrors(JpegError& error)
{
    jpeg_error_mgr* manager = jpeg_std_error(&error.manager);
    manager->error_exit = jpegErrorExit;
    manager->emit_message = jpegEmitMessage;
    error.message[0] = '\0';
    return manager;
}

[[noreturn]] void fail(const char* prefix, const JpegError& error)
{
    throw std::runtime_error(std::string(prefix) + ": " + error.message);
}

// Adobe writes CMYK inverted; the colours come out as the complement either way.
void cmykToRgb(QImage& image, bool inverted)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uchar* px = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, px += 4) {
            int c = px[0], m = px[1], ye = px[2], k = px[3];
            if (!inverted) {
                c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
            }
            row[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
}

} // namespace

QByteArray JpegCodec::encode(const QImage& source, int quality, bool progressive)
{
    if (source.isNull())
        throw std::runtime_error("空の画像は保存できません");
    if (source.width() > JPEG_MAX_DIMENSION || source.height() > JPEG_MAX_DIMENSION)
        throw std::runtime_error("画像が大きすぎて JPEG で保存できません");
    // The 24 colour bits are handed over as they lie in memory; no extra copy for 32-bit rows.
    const bool packed = source.format() == QImage::Format_BGR888;
    const QImage image = packed ? source : source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct info{};
    JpegError error;
    info.err = installErrors(error);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = runGuarded(error.jump, [&] {
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = JDIMENSION(image.width());
        info.image_height = JDIMENSION(image.height());
        info.input_components = packed ? 3 : 4;
        info.in_color_space = packed ? JCS_EXT_BGR : JCS_EXT_BGRX;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, qBound(1, quality, 100), TRUE);
        if (progressive)
            jpeg_simple_progression(&info);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<uchar*>(image.constScanLine(int(info.next_scanline)));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    });
    jpeg_destroy_compress(&info);
    if (!ok) {
        std::free(buffer);
        fail("JPEG ファイルを作成できません", error);
    }
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

QImage JpegCodec::decode(const QByteArray& bytes)
{
    return decodeReduced(bytes, QSize());
}

QImage JpegCodec::decodeReduced(const QByteArray& bytes, QSize fitWithin)
{
    if (bytes.isEmpty())
        throw std::runtime_error("JPEG ファイルが空です");
    jpeg_decompress_struct info{};
    JpegError error;
    info.err = installErrors(error);
    JpegProgress progress{};
    progress.manager.progress_monitor = jpegProgress;
    progress.error = &error;
    bool cmyk = false;
    const bool headerOk = runGuarded(error.jump, [&] {
        jpeg_create_decompress(&info);
        info.progress = &progress.manager;
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
        info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
        if (fitWithin.isValid())
            for (const unsigned denominator : {8u, 4u, 2u}) {
                const auto reduced = [denominator](JDIMENSION side) {
                    return qint64((side + denominator - 1) / denominator);
                };
                if (reduced(info.image_width) >= fitWithin.width() &&
                    reduced(info.image_height) >= fitWithin.height()) {
                    info.scale_num = 1;
                    info.scale_denom = denominator;
                    break;
                }
            }
        jpeg_calc_output_dimensions(&info);
    });
    if (!headerOk) {
        jpeg_destroy_decompress(&info);
        fail("JPEG ファイルが壊れています", error);
    }
    const qint64 pixels = qint64(info.output_width) * info.output_height;
    if (pixels > BmpFile::MaxPixels) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error("JPEG 画像が大きすぎます");
    }
    // Every 8 x 8 block costs at least one bit of entropy-coded data: a
    // picture far larger than its file could describe is a bomb.
    if (pixels > qint64(bytes.size()) * 8 * 64) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error("JPEG ファイルが壊れています: 画像データが足りません");
    }
    QImage image(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    if (image.isNull()) {
        jpeg_destroy_decompress(&info);
        BmpFile::requireAllocated(image);
    }
    const bool ok = runGuarded(error.jump, [&] {
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = image.scanLine(int(info.output_scanline));
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    });
    const bool adobe = info.saw_Adobe_marker;
    jpeg_destroy_decompress(&info);
    if (!ok)
        fail("JPEG ファイルが壊れています", error);
    if (cmyk)
        cmykToRgb(image, adobe);
    return image;
}

} // namespace vistrel
