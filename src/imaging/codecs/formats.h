#pragma once
// The format entries, one per file pair of this folder.
#include "imaging/codecs/codec_format.h"

namespace pictavo::codecs {

const TCodecFormat& JpegFormat();  // jpeg_codec.cpp
const TCodecFormat& PngFormat();   // png_codec.cpp
const TCodecFormat& GifFormat();   // gif_codec.cpp (header only)
const TCodecFormat& Jp2Format();   // jp2_codec.cpp
const TCodecFormat& J2kFormat();   // jp2_codec.cpp
const TCodecFormat& TiffFormat();  // tiff_codec.cpp
const TCodecFormat& BmpFormat();   // bmp_codec.cpp
const TCodecFormat& IcoFormat();   // ico_codec.cpp
const TCodecFormat& CurFormat();   // ico_codec.cpp
const TCodecFormat& PcxFormat();   // pcx_codec.cpp
const TCodecFormat& PnmFormat();   // pnm_codec.cpp
const TCodecFormat& WmfFormat();   // metafile_codec.cpp (header only)
const TCodecFormat& EmfFormat();   // metafile_codec.cpp (header only)
const TCodecFormat& WbmpFormat();  // wbmp_codec.cpp
const TCodecFormat& TgaFormat();   // tga_codec.cpp

}  // namespace pictavo::codecs
