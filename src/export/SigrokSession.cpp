#include "export/SigrokSession.h"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "export/Capture.h"

namespace {
constexpr size_t kChunkBytes = size_t{4} << 20;

size_t UnitSize(const Capture& capture) {
  return std::max<size_t>(1, (capture.channels().size() + 7) / 8);
}

struct ZipCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct SourceFree {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};

std::string ErrorText(zip_error_t* error) {
  std::string text = zip_error_strerror(error);
  zip_error_fini(error);
  return text;
}
}  // namespace

std::string SigrokSession::Metadata(const Capture& capture) {
  const auto& channels = capture.channels();
  const std::vector<std::string> names = capture.ReaderNames();
  std::string text = "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\n";
  text += "total probes=" + std::to_string(channels.size()) + "\n";
  if (capture.period() > 0) {
    text += "samplerate=" + std::to_string(1000000000 / capture.period()) + "\n";
  }
  text += "total analog=0\n";
  for (size_t i = 0; i < channels.size(); ++i) {
    text += "probe" + std::to_string(i + 1) + "=" + names[i] + "\n";
  }
  text += "unitsize=" + std::to_string(UnitSize(capture)) + "\n";
  return text;
}

bool SigrokSession::Write(const Capture& capture, std::string& bytes, std::string& error) {
  // Every part is made before the archive, which reads them only when it is closed.
  std::vector<std::string> parts{"2", Metadata(capture)};
  std::vector<std::string> names{"version", "metadata"};
  const size_t unit = UnitSize(capture);
  const auto& channels = capture.channels();
  const size_t perChunk = std::max<size_t>(1, kChunkBytes / unit);
  std::string chunk;
  for (int64_t s = 0; s <= capture.lastSample(); ++s) {
    const size_t at = chunk.size();
    chunk.resize(at + unit, '\0');
    for (size_t i = 0; i < channels.size(); ++i) {
      if (capture.Level(channels[i], static_cast<int32_t>(s)) == 1) {
        chunk[at + i / 8] = static_cast<char>(chunk[at + i / 8] | (1 << (i % 8)));
      }
    }
    if (chunk.size() >= perChunk * unit || s == capture.lastSample()) {
      names.push_back("logic-1-" + std::to_string(names.size() - 1));
      parts.push_back(std::move(chunk));
      chunk.clear();
    }
  }

  zip_error_t zerror;
  zip_error_init(&zerror);
  std::unique_ptr<zip_source_t, SourceFree> buffer(
      zip_source_buffer_create(nullptr, 0, 0, &zerror));
  if (!buffer) {
    error = ErrorText(&zerror);
    return false;
  }
  std::unique_ptr<zip_t, ZipCloser> archive(
      zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &zerror));
  if (!archive) {
    error = ErrorText(&zerror);
    return false;
  }
  zip_source_keep(buffer.get());  // the bytes are read back after the archive is closed
  for (size_t i = 0; i < parts.size(); ++i) {
    zip_source_t* part = zip_source_buffer(archive.get(), parts[i].data(), parts[i].size(), 0);
    const zip_int64_t index =
        part == nullptr ? -1
                        : zip_file_add(archive.get(), names[i].c_str(), part, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      if (part != nullptr) zip_source_free(part);
      error = zip_strerror(archive.get());
      return false;
    }
    // Stored, not deflated: an image of 25001 bytes holds at most a few hundred kilobytes of
    // samples, and deflating them costs more than the rest of the export.
    zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  if (zip_close(archive.get()) < 0) {
    error = zip_strerror(archive.get());
    return false;
  }
  archive.release();

  zip_stat_t stat;
  if (zip_source_stat(buffer.get(), &stat) < 0 || zip_source_open(buffer.get()) < 0) {
    error = zip_error_strerror(zip_source_error(buffer.get()));
    return false;
  }
  bytes.assign(static_cast<size_t>(stat.size), '\0');
  const zip_int64_t read = zip_source_read(buffer.get(), bytes.data(), stat.size);
  zip_source_close(buffer.get());
  if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) {
    error = "cannot read the archive back";
    return false;
  }
  return true;
}
