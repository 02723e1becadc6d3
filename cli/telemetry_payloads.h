// The JSON payloads `zemtra publish` sends, under Sparkplug B topic names
// (spBv1.0/GROUP/TYPE/NODE[/BUS-SLOT]). Their schema is publish.schema.json.
// `seq` is not set here: it is the node's message counter, stamped when a
// message actually goes out, so that a subscriber sees gaps in what arrived.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "identity.h"
#include "record_format.h"
#include "zemtra.h"

namespace zemtra::cli {

using records::FoldFactors;
using records::Sample;
using records::Units;

struct TopicNames {
  std::string group;
  std::string node;

  std::string Node(const char* type) const;                            // NBIRTH, NDEATH
  std::string Device(const char* type, const DeviceLocation& board) const;  // DBIRTH, DDATA, DDEATH, DCMD
};

// "BUS-SLOT": the device name in topics (a colon is legal there, but awkward
// in the subscription filters of many tools).
std::string DeviceName(const DeviceLocation& board);

// Milliseconds since the epoch (UTC), as the conventions stamp every payload.
int64_t WallClockMs();
// ISO 8601 UTC with microseconds, e.g. 2026-12-07T02:13:08.123456Z.
std::string UtcText(int64_t wallClockNs);

// One sample as published: raw counts converted to the chosen units.
struct PublishedSample {
  Sample sample;           // elapsedNs holds the monotonic clock itself here
  int64_t wallClockNs = 0;
};

struct PublishSettings {
  Units units = Units::kRaw;
  FoldFactors folds{2, 2, 2};
  double rateHz = 0;
  unsigned batch = 0;
};

// The status word with each Glitch and No Sig flag named.
nlohmann::json StatusObject(uint16_t status);

nlohmann::json NodeBirth(uint64_t bdSeq, const std::vector<DeviceLocation>& boards,
                         const PublishSettings& settings);
nlohmann::json NodeDeath(uint64_t bdSeq);

struct BoardSettings {
  uint16_t config = 0;
  uint16_t filter = 0;
  uint16_t interruptMask = 0;
};

nlohmann::json DeviceBirth(const DeviceLocation& board, const BoardIdentity& identity, const BoardSettings& boardSettings,
                           const PublishSettings& settings, uint16_t status);
// A batch of samples; `dropped` counts the batches thrown away while the
// broker was unreachable since the last batch that went out.
nlohmann::json SampleBatch(const std::vector<PublishedSample>& samples, const PublishSettings& settings,
                           uint16_t status, uint64_t dropped);
nlohmann::json StatusChange(uint16_t previous, uint16_t status, int64_t monotonicNs);
// The answer to a DCMD that was not carried out.
nlohmann::json CommandRefused(const std::string& command, const std::string& reason);
nlohmann::json DeviceDeath(const std::string& reason);

}  // namespace zemtra::cli
