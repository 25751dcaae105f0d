#include "imaging/image_conv.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <thread>

#include "imaging/adjust.h"
#include "imaging/rotate.h"
#include "imaging/sharpen.h"
#include "imaging/worker_pool.h"
#include "platform/case_fold.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"

namespace pictavo {
namespace {

using TBytes = std::span<const uint8_t>;

TBytes AsBytes(const std::string& s) {
  return TBytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

std::string_view AsText(const std::vector<uint8_t>& bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// An element of the picture's symmetry group: an optional left-right mirror
// followed by a number of clockwise quarter turns.
struct TTurn {
  bool mirror = false;
  int quarters = 0;  // 0..3
};

TTurn Then(TTurn first, TTurn second) {
  // mirror^a turn^k mirror^b turn^m = mirror^(a+b) turn^(m + (b ? -k : k))
  int k = second.mirror ? -first.quarters : first.quarters;
  return {first.mirror != second.mirror, ((k + second.quarters) % 4 + 4) % 4};
}

// What makes a picture with that EXIF orientation stand upright.
TTurn OrientationTurn(int orientation) {
  switch (orientation) {
    case 2:
      return {true, 0};
    case 3:
      return {false, 2};
    case 4:
      return {true, 2};
    case 5:
      return {true, 3};
    case 6:
      return {false, 1};
    case 7:
      return {true, 1};
    case 8:
      return {false, 3};
    default:
      return {false, 0};
  }
}

TJpegTransform TurnTransform(TTurn turn) {
  if (!turn.mirror) {
    static const TJpegTransform kTurns[] = {TJpegTransform::None, TJpegTransform::Rotate90,
                                            TJpegTransform::Rotate180, TJpegTransform::Rotate270};
    return kTurns[turn.quarters];
  }
  static const TJpegTransform kMirrors[] = {
      TJpegTransform::FlipHorizontal, TJpegTransform::Transverse, TJpegTransform::FlipVertical,
      TJpegTransform::Transpose};
  return kMirrors[turn.quarters];
}

// The format the bytes really are (a PNG named ".jpg" is a PNG), else the
// type the name claims.
TImageFileType ActualType(TBytes bytes, TImageFileType claimed) {
  TImageFileType detected = DetectImageType(bytes);
  return detected != iftUnknown ? detected : claimed;
}

int JpegOrientation(TBytes bytes, TImageFileType actual) {
  return actual == iftJpeg ? ReadJpegExifInfo(bytes).orientation : 1;
}

double RoundToQuarter(double degrees) {
  return std::nearbyint(degrees / 90.0) * 90.0;
}

// The size a picture of shown size w x h must at least be decoded at (in
// shown orientation) for the chain of conv: 0 x 0 for the full size.
void ChainDecodeTarget(const TJwImageConv& conv, int w, int h, int& out_w, int& out_h) {
  out_w = out_h = 0;
  if (w <= 0 || h <= 0) return;
  int tw = w, th = h;
  FitImageSize(tw, th, conv.ResizeMode, conv.MaxWidth, conv.MaxHeight);
  bool enlarged = tw > w || th > h;
  double bw = w, bh = h;
  if (!enlarged && conv.ImageRotate() != 0) {
    int rw, rh;
    RotatedSize(w, h, conv.ImageRotate(), rw, rh);
    tw = rw;
    th = rh;
    FitImageSize(tw, th, conv.ResizeMode, conv.MaxWidth, conv.MaxHeight);
    bw = rw;
    bh = rh;
  }
  double scale = std::max(tw / bw, th / bh);
  if (scale >= 0.5) return;  // a reduced decode would not help
  out_w = std::max(1, static_cast<int>(std::ceil(w * scale)));
  out_h = std::max(1, static_cast<int>(std::ceil(h * scale)));
}

// The name with n put before its extension's dot.
std::string NumberedName(const std::string& path, int n) {
  std::string ext = FileExt(path);
  if (ext.empty()) return path + std::to_string(n);
  return path.substr(0, path.size() - ext.size() - 1) + std::to_string(n) + "." + ext;
}

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

// Depth to write: grey or black and white only when the source had it and
// the processed picture still is.
void ChooseDepth(const TRaster& image, int source_bits, int source_samples,
                 TEncodeOptions& options) {
  options.bits_per_sample = 8;
  options.samples_per_pixel = 3;
  if (source_samples != 1) return;
  bool grey = true, bilevel = true;
  const uint8_t* p = image.pixels.data();
  size_t n = image.pixels.size();
  for (size_t i = 0; i + 2 < n && grey; i += 3) {
    if (p[i] != p[i + 1] || p[i] != p[i + 2]) grey = false;
    if (p[i] != 0 && p[i] != 255) bilevel = false;
  }
  if (!grey) return;
  options.samples_per_pixel = 1;
  if (source_bits == 1 && bilevel) options.bits_per_sample = 1;
}

// The source's extra markers, kept or dropped by the EXIF policy; a kept EXIF
// block says orientation 1 when the pixels were turned upright.
std::vector<TJpegMarker> KeptMarkers(TBytes bytes, bool keep, int orientation) {
  if (!keep) return {};
  std::vector<TJpegMarker> markers = ReadJpegMarkers(bytes);
  if (orientation == 1) return markers;
  std::vector<TJpegMarker> kept;
  for (TJpegMarker& m : markers) {
    bool exif =
        m.code == 0xE1 && m.data.size() >= 6 && std::memcmp(m.data.data(), "Exif\0\0", 6) == 0;
    if (exif && !SetExifOrientation(m.data, 1)) continue;  // unfixable: dropped
    kept.push_back(std::move(m));
  }
  return kept;
}

bool KeepExif(TSaveExif policy, const TRaster& result) {
  if (policy == seTrue) return true;
  if (policy == seFalse) return false;
  return std::max(result.width, result.height) > kExifThumbnailMaxSide;
}

}  // namespace

TRaster LoadOrientedImage(TBytes bytes, TImageFileType type, const TDecodeOptions& options,
                          TImageHeader* header, int* orientation) {
  TImageFileType actual = ActualType(bytes, type);
  int orient = JpegOrientation(bytes, actual);
  TDecodeOptions opts = options;
  if (orient >= 5 && orient <= 8) std::swap(opts.target_width, opts.target_height);
  TRaster raster = DecodeImage(bytes, type, opts, header);
  ApplyOrientation(raster, orient);
  if (orientation) *orientation = orient;
  return raster;
}

// ---- properties

void TJwImageConv::SetDestFolder(const std::string& folder) {
  dest_folder_ = folder;
  resolved_dest_folder_ = IsAbsolutePath(folder) ? folder : std::string();
}

void TJwImageConv::SetJpgQuality(int quality) {
  if (quality >= 1 && quality <= 100) jpg_quality_ = quality;
}
void TJwImageConv::SetImageBrightness(int value) {
  if (value >= -100 && value <= 100) brightness_ = value;
}
void TJwImageConv::SetImageContrast(int value) {
  if (value >= -100 && value <= 100) contrast_ = value;
}
void TJwImageConv::SetImageSharpness(int value) {
  if (value >= -100 && value <= 100) sharpness_ = value;
}
void TJwImageConv::SetImageRotate(double degrees) {
  if (degrees >= -360 && degrees <= 360) rotate_ = degrees;
}

TNamingOptions TJwImageConv::NamingOptions() const {
  TNamingOptions o;
  o.output_format = OutputFormat;
  o.add_sub_name = AddSubName;
  o.sub_name = SubName;
  o.dest_folder = dest_folder_;
  o.resolved_dest_folder = resolved_dest_folder_;
  o.lowercase_name = LowercaseName;
  o.date_format = DateFormat;
  return o;
}

std::string TJwImageConv::DestinationName(const std::string& source, int number,
                                          bool with_folder) const {
  return pictavo::DestinationName(NamingOptions(), source, number, with_folder);
}

std::string TJwImageConv::ExpandFields(const std::string& text, bool for_file_name,
                                       const std::string& source, const TExifInfo* exif) const {
  TFieldSource fields;
  fields.file_name = source;
  fields.date_format = DateFormat;
  fields.exif = exif;
  return pictavo::ExpandFields(text, for_file_name, fields);
}

TResampleFilter TJwImageConv::EffectiveFilter(TImageFileType source_type,
                                              int64_t source_file_size) const {
  return EffectiveResampleFilter(SmartResample || JpgLossless, ImageResampleFilter,
                                 source_type == iftJpeg, source_file_size, rotate_);
}

void TJwImageConv::Report(const std::string& message) {
  if (OnError) {
    bool stop = false;
    OnError(message, stop);
    if (stop) stop_requested_ = true;
  } else if (ui) {
    ui->ShowError(message);
  }
}

// ---- the processing chain

void TJwImageConv::ProcessPicture(TRaster& image, int full_width, int full_height,
                                  TImageFileType source_type, int64_t source_file_size,
                                  TWorkerPool* pool) const {
  if (image.empty()) return;
  int w = full_width > 0 ? full_width : image.width;
  int h = full_height > 0 ? full_height : image.height;
  int tw = w, th = h;
  FitImageSize(tw, th, ResizeMode, MaxWidth, MaxHeight);
  bool enlarged = tw > w || th > h;

  if (brightness_ != 0) AdjustBrightness(image, brightness_);
  if (contrast_ != 0) AdjustContrast(image, contrast_);

  if (!enlarged && rotate_ != 0) {
    image = Rotate(image, rotate_, Background, pool);
    int rw, rh;
    RotatedSize(w, h, rotate_, rw, rh);
    w = rw;
    h = rh;
    tw = w;
    th = h;
    FitImageSize(tw, th, ResizeMode, MaxWidth, MaxHeight);
  }

  TResampleFilter filter = EffectiveFilter(source_type, source_file_size);
  bool reduced = !enlarged && (tw < w || th < h);
  if (tw != image.width || th != image.height) image = Resample(image, tw, th, filter, pool);

  if (enlarged && rotate_ != 0) image = Rotate(image, rotate_, Background, pool);

  if (sharpness_ != 0) {
    Sharpen(image, sharpness_, pool);
  } else if (reduced && (SmartResample || JpgLossless) && filter != TResampleFilter::Lanczos3) {
    Sharpen(image, 20, pool);
  }
}

// ---- conversion

std::string TJwImageConv::ConvertLossless(const std::string& source, const std::string& dest,
                                          TBytes bytes, std::vector<std::string>* produced) {
  rotate_ = RoundToQuarter(rotate_);
  int quarters = ((static_cast<int>(rotate_) / 90) % 4 + 4) % 4;
  int orientation = JpegOrientation(bytes, ActualType(bytes, iftJpeg));
  TTurn turn = Then(OrientationTurn(orientation), TTurn{false, quarters});
  std::vector<uint8_t> out;
  if (!turn.mirror && turn.quarters == 0) {
    if (orientation == 1) {
      // Nothing to turn: a copy of the source.
      if (EqualsNoCase(dest, source) || FileExists(dest)) return dest;
      CopyFileAtomic(source, dest);
      if (produced) produced->push_back(dest);
      return dest;
    }
    out.assign(bytes.begin(), bytes.end());
  } else {
    out = TransformJpeg(bytes, TurnTransform(turn), source);
  }
  if (orientation != 1) SetJpegExifOrientation(out, 1);
  WriteFileAtomic(dest, AsText(out));
  if (produced) produced->push_back(dest);
  return dest;
}

namespace {

// Reads the source, decodes it once at the reduced JPEG scale that serves the
// largest output, and runs each converter's chain and encoder. Touches no
// converter state and writes no file, so it may run on any thread.
TSourceWork MakeOutputs(const std::string& source, TImageFileType type,
                        const std::vector<const TJwImageConv*>& convs,
                        const std::vector<TImageFileType>& out_types, TWorkerPool* pool) {
  TSourceWork work;
  work.outputs.resize(convs.size());
  auto fail_all = [&](const std::string& message) {
    for (TMadeOutput& out : work.outputs) out.error = message;
  };
  if (convs.empty()) return work;
  std::optional<std::string> bytes = TryReadFileBytes(source);
  if (!bytes) {
    fail_all(source + kFileCorrupted);
    return work;
  }
  TBytes data = AsBytes(*bytes);
  work.file_size = static_cast<int64_t>(bytes->size());

  TRaster picture;
  int orientation = 1;
  TImageFileType actual = ActualType(data, type);
  try {
    TDecodeOptions options;
    options.file_name = source;
    options.background = convs.front()->Background;
    options.max_pixels = convs.front()->MaxPixels;
    for (const TJwImageConv* c : convs)
      options.max_pixels = std::min(options.max_pixels, c->MaxPixels);
    std::optional<TImageHeader> head = ReadImageHeader(data, actual);
    if (head) {
      int orient = JpegOrientation(data, actual);
      int w = head->width, h = head->height;
      if (orient >= 5 && orient <= 8) std::swap(w, h);
      bool full = false;
      for (const TJwImageConv* c : convs) {
        int tw, th;
        ChainDecodeTarget(*c, w, h, tw, th);
        if (tw == 0) full = true;
        options.target_width = std::max(options.target_width, tw);
        options.target_height = std::max(options.target_height, th);
      }
      if (full) options.target_width = options.target_height = 0;
    }
    picture = LoadOrientedImage(data, type, options, &work.header, &orientation);
    if (picture.empty()) throw ECodec("empty picture");
  } catch (const ECodec&) {
    fail_all(source + kFileCorrupted);
    return work;
  } catch (const std::bad_alloc&) {
    fail_all(source + kFileCorrupted);
    return work;
  }
  work.have_header = true;
  work.shown_width = work.header.width;
  work.shown_height = work.header.height;
  if (orientation >= 5 && orientation <= 8) std::swap(work.shown_width, work.shown_height);

  for (size_t i = 0; i < convs.size(); ++i) {
    const TJwImageConv& conv = *convs[i];
    TMadeOutput& out = work.outputs[i];
    try {
      TRaster image = i + 1 == convs.size() ? std::move(picture) : picture;
      conv.ProcessPicture(image, work.shown_width, work.shown_height, type, work.file_size, pool);
      TEncodeOptions save;
      save.quality = conv.JpgLossless ? 100 : conv.JpgQuality();
      ChooseDepth(image, work.header.bits_per_sample, work.header.samples_per_pixel, save);
      if (actual == iftJpeg && type == iftJpeg && out_types[i] == iftJpeg) {
        save.jpeg_markers = KeptMarkers(data, KeepExif(conv.SaveExif, image), orientation);
      }
      out.bytes = EncodeImage(image, out_types[i], save);
      out.ok = true;
    } catch (const std::bad_alloc&) {
      out.error = source + kFileCorrupted;
    } catch (const std::exception& e) {
      out.error = e.what();
    }
  }
  return work;
}

bool UnsupportedSource(TImageFileType type) {
  return type == iftUnknown || type == iftGif;
}

}  // namespace

// Naming, the destination folder, the overwrite rules and the lossless path
// of one output. Returns true when the output needs the pixel work, with its
// destination in dest; otherwise the job is finished (result or report).
bool TJwImageConv::PlanOutput(const std::string& source, int number,
                              std::vector<std::string>* produced, std::string& dest,
                              std::string& result) {
  result.clear();
  try {
    dest = DestinationName(source, number, true);
    std::string folder = FolderPart(dest);
    if (!folder.empty() && !FolderExists(folder) && !ForceFolders(folder)) {
      std::string text = kDestFolderCannotBeCreated;
      text.replace(text.find("%s"), 2, ExcludeTrailingSlash(folder));
      throw EPictavo(text);
    }
    if (EqualsNoCase(dest, source) || FileExists(dest)) {
      if (!Overwrite) {
        result = dest;
        return false;
      }
      if (produced && Contains(*produced, dest)) {
        std::string base = dest;
        for (int n = 1;; ++n) {
          dest = NumberedName(base, n);
          if (!Contains(*produced, dest)) break;
        }
      }
    }
    if (UsesLosslessPath(source, dest)) {
      std::optional<std::string> bytes = TryReadFileBytes(source);
      if (!bytes) {
        Report(source + kFileCorrupted);
        return false;
      }
      try {
        result = ConvertLossless(source, dest, AsBytes(*bytes), produced);
      } catch (const ECodec&) {
        Report(source + kFileCorrupted);
      }
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    Report(e.what());
    return false;
  }
}

bool TJwImageConv::UsesLosslessPath(const std::string& source, const std::string& dest) const {
  return JpgLossless && ImageTypeFromExt(source) == iftJpeg && ImageTypeFromExt(dest) == iftJpeg;
}

void ConvertSourceOnce(const std::string& source, TConvertJob* jobs, size_t job_count) {
  FinishSource(source, jobs, job_count, nullptr);
}

// Plans every job of a source, uses the pixel work done ahead where it
// matches (work may be null), makes the rest now, then writes and reports.
void FinishSource(const std::string& source, TConvertJob* jobs, size_t job_count,
                  TPreparedSource* prepared) {
  for (size_t i = 0; i < job_count; ++i) jobs[i].result.clear();
  if (!FileExists(source)) return;
  TImageFileType type = ImageTypeFromExt(source);
  if (UnsupportedSource(type)) {
    for (size_t i = 0; i < job_count; ++i) {
      jobs[i].converter->Report(source + kFileFormatNotSupported);
    }
    return;
  }
  std::vector<std::string> dests(job_count);
  std::vector<size_t> pending;
  for (size_t i = 0; i < job_count; ++i) {
    if (jobs[i].converter->PlanOutput(source, jobs[i].number, jobs[i].produced, dests[i],
                                      jobs[i].result)) {
      pending.push_back(i);
    }
  }
  if (pending.empty()) return;

  // The work done ahead serves the jobs it was made for (same output type);
  // the others are made here with one more decode.
  TSourceWork ahead;
  std::vector<int> ahead_index(job_count, -1);
  bool have_ahead = false;
  if (prepared && prepared->work.valid()) {
    try {
      ahead = prepared->work.get();
      have_ahead = true;
    } catch (const std::exception&) {
      have_ahead = false;  // made again below, where its errors are reported
    }
  }
  if (have_ahead) {
    for (size_t i : pending) {
      for (size_t k = 0; k < prepared->job_index.size(); ++k) {
        if (prepared->job_index[k] == i && k < ahead.outputs.size() &&
            prepared->out_types[k] == ImageTypeFromExt(dests[i])) {
          ahead_index[i] = static_cast<int>(k);
        }
      }
    }
  }
  std::vector<const TJwImageConv*> convs;
  std::vector<TImageFileType> out_types;
  std::vector<size_t> now_jobs;
  for (size_t i : pending) {
    if (ahead_index[i] >= 0) continue;
    convs.push_back(jobs[i].converter);
    out_types.push_back(ImageTypeFromExt(dests[i]));
    now_jobs.push_back(i);
  }
  TSourceWork now;
  if (!convs.empty()) now = MakeOutputs(source, type, convs, out_types, nullptr);

  for (size_t i : pending) {
    TJwImageConv& conv = *jobs[i].converter;
    TSourceWork* work = &ahead;
    size_t k = 0;
    if (ahead_index[i] >= 0) {
      k = static_cast<size_t>(ahead_index[i]);
    } else {
      work = &now;
      k = static_cast<size_t>(std::find(now_jobs.begin(), now_jobs.end(), i) - now_jobs.begin());
    }
    if (work->have_header) {
      conv.source_width_ = work->shown_width;
      conv.source_height_ = work->shown_height;
      conv.source_bits_ = work->header.bits_per_sample;
      conv.source_samples_ = work->header.samples_per_pixel;
    }
    conv.source_type_ = type;
    conv.source_file_size_ = work->file_size;
    TMadeOutput& out = work->outputs[k];
    if (!out.ok) {
      conv.Report(out.error);
      continue;
    }
    try {
      WriteFileAtomic(dests[i], AsText(out.bytes));
      if (jobs[i].produced) jobs[i].produced->push_back(dests[i]);
      jobs[i].result = dests[i];
    } catch (const std::exception& e) {
      conv.Report(e.what());
    }
  }
}

std::string TJwImageConv::ConvertFile(const std::string& source, int number,
                                      std::vector<std::string>* produced) {
  TConvertJob job;
  job.converter = this;
  job.number = number;
  job.produced = produced;
  ConvertSourceOnce(source, &job, 1);
  return job.result;
}

std::pair<std::string, std::string> ConvertPair(const std::string& source,
                                                TJwImageConv& picture_converter,
                                                TJwImageConv& thumbnail_converter) {
  TConvertJob jobs[2];
  jobs[0].converter = &picture_converter;
  jobs[1].converter = &thumbnail_converter;
  ConvertSourceOnce(source, jobs, 2);
  return {jobs[0].result, jobs[1].result};
}

// ---- batches with work ahead

TPreparedSource PrepareSource(const std::string& source, const TConvertJob* jobs,
                              size_t job_count) {
  TPreparedSource prepared;
  if (!FileExists(source)) return prepared;
  TImageFileType type = ImageTypeFromExt(source);
  if (UnsupportedSource(type)) return prepared;
  auto copies = std::make_shared<std::vector<TJwImageConv>>();
  copies->reserve(job_count);
  for (size_t i = 0; i < job_count; ++i) {
    const TJwImageConv& conv = *jobs[i].converter;
    std::string dest = conv.DestinationName(source, jobs[i].number, true);
    bool exists = EqualsNoCase(dest, source) || FileExists(dest);
    if (exists && !conv.Overwrite) continue;  // reused as it is
    if (conv.UsesLosslessPath(source, dest)) continue;
    copies->push_back(conv);
    copies->back().OnError = nullptr;
    prepared.job_index.push_back(i);
    prepared.out_types.push_back(ImageTypeFromExt(dest));
  }
  if (copies->empty()) return prepared;
  std::vector<TImageFileType> out_types = prepared.out_types;
  prepared.work = std::async(std::launch::async, [source, type, copies, out_types] {
    std::vector<const TJwImageConv*> convs;
    for (const TJwImageConv& c : *copies) convs.push_back(&c);
    TWorkerPool inline_pool(1);  // this thread is one of several workers
    return MakeOutputs(source, type, convs, out_types, &inline_pool);
  });
  return prepared;
}

void ConvertBatch(const std::vector<std::string>& sources, TConvertJob* jobs, size_t job_count,
                  bool number_sources, int ahead,
                  const std::function<bool(size_t index)>& before_each,
                  const std::function<void(size_t index, const TConvertJob* jobs)>& after_each) {
  if (ahead < 1) ahead = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::deque<TPreparedSource> queue;
  size_t next = 0;
  auto set_numbers = [&](size_t index) {
    for (size_t j = 0; j < job_count; ++j) {
      jobs[j].number = number_sources ? static_cast<int>(index + 1) : 0;
    }
  };
  for (size_t i = 0; i < sources.size(); ++i) {
    // Keep up to `ahead` sources in work (the one finished next included).
    while (ahead > 1 && next < sources.size() && next < i + static_cast<size_t>(ahead)) {
      set_numbers(next);
      queue.push_back(PrepareSource(sources[next], jobs, job_count));
      ++next;
    }
    set_numbers(i);
    if (before_each && !before_each(i)) break;
    TPreparedSource prepared;
    if (!queue.empty()) {
      prepared = std::move(queue.front());
      queue.pop_front();
    }
    FinishSource(sources[i], jobs, job_count, ahead > 1 ? &prepared : nullptr);
    if (after_each) after_each(i, jobs);
    bool stop = false;
    for (size_t j = 0; j < job_count; ++j) stop = stop || jobs[j].converter->StopRequested();
    if (stop) break;
  }
  // Work still in flight is waited for (and dropped) by the futures.
}

// ---- preview

std::vector<uint8_t> TJwImageConv::RenderPreview(const std::string& file_name,
                                                 const std::optional<TPictureRect>& selection) {
  std::string bytes = ReadFileBytes(file_name);
  TBytes data = AsBytes(bytes);
  TImageFileType type = ImageTypeFromExt(file_name);
  TImageFileType actual = ActualType(data, type);
  TImageFileType out_type = EffectiveOutputType(OutputFormat, type);
  if (out_type == iftGif || !CanEncode(out_type)) out_type = iftPng;

  std::vector<uint8_t> out;
  if (JpgLossless && actual == iftJpeg && out_type == iftJpeg && !selection) {
    double turned = RoundToQuarter(rotate_);
    int quarters = ((static_cast<int>(turned) / 90) % 4 + 4) % 4;
    int orientation = JpegOrientation(data, actual);
    TTurn turn = Then(OrientationTurn(orientation), TTurn{false, quarters});
    if (!turn.mirror && turn.quarters == 0) {
      out.assign(data.begin(), data.end());
    } else {
      out = TransformJpeg(data, TurnTransform(turn), file_name);
    }
    if (orientation != 1) SetJpegExifOrientation(out, 1);
    preview_size_ = static_cast<int64_t>(out.size());
    return out;
  }

  TDecodeOptions options;
  options.file_name = file_name;
  options.background = Background;
  options.max_pixels = MaxPixels;
  int orientation = 1;
  TImageHeader header;
  TRaster image;
  try {
    if (!selection) {
      std::optional<TImageHeader> head = ReadImageHeader(data, actual);
      if (head) {
        int orient = JpegOrientation(data, actual);
        int w = head->width, h = head->height;
        if (orient >= 5 && orient <= 8) std::swap(w, h);
        ChainDecodeTarget(*this, w, h, options.target_width, options.target_height);
      }
    }
    image = LoadOrientedImage(data, type, options, &header, &orientation);
  } catch (const ECodec&) {
    throw EPictavo(file_name + kFileCorrupted);
  }
  int full_w = header.width, full_h = header.height;
  if (orientation >= 5 && orientation <= 8) std::swap(full_w, full_h);
  if (selection) {
    int left = std::clamp(selection->left, 0, image.width);
    int top = std::clamp(selection->top, 0, image.height);
    int width = std::clamp(selection->width, 0, image.width - left);
    int height = std::clamp(selection->height, 0, image.height - top);
    if (width > 0 && height > 0) {
      TRaster part(width, height);
      for (int y = 0; y < height; ++y) {
        std::memcpy(part.row(y), image.row(top + y) + static_cast<size_t>(left) * 3,
                    static_cast<size_t>(width) * 3);
      }
      image = std::move(part);
    }
    full_w = image.width;
    full_h = image.height;
  }
  source_width_ = full_w;
  source_height_ = full_h;
  source_bits_ = header.bits_per_sample;
  source_samples_ = header.samples_per_pixel;
  source_type_ = type;
  source_file_size_ = static_cast<int64_t>(bytes.size());
  ProcessPicture(image, full_w, full_h, type, source_file_size_);

  TEncodeOptions save;
  save.quality = JpgLossless ? 100 : jpg_quality_;
  ChooseDepth(image, header.bits_per_sample, header.samples_per_pixel, save);
  if (actual == iftJpeg && out_type == iftJpeg) {
    save.jpeg_markers = KeptMarkers(data, KeepExif(SaveExif, image), orientation);
  }
  out = EncodeImage(image, out_type, save);
  preview_size_ = static_cast<int64_t>(out.size());
  return out;
}

}  // namespace pictavo
