#include "telemetry_payloads.h"

#include <time.h>

#include <cstdio>

#include "display_units.h"
#include "zemtra_registers.h"

namespace zemtra::cli {

namespace {

constexpr const char* kUnitNames[] = {"raw", "mm", "inch"};

struct StatusFlag {
  const char* signal;
  uint16_t nosig;
  uint16_t glitch;
};

constexpr StatusFlag kStatusFlags[] = {
    {"A1", ZEMTRA_STATUS_A1_NOSIG, ZEMTRA_STATUS_A1_GLITCH},
    {"A2", ZEMTRA_STATUS_A2_NOSIG, ZEMTRA_STATUS_A2_GLITCH},
    {"A3", ZEMTRA_STATUS_A3_NOSIG, ZEMTRA_STATUS_A3_GLITCH},
    {"REF", ZEMTRA_STATUS_REF_NOSIG, ZEMTRA_STATUS_REF_GLITCH},
};

nlohmann::json Value(Units units, uint16_t fold, int32_t count, bool velocity) {
  if (units == Units::kRaw) return count;
  const units::ModeSettings scales =
      units::SettingsFor(units == Units::kMillimetre ? units::DisplayMode::kMillimetre : units::DisplayMode::kInch);
  return units::ConvertCount(velocity ? scales.velocityScale : scales.positionScale, fold, count);
}

nlohmann::json Stamped(nlohmann::json payload) {
  payload["timestamp"] = WallClockMs();
  return payload;
}

}  // namespace

std::string TopicNames::Node(const char* type) const { return "spBv1.0/" + group + "/" + type + "/" + node; }

std::string TopicNames::Device(const char* type, const DeviceLocation& board) const {
  return Node(type) + "/" + DeviceName(board);
}

std::string DeviceName(const DeviceLocation& board) {
  return std::to_string(board.bus) + "-" + std::to_string(board.slot);
}

int64_t WallClockMs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string UtcText(int64_t wallClockNs) {
  const time_t seconds = static_cast<time_t>(wallClockNs / 1000000000);
  tm utc{};
  gmtime_r(&seconds, &utc);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(wallClockNs % 1000000000 / 1000));
  return text;
}

nlohmann::json StatusObject(uint16_t status) {
  nlohmann::json object{{"word", status}};
  for (const StatusFlag& flag : kStatusFlags) {
    object[flag.signal] = {{"nosig", (status & flag.nosig) != 0}, {"glitch", (status & flag.glitch) != 0}};
  }
  return object;
}

nlohmann::json NodeBirth(uint64_t bdSeq, const std::vector<DeviceLocation>& boards, const PublishSettings& settings) {
  nlohmann::json names = nlohmann::json::array();
  for (const DeviceLocation& board : boards) names.push_back(DeviceName(board));
  return Stamped({{"bdSeq", bdSeq},
                  {"library_revision", ZemtraGetLibraryRev()},
                  {"boards", names},
                  {"rate_hz", settings.rateHz},
                  {"batch", settings.batch}});
}

nlohmann::json NodeDeath(uint64_t bdSeq) { return Stamped({{"bdSeq", bdSeq}}); }

nlohmann::json DeviceBirth(const DeviceLocation& board, const BoardIdentity& identity, const BoardSettings& boardSettings,
                           const PublishSettings& settings, uint16_t status) {
  return Stamped({{"board", DeviceName(board)},
                  {"identity",
                   {{"fpga1_product", identity.fpga1Product},
                    {"fpga1_revision", identity.fpga1Revision},
                    {"fpga2_product", identity.fpga2Product},
                    {"fpga2_revision", identity.fpga2Revision},
                    {"hardware_revision", identity.hardwareRevision}}},
                  {"settings",
                   {{"config", boardSettings.config},
                    {"filter", boardSettings.filter},
                    {"interrupt_mask", boardSettings.interruptMask},
                    {"units", kUnitNames[static_cast<int>(settings.units)]},
                    {"fold", settings.folds},
                    {"rate_hz", settings.rateHz},
                    {"batch", settings.batch}}},
                  {"status", StatusObject(status)}});
}

nlohmann::json SampleBatch(const std::vector<PublishedSample>& samples, const PublishSettings& settings,
                           uint16_t status, uint64_t dropped) {
  nlohmann::json records = nlohmann::json::array();
  for (const PublishedSample& published : samples) {
    const Sample& sample = published.sample;
    nlohmann::json position = nlohmann::json::array();
    nlohmann::json velocity = nlohmann::json::array();
    nlohmann::json valid = nlohmann::json::array();
    for (int axis = 0; axis < ZEMTRA_AXIS_COUNT; ++axis) {
      const size_t a = static_cast<size_t>(axis);
      const bool ok = sample.Valid(axis);
      // An axis without a valid sample has no value: null, never a stale or zero one.
      position.push_back(ok ? Value(settings.units, settings.folds[a], sample.position[a], false) : nullptr);
      velocity.push_back(ok ? Value(settings.units, settings.folds[a], sample.velocity[a], true) : nullptr);
      valid.push_back(ok);
    }
    records.push_back({{"mono_ns", sample.elapsedNs},
                       {"utc", UtcText(published.wallClockNs)},
                       {"position", position},
                       {"velocity", velocity},
                       {"valid", valid}});
  }
  return Stamped({{"kind", "samples"},
                  {"units", kUnitNames[static_cast<int>(settings.units)]},
                  {"dropped_batches", dropped},
                  {"status", StatusObject(status)},
                  {"samples", records}});
}

nlohmann::json StatusChange(uint16_t previous, uint16_t status, int64_t monotonicNs) {
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  return Stamped({{"kind", "status"},
                  {"mono_ns", monotonicNs},
                  {"utc", UtcText(static_cast<int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec)},
                  {"previous", StatusObject(previous)},
                  {"status", StatusObject(status)}});
}

nlohmann::json CommandRefused(const std::string& command, const std::string& reason) {
  // The command as received, which need not be valid JSON nor UTF-8.
  return Stamped({{"kind", "command_refused"},
                  {"command", nlohmann::json::parse(nlohmann::json(command).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))},
                  {"reason", reason}});
}

nlohmann::json DeviceDeath(const std::string& reason) { return Stamped({{"reason", reason}}); }

}  // namespace zemtra::cli
