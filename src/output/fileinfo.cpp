#include "output/fileinfo.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "decode/config/environment.h"
#include "decode/dispatch.h"
#include "decode/session.h"
#include "decode/text.h"

namespace kestle {

std::string FileInfoName(const std::string& path) {
  if (path.size() < 26) return path;
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

// The File Information type and the short name of each format.
struct FormatNames {
  CaptureFormat Format;
  const char* Type;
  const char* Short;
};
constexpr FormatNames kFormatNames[] = {
    {CaptureFormat::Sniffer, "General Sniffer", "Sniffer"},
    {CaptureFormat::NetmonV1, "Netmon v1 Capture", "Netmon 1"},
    {CaptureFormat::NetmonV2, "Netmon v2 Capture", "Netmon 2"},
    {CaptureFormat::Pcap, "Windump/TCPDUMP Capture", "pcap"},
    {CaptureFormat::NetXRay, "NetXRay Capture", "NetXRay"},
    {CaptureFormat::FiveView, "5View", "5View"},
    {CaptureFormat::Pcapng, "pcapng Capture", "pcapng"},
};

const FormatNames* NamesOf(CaptureFormat format) {
  for (const FormatNames& n : kFormatNames)
    if (n.Format == format) return &n;
  return nullptr;
}

}  // namespace

std::string FileTypeText(CaptureFormat format, bool pcapModified, bool pcapNano) {
  if (format == CaptureFormat::Pcap && pcapModified) return "TCPDUMP capture (Modified)";
  if (format == CaptureFormat::Pcap && pcapNano) return "Windump/TCPDUMP Capture (nanosecond)";
  const FormatNames* n = NamesOf(format);
  return n ? n->Type : "";
}

std::string FormatShortName(CaptureFormat format, bool pcapModified, bool pcapNano) {
  if (format == CaptureFormat::Pcap && pcapModified) return "pcap (modified)";
  if (format == CaptureFormat::Pcap && pcapNano) return "pcap (nanosecond)";
  const FormatNames* n = NamesOf(format);
  return n ? n->Short : "";
}

std::string LoadSummaryText(const CaptureSession& s) {
  const CaptureInput& in = s.Input;
  std::string text = FormatThousands(s.FrameCount, s.Env.Locale.ThousandsSep) +
                     (s.FrameCount == 1 ? " frame" : " frames") + " \u00B7 " +
                     FormatShortName(in.Format, in.PcapModified, in.PcapNano);
  if (in.File.IsOpen() && !in.File.Plain()) text += " (gzip)";
  if (in.LoadTruncated())
    text += " \u00B7 cut short: the file is damaged or incomplete";
  else if (in.LoadLimitReached())
    text += " \u00B7 cut short at Maximum Frames";
  return text;
}

std::optional<std::time_t> FileModificationTime(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return st.st_mtime;
}

std::string FileChangeDateText(std::optional<std::time_t> modified, const LocaleInfo& locale) {
  struct tm t {};
  if (!modified || !localtime_r(&*modified, &t)) return "n/a";
  char rest[64];
  std::snprintf(rest, sizeof rest, " %02d %04d - %02d:%02d:%02d", t.tm_mday, t.tm_year + 1900,
                t.tm_hour, t.tm_min, t.tm_sec);
  return locale.LongMonthNames[static_cast<size_t>(t.tm_mon) % 12] + rest;
}

std::string FramesText(uint32_t frameCount, int64_t firstFrame, const std::string& sep) {
  std::string text = FormatThousands(frameCount, sep);
  if (firstFrame != 1)
    text += " of " + FormatThousands(static_cast<uint64_t>(frameCount + firstFrame - 1), sep);
  return text;
}

std::string AverageSizeText(uint64_t totalBytes, uint32_t frameCount,
                            const std::string& decimalSep) {
  // In hundredths, rounded half up, then to 7 significant digits; integers
  // throughout, so the text does not depend on the C library's locale.
  const unsigned __int128 hundredths =
      frameCount == 0
          ? 0
          : (static_cast<unsigned __int128>(totalBytes) * 100 + frameCount / 2) / frameCount;
  uint64_t cents = static_cast<uint64_t>(hundredths);
  uint64_t limit = 10000000, step = 1;
  while (cents / step >= limit) step *= 10;
  if (step > 1) cents = (cents + step / 2) / step * step;
  char decimals[3];
  std::snprintf(decimals, sizeof decimals, "%02u", static_cast<unsigned>(cents % 100));
  return std::to_string(cents / 100) + decimalSep + decimals;
}

std::string LinkTypesText(const CaptureSession& s) {
  std::vector<uint16_t> seen;
  for (uint32_t n = 1; n <= s.FrameCount && n < s.FrameTable.size(); ++n) {
    const uint16_t t = s.FrameTable[n].LinkType;
    if (std::find(seen.begin(), seen.end(), t) == seen.end()) seen.push_back(t);
  }
  std::string text;
  for (uint16_t t : seen) {
    const LinkTypeEntry* e = LinkTypeOf(t);
    text += (text.empty() ? "" : ", ") + (e ? std::string(e->Name) : std::to_string(t));
  }
  return text;
}

std::vector<FileInfoLine> FileInformation(const CaptureSession& s) {
  const LocaleInfo& locale = s.Env.Locale;
  uint64_t total = 0;
  for (uint32_t n = 1; n <= s.FrameCount && n < s.FrameTable.size(); ++n)
    total += s.FrameTable[n].TrueLen;
  return {
      {"Name:", FileInfoName(s.FileName())},
      {"Type:", FileTypeText(s.Format(), s.Input.PcapModified, s.Input.PcapNano)},
      {"Link Types:", LinkTypesText(s)},
      {"Change Date:", FileChangeDateText(FileModificationTime(s.FileName()), locale)},
      {"Size:", FormatThousands(s.Input.File.FileSizeEstimate, locale.ThousandsSep)},
      {"Frames:", FramesText(s.FrameCount, s.Env.settings.FirstFrame, locale.ThousandsSep)},
      {"TCP Sessions:", FormatThousands(s.Decoders.TcpSessions.Count(), locale.ThousandsSep)},
      {"Average Size:", AverageSizeText(total, s.FrameCount, locale.DecimalSep)},
  };
}

}  // namespace kestle
