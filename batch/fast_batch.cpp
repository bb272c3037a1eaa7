#include "batch/fast_batch.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <thread>

#include "calib/track_survey.h"
#include "data/at_once.h"
#include "data/coordinate_parse.h"
#include "data/number_format.h"
#include "data/posix_file.h"
#include "data/text_file.h"

namespace zirt {
namespace {

// Runs work(0) … work(threads − 1) at once, work(0) on the calling thread, for up to one
// thread per core and never more than `tasks`.
template <typename Work>
void OnEveryCore(std::size_t tasks, Work work) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::max<std::size_t>(1, std::min({cores, tasks, std::size_t{8}}));
  RunAtOnce(static_cast<int>(threads), true, [&](int t) { work(static_cast<std::size_t>(t)); });
}

void Reserve(ByteBuffer& buffer, std::size_t capacity) {
  if (capacity <= buffer.capacity) return;
  capacity = std::max(capacity, buffer.capacity * 2);
  auto data = std::make_unique_for_overwrite<char[]>(capacity);
  if (buffer.size > 0) std::memcpy(data.get(), buffer.data.get(), buffer.size);
  buffer.data = std::move(data);
  buffer.capacity = capacity;
}

void Grow(PlainImages::Image& image) {
  const std::size_t capacity = std::max<std::size_t>(16, image.capacity * 2);
  auto points = std::make_unique_for_overwrite<PlainPoint[]>(capacity);
  std::copy_n(image.points.get(), image.count, points.get());
  image.points = std::move(points);
  image.capacity = capacity;
}

// Lets the system back the whole 2 MiB stretches of a block with large pages: the points
// arrive by the million, and one fault per large page costs far less than one per small page.
void AllowLargePages(void* block, std::size_t bytes) {
  constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t from = (begin + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t to = (begin + bytes) & ~(kLarge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

// Gives the system back the pages of a block past its first `used` bytes. A large page that
// is only partly filled stays whole otherwise: up to 2 MiB more per file than its points.
void ReleaseBeyond(void* block, std::size_t used, std::size_t bytes) {
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t from = (begin + used + page - 1) & ~(page - 1);
  const std::uintptr_t to = (begin + bytes) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

// The points of one file's bytes. A point set counts in an int, so a file of that many bytes
// is left to the window's loading, which decides on it.
bool ParseImage(const ByteBuffer& buffer, const std::string& path, PlainImages::Image& image) {
  if (buffer.size >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
  // Every good line but the last takes at least four bytes ("1;2" and its end): room enough
  // without a pass that counts, and pages never written cost nothing.
  image.capacity = buffer.size / 4 + 1;
  image.points = std::make_unique_for_overwrite<PlainPoint[]>(image.capacity);
  AllowLargePages(image.points.get(), image.capacity * sizeof(PlainPoint));
  image.count = 0;
  bool not_seen = false;
  ScanCoordinates(buffer.data.get(), buffer.size, ShortName(path), [&](double x, double y) {
    if (image.count == image.capacity) Grow(image);
    not_seen |= x != x;
    image.points[image.count++] = {x, y};
  });
  image.not_seen = not_seen;
  ReleaseBeyond(image.points.get(), image.count * sizeof(PlainPoint),
                image.capacity * sizeof(PlainPoint));
  return true;
}

// The file module's reader into the buffer kept from file to file, with its NUL after.
bool ReadInto(const std::string& path, ByteBuffer& buffer) {
  struct Sink : ByteSink {
    explicit Sink(ByteBuffer& b) : buffer(b) {}
    char* Room(std::size_t size, std::size_t kept) override {
      buffer.size = kept;
      Reserve(buffer, size + 1);
      return buffer.data.get();
    }
    ByteBuffer& buffer;
  } sink(buffer);
  buffer.size = 0;
  std::size_t size = 0;
  if (ReadRegularFile(path, sink, size)) return false;
  buffer.size = size;
  buffer.data[size] = '\0';
  return true;
}

// Point j of track i: the column j of the images.
struct Track {
  const PlainPoint* const* columns;
  std::size_t i;
  const PlainPoint& operator()(int j) const { return columns[j][i]; }
};

// The fit of every track: what the cores read, and what each track leaves in its own place.
struct TrackFits {
  TrackFits(const PlainImages& loaded, bool step, std::vector<diagnostics_detail::Track>* sums);
  Track At(std::size_t t) const { return Track{columns.data(), t}; }
  // A track that does not move, or is seen in fewer than two images, is left out.
  bool LeftOut(std::size_t t) const { return survey && motions[t].still; }

  std::vector<const PlainPoint*> columns;  // each image's points
  int n;                                   // the images
  // The first image fixes the number of tracks; a shorter image ends them with the error of
  // the list's Get in the pass of its first missing point.
  std::size_t passes;
  bool step_mode;
  bool survey;    // the tracks' motions are surveyed
  bool not_seen;  // some image holds a point not seen
  std::vector<PlainPoint> lines;
  std::vector<Spread> spreads;                     // with step_mode
  std::vector<TrackMotion> motions;                // with survey
  std::vector<diagnostics_detail::Track>* tracks;  // the refined fit's sums, when asked for
};

TrackFits::TrackFits(const PlainImages& loaded, bool step,
                     std::vector<diagnostics_detail::Track>* sums)
    : n(static_cast<int>(loaded.images.size())),
      passes(loaded.images[0].count),
      step_mode(step),
      not_seen(loaded.not_seen),
      tracks(sums) {
  for (const auto& image : loaded.images) {
    passes = std::min(passes, image.count);
    columns.push_back(image.points.get());
  }
  lines.resize(passes);
  spreads.resize(step_mode ? passes : 0);
  // With a short image the fit fails in the list's Get anyway, which names the fault better
  // than a survey of the tracks before it.
  survey = passes == loaded.images[0].count && passes > 0;
  motions.resize(survey ? passes : 0);
  if (tracks) tracks->assign(passes, {});
}

// The first failing track of a range of them, and its failure.
struct Range {
  std::size_t failed_at;
  std::exception_ptr failure;
};

// Surveys the tracks from i to last and takes their sums for the refined fit while their
// points are at hand. Returns whether every one of them moves.
bool SurveyTracks(TrackFits& fits, std::size_t i, std::size_t last) {
  bool moves = true;
  for (std::size_t t = i; fits.survey && t < last; ++t) {
    fits.motions[t] = MotionOf(fits.n, fits.At(t));
    moves &= !fits.motions[t].still;
  }
  for (std::size_t t = i; fits.tracks && t < last; ++t) {
    const Track at = fits.At(t);
    const auto position = [&](int j) { return Position{at(j).X, at(j).Y}; };
    (*fits.tracks)[t] = diagnostics_detail::TrackOf(
        fits.n, position, [&](int j) { return diagnostics_detail::Seen(position(j)); });
  }
  return moves;
}

// Fits track t over the images where it is seen, gathered in `own` in their order, so that a
// complete track takes the same arithmetic as without points not seen.
void FitSeen(TrackFits& fits, std::size_t t, std::vector<PlainPoint>& own) {
  const Track at = fits.At(t);
  own.clear();
  for (int j = 0; j < fits.n; ++j)
    if (!NotSeen(at(j).X, at(j).Y)) own.push_back(at(j));
  const auto own_at = [&](int j) -> const PlainPoint& { return own[std::size_t(j)]; };
  const int seen = static_cast<int>(own.size());
  fits.lines[t] = LineThrough(seen, own_at);
  if (fits.step_mode) fits.spreads[t] = SpreadAround(fits.lines[t], seen, own_at);
}

// Fits the tracks from i to last, two at most: their sums interleave, and each then goes on
// by itself. A range goes on surveying its tracks after a failure: a refusal of the whole
// comes first.
void FitTracks(TrackFits& fits, std::size_t i, std::size_t last, Range& range,
               std::vector<PlainPoint>& own) {
  const bool moves = SurveyTracks(fits, i, last);
  if (range.failure) return;
  const int n = fits.n;
  RegressionSums sums[2];
  // A track that does not move is left out; its fit alone may fail.
  if (moves && !fits.not_seen)
    UntestedSumsOfTwo(n, fits.At(i), fits.At(last - 1), sums[0], sums[1]);
  std::size_t t = i;
  try {
    for (; t < last; ++t) {
      if (fits.LeftOut(t)) continue;
      if (fits.not_seen) {
        FitSeen(fits, t, own);
        continue;
      }
      const Track at = fits.At(t);
      fits.lines[t] = moves ? LineThrough(n, at, sums[t - i]) : LineThrough(n, at);
      if (fits.step_mode) fits.spreads[t] = SpreadAround(fits.lines[t], n, at);
    }
  } catch (...) {
    range = {t, std::current_exception()};
  }
}

// Each track is fitted on its own, so ranges of them go to the cores; the first failing track
// of the lowest range that has one is the failure of the whole. Returns that failure, with
// `done` set to the tracks before it (to all of them when none failed).
std::exception_ptr FitEveryTrack(TrackFits& fits, std::size_t& done) {
  const std::size_t kRanges = 8;
  const std::size_t passes = fits.passes;
  std::vector<Range> ranges(kRanges, Range{passes, nullptr});
  std::atomic<std::size_t> next{0};
  OnEveryCore(passes, [&](std::size_t) {
    std::vector<PlainPoint> own;
    own.reserve(fits.not_seen ? static_cast<std::size_t>(fits.n) : 0);
    for (std::size_t r; (r = next++) < kRanges;) {
      const std::size_t end = passes * (r + 1) / kRanges;
      for (std::size_t i = passes * r / kRanges; i < end; i += 2)
        FitTracks(fits, i, std::min(i + 2, end), ranges[r], own);
    }
  });
  done = passes;
  for (const Range& range : ranges) {
    if (range.failure) {
      done = range.failed_at;
      return range.failure;
    }
  }
  return nullptr;
}

// The report before the point: the tracks left out, and in step-by-step mode each fitted
// line's spread up to the failing one, whose heading comes last.
void ReportFits(const TrackFits& fits, const std::vector<int>& still,
                const std::vector<int>& sparse, std::size_t done, bool failed, ReportSink& report) {
  report.ClearReport();
  if (!sparse.empty()) report.AppendReport(SparseTracksNote(sparse));
  if (!still.empty()) report.AppendReport(StillTracksNote(still));
  if (!fits.step_mode) return;
  const auto heading = [&](std::size_t i) {
    report.AppendReport("");
    report.AppendReport(FormatFixed4(static_cast<double>(i + 1)) + "-ая прямая:");
  };
  for (std::size_t i = 0; i < done; ++i) {
    if (fits.LeftOut(i)) continue;
    heading(i);
    report.AppendReport("Среднее = " + FormatFixed(fits.spreads[i].mean, 10, 3));
    report.AppendReport("СКО = " + FormatFixed(fits.spreads[i].deviation, 10, 3));
  }
  if (failed) heading(done);
}

}  // namespace

bool LoadPlainImages(const std::vector<std::string>& paths, PlainImages& loaded) {
  loaded.images.clear();
  loaded.not_seen = false;
  if (paths.size() < 2) return false;
  // A name that is not a plain file (a pipe, a device, a folder, nothing) is left to the
  // window's loading, in order, so nothing is opened that it would not open.
  for (const std::string& path : paths) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  }
  loaded.images.resize(paths.size());
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  OnEveryCore(paths.size(), [&](std::size_t) {
    ByteBuffer buffer;
    try {
      for (std::size_t k; !failed.load(std::memory_order_relaxed) && (k = next++) < paths.size();)
        if (!ReadInto(paths[k], buffer) || !ParseImage(buffer, paths[k], loaded.images[k]))
          failed = true;
    } catch (...) {  // A bad line, or memory running out.
      failed = true;
    }
  });
  if (!failed) {
    for (const auto& image : loaded.images) loaded.not_seen |= image.not_seen;
    // Every track is surveyed, and so each track seen in fewer than two images is known before
    // its fit, only where no image is shorter than the first.
    for (const auto& image : loaded.images)
      if (loaded.not_seen && image.count < loaded.images[0].count) failed = true;
  }
  if (failed) loaded.images.clear();
  return !failed;
}

ComputeOutcome ComputePlainImages(const PlainImages& loaded, Calibration& calibration,
                                  ReportSink& report,
                                  std::vector<diagnostics_detail::Track>* tracks) {
  const auto& images = loaded.images;
  if (images.empty()) return ComputeOutcome::kNoImages;
  if (images.size() == 1) return ComputeOutcome::kOneImage;

  TrackFits fits(loaded, calibration.StepMode, tracks);
  std::size_t done = 0;
  const std::exception_ptr failure = FitEveryTrack(fits, done);
  std::vector<int> still, sparse;
  if (fits.survey) still = StillTracks(fits.motions);
  if (fits.survey && fits.not_seen) sparse = SparseTracks(fits.motions);
  ReportFits(fits, still, sparse, done, failure != nullptr, report);
  if (failure) std::rethrow_exception(failure);
  if (fits.passes < images[0].count) throw Exception(kListIndexMessage);
  std::vector<PlainPoint>& lines = fits.lines;
  if (!still.empty() || !sparse.empty()) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < fits.passes; ++i)
      if (!fits.LeftOut(i)) lines[kept++] = lines[i];
    lines.resize(kept);
  }

  const PlainPoint result = FindPrincipalPoint(lines, report);
  calibration.PrincipalX = result.X;
  calibration.PrincipalY = result.Y;
  calibration.ResultSaved = false;
  return ComputeOutcome::kDone;
}

}  // namespace zirt
