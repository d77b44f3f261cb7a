#pragma once

#include <cstddef>
#include <cstdint>

// How much of an untrusted file the readers look at. Real e-invoices are a few hundred
// kilobytes with one or two pages; the limits leave a wide margin above that.
namespace invoicefiles::limits {

inline constexpr std::int64_t kMaxFileBytes = 32 * 1024 * 1024;
inline constexpr int kMaxPdfPagesSearched = 4;
inline constexpr double kMaxRenderPixels = 16e6;
inline constexpr std::size_t kMaxTextRunsPerPage = 20000;

// OFD archives: entries listed, bytes expanded from one entry and from all entries read.
inline constexpr int kMaxZipEntries = 10000;
inline constexpr std::int64_t kMaxEntryBytes = 8 * 1024 * 1024;
inline constexpr std::int64_t kMaxExpandedBytes = 32 * 1024 * 1024;
inline constexpr int kMaxOfdPagesSearched = 4;
// A picture larger than this on either side is not decoded (a whole A5 page at 300 dpi fits);
// nor are more pictures than this.
inline constexpr int kMaxImageSide = 3000;
inline constexpr int kMaxPicturesDecoded = 16;

}  // namespace invoicefiles::limits
