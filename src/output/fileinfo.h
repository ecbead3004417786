// File Information: facts about the open capture file and its load, as
// the dialog shows them. They describe the whole load, whatever the
// filter shows.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "capture/frame.h"

namespace kestle {

class CaptureSession;
struct LocaleInfo;

struct FileInfoLine {
  const char* Caption;  // "Name:", "Type:", ...
  std::string Value;
};

// The lines, top to bottom: Name, Type, Link Types, Change Date, Size,
// Frames, TCP Sessions, Average Size.
std::vector<FileInfoLine> FileInformation(const CaptureSession& s);

// What a load brought, for the status bar: "1,000,000 frames · pcap
// (gzip)", and why it ended early when it did.
std::string LoadSummaryText(const CaptureSession& s);
// The short name of a format ("pcap", "Sniffer", "Netmon 2", ...).
std::string FormatShortName(CaptureFormat format, bool pcapModified, bool pcapNano = false);

// The name shown: the whole name when shorter than 26 characters, else
// its last part, without folders.
std::string FileInfoName(const std::string& path);
std::string FileTypeText(CaptureFormat format, bool pcapModified, bool pcapNano = false);
// The names of the link types of the loaded frames, in the order they first
// appear: "Ethernet", "Ethernet, Linux cooked v2".
std::string LinkTypesText(const CaptureSession& s);
// "March 01 2004 - 14:25:37" of a modification time; "n/a" without one.
std::string FileChangeDateText(std::optional<std::time_t> modified, const LocaleInfo& locale);
std::optional<std::time_t> FileModificationTime(const std::string& path);
// "50", or "50 of 149" when the load started at frame 100.
std::string FramesText(uint32_t frameCount, int64_t firstFrame, const std::string& thousandsSep);
// The mean of the lengths on the wire with 2 decimals, rounded to at most
// 7 significant digits.
std::string AverageSizeText(uint64_t totalBytes, uint32_t frameCount,
                            const std::string& decimalSep);

}  // namespace kestle
