// The JPEG header reader, decoder (full and DCT-scaled), marker readers and
// lossless transform on arbitrary bytes.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictavo;
  fuzz::FuzzImage(data, size, iftJpeg);
  if (size > fuzz::kMaxInput) return 0;
  std::span<const uint8_t> bytes(data, size);
  (void)ReadJpegMarkers(bytes);
  (void)ReadJpegExif(bytes);
  TDecodeOptions options = fuzz::FuzzOptions();
  options.target_width = 16;
  options.target_height = 16;
  try {
    fuzz::CheckRaster(DecodeImage(bytes, iftJpeg, options), options);
  } catch (const ECodec&) {
  }
  try {
    (void)TransformJpeg(bytes, size % 2 ? TJpegTransform::Rotate90 : TJpegTransform::FlipHorizontal,
                        {}, options.max_pixels);
  } catch (const ECodec&) {
  }
  return 0;
}
