// libFuzzer entry for the JPEG reader: any bytes either decode or throw a readable error.
#include "FuzzedPicture.h"
#include "output/codecs/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return vistrel::fuzz::decodeFuzzedPicture(data, size, &vistrel::JpegCodec::decode);
}
